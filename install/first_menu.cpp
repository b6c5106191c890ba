// Installs and registers the sparse package of Windows 11's first context menu.
#include "install/first_menu.h"

#include "app/directories.h"
#include "app/startup.h"
#include "app/texts.h"
#include "common/first_menu_package.h"
#include "common/owned.h"
#include "common/package_deployment.h"
#include "common/powershell.h"
#include "common/registry_views.h"
#include "install/embedded_files.h"
#include "install/package_certificate.h"

namespace {

constexpr DWORD kFirstWindows11Build = 22000;
constexpr int kFamilySize = 128;

// The library the package's COM server names, and the package itself.
const EmbeddedFile kFirstMenuFiles[] = {
#ifdef _WIN64
    {IDR_PRODUCT_LIBRARY, "parvello.dl_", kFirstMenuLibraryName, kToFirstMenuDir},
#else
    {IDR_OTHER_LIBRARY, "parvel64.dl_", kFirstMenuLibraryName, kToFirstMenuDir},
#endif
    {IDR_FIRST_MENU_PACKAGE, "parvello.ms_", kFirstMenuPackageFileName, kToFirstMenuDir},
};

wchar_t g_script[kDeploymentScriptSize];

// The build as Windows reports it to anyone: RtlGetVersion is not
// subject to the compatibility shims that make GetVersionEx answer
// Windows 8 to a program whose manifest does not name Windows 10.
DWORD WindowsBuild() {
#ifdef PARVELLO_TEST_SEAMS
  // Test builds only: Wine has no Windows 11 version to report.
  char arranged[16];
  DWORD length = GetEnvironmentVariableA("PARVELLO_TEST_WINDOWS_BUILD", arranged, sizeof arranged);
  if (length && length < sizeof arranged) {
    DWORD build = 0;
    for (const char* c = arranged; *c >= '0' && *c <= '9'; ++c) build = build * 10 + (*c - '0');
    return build;
  }
#endif
  typedef LONG(WINAPI * RtlGetVersionFn)(OSVERSIONINFOW*);
  auto getVersion = reinterpret_cast<RtlGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!getVersion || getVersion(&version) != 0 || version.dwMajorVersion < 10) return 0;
  return version.dwBuildNumber;
}

// The family name the build computed from the package's publisher.
int PackageFamily(char* family) {
  HRSRC found = FindResourceA(g_module, MAKEINTRESOURCEA(IDR_FIRST_MENU_FAMILY), MAKEINTRESOURCEA(10));
  HGLOBAL loaded = found ? LoadResource(g_module, found) : nullptr;
  const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  DWORD size = found ? SizeofResource(g_module, found) : 0;
  if (!text || size == 0 || size >= kFamilySize) return 0;
  lstrcpynA(family, text, size + 1);
  return 1;
}

// Writes or deletes one record value in the uninstall key.
int Record(const char* name, const char* value) {
  OwnedKey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, Text(IDS_UNINSTALL_KEY), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | SettingsView(), nullptr, key.Receive(), nullptr) != ERROR_SUCCESS)
    return 0;
  if (!value) {
    LONG deleted = RegDeleteValueA(key.Get(), name);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND;
  }
  return RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1) ==
         ERROR_SUCCESS;
}

// "<text with %lu>" in the notice; the texts are short enough for wsprintfW.
void Say(wchar_t* reason, const wchar_t* text, DWORD number) { wsprintfW(reason, text, number); }

// "<text with %s and %lu>", the name from the setup's own tables and paths.
void Say(wchar_t* reason, const wchar_t* text, const char* name, DWORD number) {
  wchar_t wideName[kPathSize];
  if (!MultiByteToWideChar(CP_ACP, 0, name ? name : "", -1, wideName, kPathSize)) wideName[0] = L'\0';
  wsprintfW(reason, text, wideName, number);
}

int PutFilesInPlace(wchar_t* reason) {
  if (!g_firstMenuDir[0]) {
    Say(reason, L"The 64-bit Program Files folder could not be found (error %lu).", ERROR_PATH_NOT_FOUND);
    return 0;
  }
  if (!CreateDirectoryA(g_firstMenuDir, nullptr) && !IsDirectory(g_firstMenuDir)) {
    Say(reason, L"The folder %s could not be made (error %lu).", g_firstMenuDir, GetLastError());
    return 0;
  }
  for (const EmbeddedFile& file : kFirstMenuFiles)
    if (!InstallFileRecord(file)) {
      Say(reason, L"The file %s could not be put in the product's folder (error %lu).", file.installedName,
          GetLastError());
      return 0;
    }
  return 1;
}

int TrustCertificate(wchar_t* reason) {
  char thumbprint[kThumbprintSize];
  DWORD error = 0;
  switch (TrustPackageCertificate(thumbprint, error)) {
    case kCertificateAdded:
      if (Record(kAddedCertificateValue, thumbprint)) return 1;
      Say(reason, L"The package's certificate %s was added, but could not be recorded for the uninstall (error %lu).",
          thumbprint, ERROR_WRITE_FAULT);
      return 0;
    case kCertificateTrusted:
    case kCertificateAlreadyAdded:
      return 1;  // a record of an earlier installation stays as it is
    case kCertificateFailed:
      break;
  }
  Say(reason, L"The package's certificate could not be added to the computer's Trusted People store (error 0x%08lX).",
      error);
  return 0;
}

int RegisterPackage(wchar_t* reason) {
  char family[kFamilySize], packagePath[kPathSize], folder[kPathSize];
  if (!PackageFamily(family) || !JoinPath(packagePath, g_firstMenuDir, kFirstMenuPackageFileName)) {
    Say(reason, L"The setup's record of the package is damaged (error %lu).", ERROR_INVALID_DATA);
    return 0;
  }
  lstrcpynA(folder, g_firstMenuDir, kPathSize);
  folder[lstrlenA(folder) - 1] = '\0';  // without its trailing backslash
  if (!RegistrationScript(g_script, folder, packagePath, family)) {
    Say(reason, L"The package's folder %s is too long for the registration (error %lu).", folder,
        ERROR_FILENAME_EXCED_RANGE);
    return 0;
  }
  // Recorded first: an installation cut short still leaves the uninstall
  // what it needs to remove the package.
  if (!Record(kRegisteredPackageValue, family)) {
    Say(reason, L"The package could not be recorded for the uninstall (error %lu).", ERROR_WRITE_FAULT);
    return 0;
  }
  if (RunPowerShell(g_script, reason)) return 1;
  // The script has taken back whatever it did.
  Record(kRegisteredPackageValue, nullptr);
  return 0;
}

void ComposeNotice(wchar_t* notice, const wchar_t* reason) {
  lstrcpynW(notice,
            L"Parvello is installed, and \"Send with Parvello\" is in the classic context menu (\"Show more "
            L"options\"). It could not be added to Windows 11's first context menu:\r\n\r\n",
            kFirstMenuNoticeSize);
  DWORD length = lstrlenW(notice);
  lstrcpynW(notice + length, reason, kFirstMenuNoticeSize - length);
}

}  // namespace

int FirstMenuApplies() {
  return FindResourceA(g_module, MAKEINTRESOURCEA(IDR_FIRST_MENU_PACKAGE), "FILE") && SystemHasTwoViews() &&
         WindowsBuild() >= kFirstWindows11Build;
}

int InstallFirstMenu(wchar_t* notice) {
  notice[0] = L'\0';
  if (!FirstMenuApplies()) return 1;
  wchar_t reason[kPowerShellReasonSize];
  if (PutFilesInPlace(reason) && TrustCertificate(reason) && RegisterPackage(reason)) return 1;
  ComposeNotice(notice, reason);
  return 0;
}
