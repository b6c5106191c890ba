// The file installer, run in this process against the resources linked into
// it, with real files and real faults in the prefix's drive C:.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/directories.h"
#include "app/startup.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "install/embedded_files.h"
#include "resource_ids.h"

namespace {

// The build inputs each record must reproduce byte for byte.
std::string BuildInput(DWORD index) {
  switch (index) {
    case 0: return WinePath(PRODUCT_LIBRARY);
    case 1: return WinePath(BUILT_HELP_FILE);
    case 2: return WinePath(PRODUCT_HELP_DIR "/parvello.cnt");
    case 4: return WinePath(BUILT_HTML_HELP_FILE);
    default: return WinePath(OTHER_LIBRARY);
  }
}

std::string Destination(DWORD index) {
  const EmbeddedFile& record = g_embeddedFiles[index];
  return std::string(g_destinationDirs[record.destinationKind]) + record.installedName;
}

std::string StoredCopy(DWORD index) { return WindowsDir() + g_embeddedFiles[index].storedName; }

void ExpectInstalledAsBuilt(DWORD index) {
  // The times first: reading the file may move its last-access time.
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(Destination(index).c_str(), GetFileExInfoStandard, &data));
  FILETIME stamp = InstalledFileStamp();
  EXPECT_TRUE(SameTime(data.ftCreationTime, stamp)) << "creation time of " << Destination(index);
  EXPECT_TRUE(SameTime(data.ftLastAccessTime, stamp)) << "last-access time of " << Destination(index);
  EXPECT_TRUE(SameTime(data.ftLastWriteTime, stamp)) << "last-write time of " << Destination(index);

  std::vector<unsigned char> installed, input;
  ASSERT_TRUE(ReadFileBytes(Destination(index), installed)) << Destination(index);
  ASSERT_TRUE(ReadFileBytes(BuildInput(index), input)) << BuildInput(index);
  EXPECT_EQ(installed.size(), input.size()) << Destination(index);
  EXPECT_TRUE(installed == input) << Destination(index) << " differs from " << BuildInput(index);

  EXPECT_FALSE(FileExists(StoredCopy(index))) << "temporary copy left behind";
}

class FileInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    ASSERT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1);
  }
  void TearDown() override {
    MoveFileA(hiddenHelpDir_.c_str(), HelpDir().c_str());
    ResetProductState();
  }
  std::string hiddenHelpDir_ = WindowsDir() + "HELP.hidden-by-test";
};

TEST_F(FileInstaller, TimeZoneIsNotUtcSoTheStampIsConverted) {
  TIME_ZONE_INFORMATION zone;
  DWORD mode = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias + (mode == TIME_ZONE_ID_DAYLIGHT ? zone.DaylightBias : 0);
  EXPECT_NE(bias, 0) << "run the tests with a time zone away from UTC (TZ)";
}

TEST_F(FileInstaller, EveryRecordLandsAsBuiltWithTheFixedDate) {
  for (DWORD index = 0; index < kEmbeddedFileCount; ++index) {
    EXPECT_EQ(InstallEmbeddedFile(index), 1) << "record " << index;
    ExpectInstalledAsBuilt(index);
  }
  EXPECT_EQ(Destination(0), SystemDir() + "parvello.dll");
  EXPECT_EQ(Destination(1), HelpDir() + "parvello.hlp");
  EXPECT_EQ(Destination(2), HelpDir() + "parvello.cnt");
  EXPECT_EQ(Destination(3), OtherSystemDir() + "parvello.dll");
  EXPECT_EQ(Destination(4), HelpDir() + "parvello.chm");
}

TEST_F(FileInstaller, InstallingAgainGivesTheSameFilesAndTimes) {
  for (int round = 0; round < 2; ++round)
    for (DWORD index = 0; index < kEmbeddedFileCount; ++index) {
      ASSERT_EQ(InstallEmbeddedFile(index), 1) << "round " << round << " record " << index;
      ExpectInstalledAsBuilt(index);
    }
}

TEST_F(FileInstaller, ReplacesAReadOnlyDestination) {
  ASSERT_TRUE(WriteFileBytes(Destination(1), "old help", 8));
  ASSERT_TRUE(SetFileAttributesA(Destination(1).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_EQ(InstallEmbeddedFile(1), 1);
  ExpectInstalledAsBuilt(1);
  EXPECT_FALSE(GetFileAttributesA(Destination(1).c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(FileInstaller, OverwritesAndRemovesAStaleStoredCopy) {
  ASSERT_TRUE(WriteFileBytes(StoredCopy(2), "stale", 5));
  EXPECT_EQ(InstallEmbeddedFile(2), 1);
  ExpectInstalledAsBuilt(2);
}

TEST_F(FileInstaller, FailsWhenTheDestinationIsHeldOpen) {
  ASSERT_TRUE(WriteFileBytes(Destination(0), "in use", 6));
  HANDLE holder = CreateFileA(Destination(0).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(InstallEmbeddedFile(0), 0);
  CloseHandle(holder);
  std::vector<unsigned char> kept;
  ASSERT_TRUE(ReadFileBytes(Destination(0), kept));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "in use");
  EXPECT_FALSE(FileExists(StoredCopy(0))) << "temporary copy left behind after a failure";
}

// What Windows' version installer does when the destination is in use (a
// library the shell has loaded): it expands the source into the
// destination directory under a temporary name, read-only like the source
// may be, and answers VIF_TEMPFILE | VIF_FILEINUSE with that name. Wine
// deletes its temporary file itself, so this stands in for it.
std::string g_leftoverName;
DWORD g_leftoverAnswer;
DWORD InstallerThatLeavesItsCopy(DWORD, LPSTR, LPSTR, LPSTR, LPSTR destinationDir, LPSTR, LPSTR tempName,
                                 PUINT tempNameLength) {
  std::string copy = std::string(destinationDir) + "VER3F2A.tmp";
  WriteFileBytes(copy, "expanded", 8);
  SetFileAttributesA(copy.c_str(), FILE_ATTRIBUTE_READONLY);
  lstrcpynA(tempName, g_leftoverName.c_str(), *tempNameLength);
  *tempNameLength = static_cast<UINT>(g_leftoverName.size() + 1);
  return g_leftoverAnswer;
}

TEST_F(FileInstaller, AFileInUseLeavesNoTemporaryCopyInTheDestination) {
  ASSERT_TRUE(WriteFileBytes(Destination(0), "in use", 6));
  std::string leftover = SystemDir() + "VER3F2A.tmp";
  const struct {
    const char* name;
    DWORD answer;
    bool removed;
  } cases[] = {
      {"VER3F2A.tmp", VIF_TEMPFILE | VIF_FILEINUSE, true},
      // Not reported as left behind, or not a bare name: not touched.
      {"VER3F2A.tmp", VIF_FILEINUSE, false},
      {"..\\system32\\VER3F2A.tmp", VIF_TEMPFILE | VIF_FILEINUSE, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_leftoverName = c.name;
    g_leftoverAnswer = c.answer;
    EXPECT_EQ(InstallFileRecord(g_embeddedFiles[0], InstallerThatLeavesItsCopy), 0);
    EXPECT_EQ(FileExists(leftover), !c.removed);
    EXPECT_FALSE(FileExists(StoredCopy(0)));
    SetFileAttributesA(leftover.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(leftover.c_str());
  }
  std::vector<unsigned char> kept;
  ASSERT_TRUE(ReadFileBytes(Destination(0), kept));
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "in use");
}

TEST_F(FileInstaller, HelpFilesFailWithoutTheHelpDirectory) {
  ASSERT_TRUE(MoveFileA(HelpDir().c_str(), hiddenHelpDir_.c_str()));
  EXPECT_EQ(InstallEmbeddedFile(1), 0);
  EXPECT_EQ(InstallEmbeddedFile(2), 0);
  EXPECT_FALSE(FileExists(HelpDir())) << "the help directory must not be created";
  EXPECT_FALSE(FileExists(StoredCopy(1)));
  EXPECT_FALSE(FileExists(StoredCopy(2)));
  EXPECT_EQ(InstallEmbeddedFile(0), 1) << "the library does not need the help directory";
}

TEST_F(FileInstaller, FailsWhenTheTemporaryCopyCannotBeCreated) {
  // A folder of the stored name: the copy cannot be created in its place.
  ASSERT_TRUE(CreateDirectoryA(StoredCopy(0).c_str(), nullptr));
  EXPECT_EQ(InstallEmbeddedFile(0), 0);
  EXPECT_FALSE(FileExists(Destination(0)));
  EXPECT_TRUE(GetFileAttributesA(StoredCopy(0).c_str()) & FILE_ATTRIBUTE_DIRECTORY) << "nothing to clean up";
  RemoveDirectoryA(StoredCopy(0).c_str());
}

TEST_F(FileInstaller, RefusesIndicesOutsideTheTable) {
  EXPECT_EQ(InstallEmbeddedFile(kEmbeddedFileCount), 0);
  EXPECT_EQ(InstallEmbeddedFile(0xFFFFFFFF), 0);
}

TEST_F(FileInstaller, RecordWithoutResourceIsCopiedFromTheCurrentDirectory) {
  char workDir[MAX_PATH];
  GetTempPathA(MAX_PATH, workDir);
  std::string source = std::string(workDir) + "plain-source.txt";
  const char content[] = "plain file content\r\n";
  ASSERT_TRUE(WriteFileBytes(source, content, sizeof content - 1));
  char previousDir[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, previousDir);
  ASSERT_TRUE(SetCurrentDirectoryA(workDir));

  EmbeddedFile record = {0, "plain-source.txt", "plain-installed.txt", kToWindowsDir};
  std::string destination = WindowsDir() + "plain-installed.txt";
  ASSERT_TRUE(WriteFileBytes(destination, "old", 3));
  SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(InstallFileRecord(record), 1);
  std::vector<unsigned char> installed;
  ASSERT_TRUE(ReadFileBytes(destination, installed));
  EXPECT_EQ(std::string(installed.begin(), installed.end()), content);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(destination.c_str(), GetFileExInfoStandard, &data));
  EXPECT_TRUE(SameTime(data.ftLastWriteTime, InstalledFileStamp()));
  EXPECT_TRUE(SameTime(data.ftCreationTime, InstalledFileStamp()));

  EmbeddedFile missing = {0, "no-such-source.txt", "plain-missing.txt", kToWindowsDir};
  EXPECT_EQ(InstallFileRecord(missing), 0);
  EXPECT_FALSE(FileExists(WindowsDir() + "plain-missing.txt"));
  EXPECT_TRUE(FileExists(source)) << "the copy road leaves its source alone";

  SetCurrentDirectoryA(previousDir);
  SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(destination.c_str());
  DeleteFileA(source.c_str());
}

TEST_F(FileInstaller, RefusesABadDestinationKind) {
  EmbeddedFile record = {IDR_HELP_FILE, "parvello.hl_", "parvello.hlp", 7};
  EXPECT_EQ(InstallFileRecord(record), 0);
}

}  // namespace
