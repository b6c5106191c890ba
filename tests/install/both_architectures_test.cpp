// 64-bit Windows, as a user has it: the setup of this suite (the 32-bit
// VOZAZIZA.EXE in the 32-bit suite, the twin, mirrored, in the 64-bit one)
// installs the library of each architecture where that architecture looks
// for it, registers the class in both registry views and keeps the
// settings and the uninstall entry once, in the 32-bit view; the uninstall
// entry, run by the Rundll32 of the other architecture, takes all of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/product_state.h"

namespace {

#ifdef _WIN64
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_AMD64, kOtherMachine = IMAGE_FILE_MACHINE_I386;
#else
constexpr WORD kOwnMachine = IMAGE_FILE_MACHINE_I386, kOtherMachine = IMAGE_FILE_MACHINE_AMD64;
#endif

// The machine type in a file's PE header, 0 when it has none.
WORD MachineOf(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes) || bytes.size() < sizeof(IMAGE_DOS_HEADER)) return 0;
  LONG at = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data())->e_lfanew;
  if (at < 0 || bytes.size() < static_cast<size_t>(at) + 4 + sizeof(IMAGE_FILE_HEADER) ||
      memcmp(&bytes[at], "PE\0\0", 4) != 0)
    return 0;
  return reinterpret_cast<const IMAGE_FILE_HEADER*>(&bytes[at + 4])->Machine;
}

bool StampedAsInstalled(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) &&
         SameTime(data.ftLastWriteTime, InstalledFileStamp()) && SameTime(data.ftCreationTime, InstalledFileStamp());
}

void ExpectText(HKEY root, const char* key, const char* name, const char* expected, REGSAM view) {
  std::string value;
  DWORD size = 0;
  ASSERT_TRUE(ReadStringValue(root, key, name, value, &size, view)) << key << " " << name << " in view " << view;
  EXPECT_EQ(value, expected) << key << " " << name;
  EXPECT_EQ(size, strlen(expected) + 1) << key << " " << name;
}

class BothArchitectures : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    dir_ = "C:\\parvello-both-test";
    CreateDirectoryA(dir_.c_str(), nullptr);
  }
  void TearDown() override {
    ResetProductState();
    DeleteFileA((dir_ + "\\setup.ini").c_str());
    RemoveDirectoryA(dir_.c_str());
  }
  std::string dir_;
};

TEST_F(BothArchitectures, EachLibraryLiesWhereItsArchitectureLooksAndTheUninstallTakesBoth) {
  const std::string script = dir_ + "\\setup.ini";
  const std::string text = "[Default Setup]\r\nFileFilters=*.bak\r\nMailer=0\r\n";
  ASSERT_TRUE(WriteFileBytes(script, text.data(), text.size()));
  ASSERT_EQ(RunSetup(script), 0u);
  ASSERT_FALSE(FileExists(kErrorLog)) << "the installation failed";

  // The files: one library per system directory, of that directory's
  // machine type, both with the installation's date.
  const std::string own = SystemDir() + "parvello.dll", other = OtherSystemDir() + "parvello.dll";
  EXPECT_EQ(MachineOf(own), kOwnMachine);
  EXPECT_EQ(MachineOf(other), kOtherMachine);
  EXPECT_TRUE(StampedAsInstalled(own));
  EXPECT_TRUE(StampedAsInstalled(other));

  // The shell's entries in both views, the same bare library name in each.
  for (REGSAM view : {kView32, kView64}) {
    SCOPED_TRACE(view);
    ExpectText(HKEY_CLASSES_ROOT, kClassKey, "", "Parvello User Interface", view);
    ExpectText(HKEY_CLASSES_ROOT, kServerKey, "", "parvello.dll", view);
    ExpectText(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", "Apartment", view);
    ExpectText(HKEY_CLASSES_ROOT, kFilesHandlerKey, "", kClassId, view);
    ExpectText(HKEY_CLASSES_ROOT, kDirectoryHandlerKey, "", kClassId, view);
    ExpectText(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, "Parvello User Interface", view);
  }
  // The settings and the uninstall entry once, in the 32-bit view.
  ExpectText(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "Rundll32.exe parvello.dll,Uninstall", kView32);
  ExpectText(HKEY_LOCAL_MACHINE, kSettingsKey, "FileFilters", "*.bak", kView32);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, kView64));
  // Apps & Features' size: both libraries and the help files.
  ULONGLONG bytes = 0;
  for (const std::string& file :
       {own, other, HelpDir() + "parvello.hlp", HelpDir() + "parvello.cnt", HelpDir() + "parvello.chm"}) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data)) << file;
    bytes += data.nFileSizeLow;
  }
  DWORD kilobytes = 0;
  ASSERT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", kilobytes, kView32));
  EXPECT_EQ(kilobytes, (bytes + 1023) / 1024);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey, kView64));

  // The uninstall entry run by the other architecture's Rundll32 (the
  // 64-bit one is what Apps & Features runs for the 32-bit setup's entry).
  ScopedValue pending(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                      "PendingFileRenameOperations");
  ASSERT_TRUE(pending.Remove());
  ASSERT_EQ(RunProgram(OtherSystemDir() + "rundll32.exe", "parvello.dll,Uninstall /S"), 0u);
  for (REGSAM view : {kView32, kView64}) {
    SCOPED_TRACE(view);
    for (const char* key : {kClassKey, kFilesHandlerKey, kDirectoryHandlerKey})
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key, view)) << key;
    for (const char* key : {kUninstallKey, kSettingsKey}) EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key, view)) << key;
    std::string approval;
    EXPECT_FALSE(ReadStringValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, approval, nullptr, view));
  }
  // This suite's library was not in use and went at once; Rundll32's own
  // is moved aside in its folder and goes when Windows starts, under the
  // name the system gives it then.
  EXPECT_FALSE(FileExists(own));
  EXPECT_FALSE(FileExists(OtherSystemDir() + "parvello.dll"));
  std::vector<std::wstring> renames = PendingRenames();
  ASSERT_EQ(renames.size(), 2u);
#ifdef _WIN64
  const std::string otherAtStart = OtherSystemDir();
#else
  const std::string otherAtStart = WindowsDir() + "system32\\";
#endif
  const std::string expected = "\\??\\" + otherAtStart + "~parvello-";  // ASCII: widened as it is
  EXPECT_EQ(_wcsnicmp(renames[0].c_str(), std::wstring(expected.begin(), expected.end()).c_str(), expected.size()), 0);
  EXPECT_EQ(renames[0].substr(renames[0].size() - 4), L".del");
  EXPECT_EQ(renames[1], L"");
}

}  // namespace
