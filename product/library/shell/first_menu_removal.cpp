// Removes Windows 11's first menu: the package, the certificate, the product's own folder.
#include "shell/first_menu_removal.h"

#include <windows.h>
#include <wincrypt.h>

#include "base/text.h"
#include "common/first_menu_package.h"
#include "common/owned.h"
#include "common/package_deployment.h"
#include "common/powershell.h"
#include "common/registry_views.h"
#include "shell/removal_at_restart.h"

namespace {

wchar_t g_script[kDeploymentScriptSize];

std::string ReadRecord(const char* name) {
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_QUERY_VALUE | SettingsView(), key.Receive()) !=
      ERROR_SUCCESS)
    return "";
  char value[256];
  DWORD type = 0, size = sizeof value - 1;
  if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return "";
  value[size] = '\0';
  return value;
}

void DeleteRecord(const char* name) {
  OwnedKey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKeyPath, 0, KEY_SET_VALUE | SettingsView(), key.Receive()) ==
      ERROR_SUCCESS)
    RegDeleteValueA(key.Get(), name);
}

bool RemovePackage(const std::string& family, std::string& reason) {
  wchar_t failure[kPowerShellReasonSize];
  if (!RemovalScript(g_script, family.c_str())) {
    reason = "the package's name is too long";
    return false;
  }
  if (RunPowerShell(g_script, failure)) return true;
  reason = Narrow(failure, CP_ACP);
  return false;
}

// The certificate with that SHA-1 thumbprint (hex) leaves the machine's
// Trusted People store; one that is no longer there is no failure. The
// store's registry part, where the setup added it, is opened on its own:
// Wine's crypt32 forgets a deletion made through the system store's
// collection.
bool RemoveCertificate(const std::string& thumbprint) {
  BYTE hash[20];
  if (thumbprint.size() != 2 * sizeof hash) return false;
  for (size_t i = 0; i < sizeof hash; ++i) {
    char pair[3] = {thumbprint[2 * i], thumbprint[2 * i + 1], '\0'};
    char* end = nullptr;
    hash[i] = static_cast<BYTE>(strtoul(pair, &end, 16));
    if (*end) return false;
  }
  HCERTSTORE store =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"TrustedPeople");
  if (!store) return false;
  CRYPT_HASH_BLOB blob = {sizeof hash, hash};
  bool removed = true;
  if (PCCERT_CONTEXT found =
          CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr))
    removed = CertDeleteCertificateFromStore(found) != 0;  // frees the context
  CertCloseStore(store, 0);
  return removed;
}

// The package file, the library (held by the COM surrogate while a menu
// uses it: then at the next start, like the library in the system
// folder) and the folder itself, now or after them.
void RemoveFolder(std::vector<std::string>& left) {
  char folder[MAX_PATH];
  if (!FirstMenuFolder(folder, MAX_PATH)) return;
  DWORD attributes = GetFileAttributesA(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
  bool later = false;
  for (const char* name : {kFirstMenuPackageFileName, kFirstMenuLibraryName}) {
    std::string path = std::string(folder) + "\\" + name;
    DWORD fileAttributes = GetFileAttributesA(path.c_str());
    if (fileAttributes == INVALID_FILE_ATTRIBUTES) continue;
    SetFileAttributesA(path.c_str(), fileAttributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path.c_str())) continue;
    if (RemoveAtNextStart(path, path))
      later = true;
    else
      left.push_back(path);
  }
  if (RemoveDirectoryA(folder)) return;
  // Scheduled after its files, it is empty by the time its turn comes.
  if (later) MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace

void RemoveFirstMenu(std::vector<std::string>& left) {
  if (!SystemHasTwoViews()) return;
  std::string family = ReadRecord(kRegisteredPackageValue);
  if (!family.empty()) {
    std::string reason;
    if (!RemovePackage(family, reason)) {
      // A package still registered still names the library: both stay.
      left.push_back("Windows 11's first context menu (package " + family + "): " + reason);
      return;
    }
    DeleteRecord(kRegisteredPackageValue);
  }
  std::string thumbprint = ReadRecord(kAddedCertificateValue);
  if (!thumbprint.empty()) {
    if (RemoveCertificate(thumbprint))
      DeleteRecord(kAddedCertificateValue);
    else
      left.push_back("The certificate " + thumbprint + " in the computer's Trusted People store");
  }
  RemoveFolder(left);
}
