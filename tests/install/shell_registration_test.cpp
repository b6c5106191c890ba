// The shell registration, in process against Wine's registry, faults included.
#include <gtest/gtest.h>

#include <string>

#include "app/startup.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "install/shell_registration.h"

namespace {

struct ExpectedValue {
  HKEY root;
  const char* key;
  const char* name;
  const char* data;
};

const ExpectedValue kEntries[] = {
    {HKEY_CLASSES_ROOT, kClassKey, "", "Parvello User Interface"},
    {HKEY_CLASSES_ROOT, kServerKey, "", "parvello.dll"},
    {HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", "Apartment"},
    {HKEY_CLASSES_ROOT, kFilesHandlerKey, "", kClassId},
    {HKEY_CLASSES_ROOT, kDirectoryHandlerKey, "", kClassId},
    {HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, "Parvello User Interface"},
    {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Parvello 1.1"},
    {HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "Rundll32.exe parvello.dll,Uninstall"},
};
constexpr int kEntryCount = sizeof kEntries / sizeof kEntries[0];

// Checks entries [0, count) are written exactly and the rest are absent.
void ExpectEntriesUpTo(int count) {
  for (int i = 0; i < kEntryCount; ++i) {
    const ExpectedValue& e = kEntries[i];
    std::string data;
    DWORD size = 0;
    bool present = ReadStringValue(e.root, e.key, e.name, data, &size);
    if (i < count) {
      ASSERT_TRUE(present) << e.key << " [" << e.name << "]";
      EXPECT_EQ(data, e.data) << e.key << " [" << e.name << "]";
      EXPECT_EQ(size, strlen(e.data) + 1) << "size of " << e.key << " [" << e.name << "]";
    } else {
      EXPECT_FALSE(present) << e.key << " [" << e.name << "] should not be written";
    }
  }
}

int CountValues(HKEY root, const char* key) {
  HKEY handle;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return -1;
  DWORD values = 0, subkeys = 0;
  RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                   nullptr);
  RegCloseKey(handle);
  return static_cast<int>(values + subkeys * 1000);
}

class ShellRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    ASSERT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1);
  }
  void TearDown() override { ResetProductState(); }
};

TEST_F(ShellRegistration, WritesEveryEntryExactly) {
  EXPECT_EQ(RegisterShellExtension(), 1);
  ExpectEntriesUpTo(kEntryCount);
  // Exactly the values listed and no more; the server key is the one subkey.
  EXPECT_EQ(CountValues(HKEY_CLASSES_ROOT, kClassKey), 1 + 1000);
  EXPECT_EQ(CountValues(HKEY_CLASSES_ROOT, kServerKey), 2);
  EXPECT_EQ(CountValues(HKEY_LOCAL_MACHINE, kUninstallKey), 9);
  // What Apps & Features and deployment tools read besides: the version
  // (a detection rule), the publisher, the installed library's icon, the
  // silent command, the size of what is installed, no Modify or Repair.
  const std::pair<const char*, std::string> texts[] = {
      {"DisplayVersion", "1.1.0.0"},
      {"Publisher", "Quorvanta"},
      {"DisplayIcon", SystemDir() + "parvello.dll,0"},
      {"QuietUninstallString", "Rundll32.exe parvello.dll,Uninstall /S"}};
  for (const auto& text : texts) {
    std::string data;
    DWORD size = 0;
    ASSERT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, text.first, data, &size)) << text.first;
    EXPECT_EQ(data, text.second) << text.first;
    EXPECT_EQ(size, text.second.size() + 1) << text.first;
  }
  for (const char* flag : {"NoModify", "NoRepair"}) {
    DWORD value = 0;
    ASSERT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kUninstallKey, flag, value)) << flag;
    EXPECT_EQ(value, 1u) << flag;
  }
  // Nothing is installed by this test: the size counts what is there.
  DWORD size = 99;
  ASSERT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", size));
  EXPECT_EQ(size, 0u);
  ASSERT_TRUE(WriteFileBytes(HelpDir() + "parvello.hlp", std::string(1025, 'h').data(), 1025));
  ASSERT_TRUE(WriteFileBytes(HelpDir() + "parvello.cnt", "c", 1));
  ASSERT_TRUE(WriteFileBytes(HelpDir() + "parvello.chm", std::string(1023, 'm').data(), 1023));
  EXPECT_EQ(RegisterShellExtension(), 1);
  ASSERT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", size));
  EXPECT_EQ(size, 3u) << "2,049 bytes are 3 KB, rounded up";
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, (std::string(kApprovedKey) + "\\" + kClassId).c_str()))
      << "approval is a value, not a subkey";
}

TEST_F(ShellRegistration, RegisteringAgainKeepsTheSameDataAndForeignValues) {
  ASSERT_EQ(RegisterShellExtension(), 1);
  // Someone else's value under the uninstall key, and a stale server name.
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExA(key, "Comments", 0, REG_SZ, reinterpret_cast<const BYTE*>("Someone"), 8);
  RegCloseKey(key);
  ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, kServerKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>("C:\\old\\parvello.dll"), 20);
  RegCloseKey(key);

  EXPECT_EQ(RegisterShellExtension(), 1);
  ExpectEntriesUpTo(kEntryCount);
  std::string comments;
  EXPECT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "Comments", comments));
  EXPECT_EQ(comments, "Someone");
}

TEST_F(ShellRegistration, StopsAtADeniedApprovalKeyLeavingEarlierEntries) {
  DeniedKey denied(HKEY_LOCAL_MACHINE, kApprovedKey);
  ASSERT_TRUE(denied.Armed());
  EXPECT_EQ(RegisterShellExtension(), 0);
  ExpectEntriesUpTo(5);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

TEST_F(ShellRegistration, StopsAtAnUnwritableUninstallKey) {
  DanglingLinkKey link(HKEY_LOCAL_MACHINE, kUninstallKey);
  ASSERT_TRUE(link.Armed());
  EXPECT_EQ(RegisterShellExtension(), 0);
  ExpectEntriesUpTo(6);
}

TEST_F(ShellRegistration, StopsAtTheFirstStepWhenTheClassKeyIsDenied) {
  DeniedKey denied(HKEY_CLASSES_ROOT, kClassKey);
  ASSERT_TRUE(denied.Armed());
  EXPECT_EQ(RegisterShellExtension(), 0);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFilesHandlerKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

}  // namespace
