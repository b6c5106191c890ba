// Windows 11's first context menu, as the setup of this suite installs it
// on 64-bit Windows: nothing new on Windows 10; on Windows 11 the 64-bit
// library and the signed package in the product's own folder, the
// package's certificate trusted, the registration attempted and its
// failure told (Wine has no deployment service: its PowerShell is a stub
// that runs nothing), the installation still a success with the classic
// menu; the uninstall takes all of it away. Wine reports no Windows 11:
// the test build of the setup takes the build number from
// PARVELLO_TEST_WINDOWS_BUILD, the one thing arranged.
#include <gtest/gtest.h>
#include <windows.h>
#include <prsht.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/wizard_driver.h"

namespace {

const char kFolder[] = "C:\\Program Files\\Parvello";
const char kNoticeLog[] = "c:\\vozaziza.log";
const char kNoticeStart[] =
    "Parvello is installed, and \"Send with Parvello\" is in the classic context menu (\"Show more options\"). "
    "It could not be added to Windows 11's first context menu:\r\n\r\n";
// What Wine's PowerShell stub, which exits at once with 0, comes to.
const char kWineReason[] = "Windows PowerShell ended without running the deployment (exit code 0).";

std::string Bytes(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes)) return "<none>";
  return std::string(bytes.begin(), bytes.end());
}

// The build's certificate as crypt32 reads it, and its SHA-1 thumbprint.
struct Certificate {
  Certificate() {
    std::string der = Bytes(WinePath(FIRST_MENU_CERTIFICATE));
    context = CertCreateCertificateContext(X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                           static_cast<DWORD>(der.size()));
    DWORD size = sizeof hash;
    if (context && CertGetCertificateContextProperty(context, CERT_SHA1_HASH_PROP_ID, hash, &size))
      for (BYTE b : hash) thumbprint += "0123456789ABCDEF"[b >> 4], thumbprint += "0123456789ABCDEF"[b & 15];
  }
  ~Certificate() {
    if (context) CertFreeCertificateContext(context);
  }
  // Whether the machine's Trusted People store holds it; `remove` takes it out.
  bool Trusted(bool remove = false) {
    HCERTSTORE store =
        CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"TrustedPeople");
    if (!store) return false;
    CRYPT_HASH_BLOB blob = {sizeof hash, hash};
    PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
    if (found && remove) CertDeleteCertificateFromStore(CertDuplicateCertificateContext(found));
    if (found) CertFreeCertificateContext(found);
    CertCloseStore(store, 0);
    return found != nullptr;
  }
  PCCERT_CONTEXT context = nullptr;
  BYTE hash[20] = {};
  std::string thumbprint;
};

class FirstMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(certificate_.thumbprint.size(), 40u) << "the build's certificate cannot be read";
    Clean();
    script_ = "C:\\first-menu-test.ini";
    ASSERT_TRUE(WriteFileBytes(script_, "[Default Setup]\r\n", 17));
  }
  void TearDown() override {
    SetEnvironmentVariableA("PARVELLO_TEST_WINDOWS_BUILD", nullptr);
    Clean();
    DeleteFileA(script_.c_str());
  }
  void Clean() {
    ResetProductState();
    for (const char* name : {"\\parvello.dll", "\\parvello.msix"}) DeleteFileA((std::string(kFolder) + name).c_str());
    RemoveDirectoryA(kFolder);
    DeleteFileA(kNoticeLog);
    certificate_.Trusted(true);
  }
  static void ArrangeWindows11() { SetEnvironmentVariableA("PARVELLO_TEST_WINDOWS_BUILD", "22631"); }
  std::string Record(const char* name) {
    std::string value = "<absent>";
    ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, name, value, nullptr, kView32);
    return value;
  }
  void ExpectClassicMenu() {
    for (REGSAM view : {kView32, kView64}) EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, view)) << view;
  }
  void ExpectFirstMenuFiles() {
    EXPECT_EQ(Bytes(std::string(kFolder) + "\\parvello.dll"), Bytes(WinePath(LIBRARY64)));
    EXPECT_EQ(Bytes(std::string(kFolder) + "\\parvello.msix"), Bytes(WinePath(FIRST_MENU_PACKAGE)));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((std::string(kFolder) + "\\parvello.msix").c_str(), GetFileExInfoStandard, &data));
    EXPECT_TRUE(SameTime(data.ftLastWriteTime, InstalledFileStamp()));
  }

  Certificate certificate_;
  std::string script_;
};

TEST_F(FirstMenu, OnWindows10TheDeliverableAddsNothingNew) {
  ASSERT_EQ(RunSetup(script_), 0u);
  ExpectClassicMenu();
  EXPECT_FALSE(FileExists(kFolder));
  EXPECT_FALSE(FileExists(kNoticeLog));
  EXPECT_FALSE(certificate_.Trusted());
  EXPECT_EQ(Record("FirstMenuCertificate"), "<absent>");
  EXPECT_EQ(Record("FirstMenuPackage"), "<absent>");
}

TEST_F(FirstMenu, OnWindows11UnattendedItInstallsTrustsReportsAndTheUninstallTakesItAll) {
  ArrangeWindows11();
  // An administrator whose policy forbids sideloading turns it off.
  std::string off = "C:\\first-menu-off.ini";
  const char offScript[] = "[Default Setup]\r\nFirstContextMenu=0\r\n";
  ASSERT_TRUE(WriteFileBytes(off, offScript, sizeof offScript - 1));
  EXPECT_EQ(RunProgram(WinePath(TEST_BUILD_SETUP_EXE), off), 0u);
  DeleteFileA(off.c_str());
  ExpectClassicMenu();
  EXPECT_FALSE(FileExists(kFolder));
  EXPECT_FALSE(FileExists(kNoticeLog));

  // Twice: a reinstall finds its own certificate trusted and keeps the
  // record that lets the uninstall remove it.
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    ASSERT_EQ(RunProgram(WinePath(TEST_BUILD_SETUP_EXE), script_), 0u);
    EXPECT_FALSE(FileExists(kErrorLog));
    ExpectClassicMenu();
    ExpectFirstMenuFiles();
    EXPECT_TRUE(certificate_.Trusted());
    EXPECT_EQ(Record("FirstMenuCertificate"), certificate_.thumbprint);
    // The failed registration is taken back, record and all.
    EXPECT_EQ(Record("FirstMenuPackage"), "<absent>");
    EXPECT_EQ(Bytes(kNoticeLog), "\xEF\xBB\xBF" + std::string(kNoticeStart) + kWineReason);
  }

  // The uninstall entry as the 64-bit Rundll32 runs it.
  ASSERT_EQ(RunProgram(OtherSystemDir() + "rundll32.exe", "parvello.dll,Uninstall /S"), 0u);
  EXPECT_FALSE(certificate_.Trusted());
  EXPECT_FALSE(FileExists(kFolder));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, kView32));
}

TEST_F(FirstMenu, OnWindows11TheWizardTellsTheUserOnceAndGoesOn) {
  ArrangeWindows11();
  WizardDriver driver;
  ASSERT_TRUE(driver.StartCopy(WinePath(TEST_BUILD_SETUP_EXE)));
  ASSERT_TRUE(driver.WaitForSheet() && driver.WaitForPage(kWelcomeTitle) && driver.NextTo(kLicenceTitle) &&
              driver.NextTo(kCopyingTitle));
  driver.Press(PSBTN_NEXT);  // the copy starts
  HWND box = driver.WaitForMessageBox();
  ASSERT_TRUE(box);
  EXPECT_EQ(WizardDriver::MessageText(box), std::string(kNoticeStart) + kWineReason);
  WizardDriver::Answer(box, IDOK);
  ASSERT_TRUE(driver.WaitForPage(kMailClientTitle));
  EXPECT_EQ(driver.WaitForMessageBox(1000), nullptr) << "told once";
  ExpectClassicMenu();
  ExpectFirstMenuFiles();
  EXPECT_TRUE(certificate_.Trusted());
  EXPECT_EQ(driver.CancelSetup(), 0u);
}

}  // namespace
