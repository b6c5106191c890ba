// Adds the package's signing certificate to the machine's Trusted People store.
#include "install/package_certificate.h"

#include <wincrypt.h>

#include "app/startup.h"
#include "app/system_dlls.h"
#include "resource_ids.h"

namespace {

// crypt32 is no KnownDLL: its functions are taken from the system
// directory's copy, like the setup's other late imports.
struct Crypt32 {
  decltype(&CertCreateCertificateContext) createContext;
  decltype(&CertFreeCertificateContext) freeContext;
  decltype(&CertGetCertificateContextProperty) getProperty;
  decltype(&CertGetCertificateChain) getChain;
  decltype(&CertFreeCertificateChain) freeChain;
  decltype(&CertOpenStore) openStore;
  decltype(&CertCloseStore) closeStore;
  decltype(&CertFindCertificateInStore) findInStore;
  decltype(&CertAddCertificateContextToStore) addToStore;
};

template <typename Function>
bool Take(HMODULE library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
  return function != nullptr;
}

bool LoadCrypt32(Crypt32& api) {
  HMODULE library = SystemLibrary("crypt32.dll");
  return library && Take(library, "CertCreateCertificateContext", api.createContext) &&
         Take(library, "CertFreeCertificateContext", api.freeContext) &&
         Take(library, "CertGetCertificateContextProperty", api.getProperty) &&
         Take(library, "CertGetCertificateChain", api.getChain) &&
         Take(library, "CertFreeCertificateChain", api.freeChain) && Take(library, "CertOpenStore", api.openStore) &&
         Take(library, "CertCloseStore", api.closeStore) &&
         Take(library, "CertFindCertificateInStore", api.findInStore) &&
         Take(library, "CertAddCertificateContextToStore", api.addToStore);
}

// Whether the certificate chains, on this machine's own engine, to a root
// the machine trusts (a certificate from a public code-signing authority).
bool ChainsToTrustedRoot(const Crypt32& api, PCCERT_CONTEXT certificate) {
  CERT_CHAIN_PARA parameters = {};
  parameters.cbSize = sizeof parameters;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!api.getChain(HCCE_LOCAL_MACHINE, certificate, nullptr, nullptr, &parameters, 0, nullptr, &chain)) return false;
  bool trusted = chain->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
  api.freeChain(chain);
  return trusted;
}

CertificateOutcome Fail(DWORD& error, DWORD code) {
  error = code ? code : static_cast<DWORD>(E_FAIL);
  return kCertificateFailed;
}

}  // namespace

CertificateOutcome TrustPackageCertificate(char* thumbprint, DWORD& error) {
  thumbprint[0] = '\0';
  error = 0;
  Crypt32 api;
  if (!LoadCrypt32(api)) return Fail(error, ERROR_PROC_NOT_FOUND);
  HRSRC found = FindResourceA(g_module, MAKEINTRESOURCEA(IDR_FIRST_MENU_CERTIFICATE), MAKEINTRESOURCEA(10));
  HGLOBAL loaded = found ? LoadResource(g_module, found) : nullptr;
  const BYTE* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!bytes) return Fail(error, ERROR_RESOURCE_DATA_NOT_FOUND);

  PCCERT_CONTEXT certificate = api.createContext(X509_ASN_ENCODING, bytes, SizeofResource(g_module, found));
  if (!certificate) return Fail(error, GetLastError());
  BYTE hash[20];
  DWORD hashSize = sizeof hash;
  CertificateOutcome outcome = kCertificateFailed;
  HCERTSTORE store = nullptr;
  if (!api.getProperty(certificate, CERT_SHA1_HASH_PROP_ID, hash, &hashSize) || hashSize != sizeof hash) {
    Fail(error, GetLastError());
  } else {
    for (DWORD i = 0; i < sizeof hash; ++i) wsprintfA(thumbprint + 2 * i, "%02X", hash[i]);
    if (ChainsToTrustedRoot(api, certificate)) {
      outcome = kCertificateTrusted;
    } else {
      // The store's registry part, as the uninstall opens it to remove it.
      store = api.openStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"TrustedPeople");
      CRYPT_HASH_BLOB blob = {sizeof hash, hash};
      PCCERT_CONTEXT present =
          store ? api.findInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr) : nullptr;
      if (!store) {
        Fail(error, GetLastError());
      } else if (present) {
        api.freeContext(present);
        outcome = kCertificateAlreadyAdded;
      } else if (api.addToStore(store, certificate, CERT_STORE_ADD_NEW, nullptr)) {
        outcome = kCertificateAdded;
      } else {
        Fail(error, GetLastError());
      }
    }
  }
  if (store) api.closeStore(store, 0);
  api.freeContext(certificate);
  return outcome;
}
