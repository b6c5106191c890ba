// The certificate that signed the sparse package, made trusted on this
// machine so that Windows accepts the package: added to the machine's
// Trusted People store unless Windows trusts it already.
#pragma once
#include <windows.h>

constexpr DWORD kThumbprintSize = 41;  // SHA-1 in hex and the terminator

enum CertificateOutcome {
  kCertificateTrusted,       // it chains to a root the machine trusts: nothing to do
  kCertificateAlreadyAdded,  // it is in Trusted People already
  kCertificateAdded,         // the setup added it now
  kCertificateFailed,
};

// Trusts the certificate carried as resource IDR_FIRST_MENU_CERTIFICATE.
// `thumbprint` receives its SHA-1 thumbprint in hex (empty when it could
// not be read); `error` the reason of a failure (a Windows error or
// HRESULT). Shows nothing.
CertificateOutcome TrustPackageCertificate(char* thumbprint, DWORD& error);
