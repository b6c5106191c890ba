// The unattended road: the real setup program started with a script, judged from
// outside by its exit code, files, registry and error log.
#include <gtest/gtest.h>

#include <string>

#include "app/directories.h"
#include "app/startup.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "settings/product_settings.h"

namespace {

const char kFailedText[] = "Parvello setup was not completed succesfully.";

class Unattended : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    ASSERT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1);
    dir_ = "C:\\unattended-test\\";
    CreateDirectoryA(dir_.c_str(), nullptr);
    archives_ = dir_ + "archives";
  }
  void TearDown() override {
    for (const std::string& path : written_) DeleteFileA(path.c_str());
    RemoveArchiveFolder(archives_);
    RemoveDirectoryA(dir_.c_str());
    RemoveArchiveFolder(std::string(g_tempDir) + "Temporary Archive Files");
    ResetProductState();
  }

  // Each script gets a file of its own: Wine caches profile files by name
  // and modification time.
  std::string Script(const std::string& text) {
    std::string path = dir_ + "script" + std::to_string(written_.size()) + ".ini";
    EXPECT_TRUE(WriteFileBytes(path, text.data(), text.size()));
    written_.push_back(path);
    return path;
  }

  std::string Log() {
    std::vector<unsigned char> bytes;
    if (!ReadFileBytes(kErrorLog, bytes)) return "<none>";
    return std::string(bytes.begin(), bytes.end());
  }
  static std::string LogOf(const std::string& text) { return text + std::string(1, '\0'); }

  bool FilesInstalled(int count) {
    const std::string files[3] = {SystemDir() + "parvello.dll", HelpDir() + "parvello.hlp", HelpDir() + "parvello.cnt"};
    for (int i = 0; i < 3; ++i)
      if (FileExists(files[i]) != (i < count)) return false;
    return true;
  }

  DWORD Setting(const char* name) {
    DWORD value = 0xBADBAD;
    ReadDwordValue(HKEY_LOCAL_MACHINE, kSettingsKey, name, value);
    return value;
  }
  std::string TextSetting(const char* name) {
    std::string value = "<absent>";
    ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, name, value);
    return value;
  }

  std::string dir_, archives_;
  std::vector<std::string> written_;
};

TEST_F(Unattended, ASuccessfulRunInstallsEverythingAndLeavesNoLog) {
  std::string script = Script("[Default Setup]\r\nTemporaryFolder=" + archives_ + "\r\nRetention=14\r\n");
  // An old log, read-only, from an earlier failed run.
  ASSERT_TRUE(WriteFileBytes(kErrorLog, "old", 3));
  SetFileAttributesA(kErrorLog, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(RunSetup(script), 0u);
  EXPECT_EQ(Log(), "<none>");
  EXPECT_TRUE(FilesInstalled(3));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  std::string uninstall;
  EXPECT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", uninstall));
  EXPECT_EQ(TextSetting("TemporaryFolder"), archives_);
  EXPECT_EQ(Setting("Retention"), 14u);
  EXPECT_EQ(Setting("Mailer"), 1u);
  EXPECT_TRUE(GetFileAttributesA(archives_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Unattended, AnOrdinaryOldLogIsRemovedToo) {
  ASSERT_TRUE(WriteFileBytes(kErrorLog, "old", 3));
  EXPECT_EQ(RunSetup(Script("[Default Setup]\r\nTemporaryFolder=" + archives_ + "\r\n")), 0u);
  EXPECT_EQ(Log(), "<none>");
}

// Every value stored exactly as the platform's profile functions read it
// from the same script; the log only when a step failed.
TEST_F(Unattended, HostileScriptsStoreWhatTheProfileFunctionsRead) {
  std::string garbage;
  unsigned seed = 99;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245 + 12345;
    garbage.push_back(static_cast<char>(seed >> 16));
  }
  std::string filler;
  while (filler.size() < 10 * 1024 * 1024) filler += "Noise=" + std::string(120, 'n') + "\r\n";
  const std::string scripts[] = {
      garbage + "\r\n[Default Setup]\r\nTemporaryFolder=" + archives_ + "\r\nMailer=4\r\n" + garbage,
      "[Noise]\r\n" + filler + "[Default Setup]\r\nTemporaryFolder=" + archives_ + "\r\nRetention=30\r\n",
      "[Default Setup]\r\nTemporaryFolder=" + archives_ + "\r\nShowIcon=-1\r\nUseCustom=4294967296\r\n"
      "Retention=99999999999999\r\nMailer=0x10\r\nLowPriority=abc\r\nUseClicked=  +12 \r\n"
      "NameTemplate=" + std::string(519, 'T') + "\r\nFileFilters=" + std::string(256, 'F') + "\r\n"
      "UserDefinedCmdLine=" + std::string(5000, 'U') + "\r\nMailer=5\r\n[Default Setup]\r\nRetention=1\r\n"
      "[" + ComputerName() + "]\r\nHideProgressDialog=-2147483648\r\n[" + ComputerName() + "]\r\nUseCustom=3\r\n",
  };
  for (const std::string& text : scripts) {
    ResetProductState();
    std::string path = Script(text);
    EXPECT_EQ(RunSetup(path), 0u);
    EXPECT_EQ(Log(), "<none>");
    for (const SettingField& field : g_settingFields) {
      if (field.textSize) {
        std::vector<char> fromDefault(field.textSize), fromComputer(field.textSize);
        GetPrivateProfileStringA("Default Setup", field.name, "", fromDefault.data(), field.textSize, path.c_str());
        GetPrivateProfileStringA(ComputerName().c_str(), field.name, fromDefault.data(), fromComputer.data(),
                                 field.textSize, path.c_str());
        std::string expected = fromComputer.data();
        if (strcmp(field.name, "TemporaryFolder") == 0 && expected.empty()) continue;
        EXPECT_EQ(TextSetting(field.name), expected) << field.name;
      } else {
        UINT fromDefault = GetPrivateProfileIntA("Default Setup", field.name, field.builtInDefault, path.c_str());
        UINT expected = GetPrivateProfileIntA(ComputerName().c_str(), field.name, fromDefault, path.c_str());
        EXPECT_EQ(Setting(field.name), expected) << field.name;
      }
    }
  }
}

TEST_F(Unattended, AnOverlongFolderIsStoredButFailsTheRun) {
  std::string folder = dir_ + std::string(519 - dir_.size(), 'd');
  EXPECT_EQ(RunSetup(Script("[Default Setup]\r\nTemporaryFolder=" + folder + "x\r\n")), 0u);
  EXPECT_EQ(Log(), LogOf(kFailedText));
  EXPECT_EQ(TextSetting("TemporaryFolder"), folder) << "cut to 519 characters";
}

// A folder of each user's own, as the deployment guide recommends: stored
// as given, made by no one at installation, the values after it written;
// an installation that keeps it from an earlier one does the same.
TEST_F(Unattended, AFolderNamingVariablesIsStoredAsGivenAndLeftToEachUser) {
  ASSERT_TRUE(SetEnvironmentVariableA("PARVELLO_UNATTENDED_HOME", dir_.c_str()));
  const std::string perUser = "%PARVELLO_UNATTENDED_HOME%per-user archives";
  EXPECT_EQ(RunSetup(Script("[Default Setup]\r\nTemporaryFolder=" + perUser + "\r\nMailer=4\r\n")), 0u);
  EXPECT_EQ(Log(), "<none>");
  EXPECT_EQ(TextSetting("TemporaryFolder"), perUser);
  EXPECT_EQ(Setting("Mailer"), 4u) << "values after the folder are written";
  EXPECT_EQ(Setting("Retention"), 7u);
  EXPECT_FALSE(FileExists(dir_ + "per-user archives")) << "the installing account makes no user's folder";
  EXPECT_EQ(RunSetup(Script("[Default Setup]\r\nMailer=5\r\n")), 0u);
  EXPECT_EQ(Log(), "<none>");
  EXPECT_EQ(TextSetting("TemporaryFolder"), perUser) << "kept from the earlier installation";
  EXPECT_EQ(Setting("Mailer"), 5u);
  EXPECT_FALSE(FileExists(dir_ + "per-user archives"));
  SetEnvironmentVariableA("PARVELLO_UNATTENDED_HOME", nullptr);
}

TEST_F(Unattended, AnEmptyScriptStoresEveryDefault) {
  EXPECT_EQ(RunSetup(Script("")), 0u);
  EXPECT_EQ(Log(), "<none>");
  const struct {
    const char* name;
    DWORD value;
  } numbers[] = {{"ShowIcon", 1},   {"HideProgressDialog", 0}, {"AskConfirmationOnCancel", 1}, {"UseParentFolder", 1},
                 {"UseMostOften", 1}, {"UseClicked", 1},       {"UseCustom", 0},               {"LowPriority", 1},
                 {"Retention", 7},  {"Mailer", 1}};
  for (const auto& n : numbers) EXPECT_EQ(Setting(n.name), n.value) << n.name;
  EXPECT_EQ(TextSetting("NameTemplate"), "");
  EXPECT_EQ(TextSetting("FileFilters"), "");
  EXPECT_EQ(TextSetting("UserDefinedCmdLine"), "");
  std::string folder = std::string(g_tempDir) + "Temporary Archive Files";
  EXPECT_EQ(TextSetting("TemporaryFolder"), folder);
  EXPECT_TRUE(GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Unattended, TheComputerSectionWinsOnThisComputerOnly) {
  std::string script = Script("[Default Setup]\r\nMailer=0\r\nFileFilters=*.bak\r\n[" + ComputerName() +
                              "]\r\nMailer=2\r\n[SOME-OTHER-PC]\r\nMailer=5\r\nFileFilters=*.x\r\n");
  EXPECT_EQ(RunSetup(script), 0u);
  EXPECT_EQ(Setting("Mailer"), 2u);
  EXPECT_EQ(TextSetting("FileFilters"), "*.bak");
}

TEST_F(Unattended, AFolderWithoutParentFailsAfterFilesAndRegistration) {
  std::string missing = dir_ + "no-parent\\archives";
  EXPECT_EQ(RunSetup(Script("[Default Setup]\r\nTemporaryFolder=" + missing + "\r\nMailer=3\r\n")), 0u);
  EXPECT_EQ(Log(), LogOf(kFailedText));
  EXPECT_TRUE(FilesInstalled(3));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_EQ(TextSetting("TemporaryFolder"), missing);
  EXPECT_EQ(Setting("Mailer"), 0xBADBADu) << "values after the folder are not written";
}

TEST_F(Unattended, AHelpContentsFileInUseStopsBeforeRegistration) {
  ASSERT_TRUE(WriteFileBytes(HelpDir() + "parvello.cnt", "busy", 4));
  HANDLE holder =
      CreateFileA((HelpDir() + "parvello.cnt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunSetup(Script("")), 0u);
  CloseHandle(holder);
  EXPECT_EQ(Log(), LogOf(kFailedText));
  EXPECT_TRUE(FileExists(SystemDir() + "parvello.dll"));
  EXPECT_TRUE(FileExists(HelpDir() + "parvello.hlp"));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
}

TEST_F(Unattended, ARegistrationFailureStopsBeforeTheSettings) {
  DeniedKey denied(HKEY_LOCAL_MACHINE, kApprovedKey);
  ASSERT_TRUE(denied.Armed());
  EXPECT_EQ(RunSetup(Script("")), 0u);
  EXPECT_EQ(Log(), LogOf(kFailedText));
  EXPECT_TRUE(FilesInstalled(3));
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kDirectoryHandlerKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
}

TEST_F(Unattended, ScriptsThatCannotBeOpenedAreNamedInTheLog) {
  // A folder, with the trailing blanks it was given.
  EXPECT_EQ(RunSetup(dir_ + "   "), 0u);
  EXPECT_EQ(Log(), LogOf("Unable to open file " + dir_ + "   ."));
  EXPECT_TRUE(FilesInstalled(0));

  // A full path of 128 characters does not fit the platform's record; 127 does.
  std::string deep = dir_;
  std::string name127 = deep + std::string(127 - deep.size() - 4, 'p') + ".ini";
  std::string name128 = deep + std::string(128 - deep.size() - 4, 'q') + ".ini";
  ASSERT_EQ(name127.size(), 127u);
  ASSERT_TRUE(WriteFileBytes(name127, "", 0));
  ASSERT_TRUE(WriteFileBytes(name128, "", 0));
  written_.push_back(name127);
  written_.push_back(name128);
  EXPECT_EQ(RunSetup(name128), 0u);
  EXPECT_EQ(Log(), LogOf("Unable to open file " + name128 + "."));
  EXPECT_TRUE(FilesInstalled(0));
  EXPECT_EQ(RunSetup(name127), 0u);
  EXPECT_EQ(Log(), "<none>");
  EXPECT_TRUE(FilesInstalled(3));
}

TEST_F(Unattended, AnArgumentOfSeveralKilobytesIsLoggedWhole) {
  // Trimmed, it names an existing folder; the message carries all of it.
  std::string argument = dir_ + std::string(6000, ' ');
  EXPECT_EQ(RunSetup(argument), 0u);
  EXPECT_EQ(Log(), LogOf("Unable to open file " + argument + "."));
}

// A folder where the log belongs: a failure could not be reported there,
// and only then the exit code says so. Success is still 0.
TEST_F(Unattended, AFailureThatCannotBeLoggedEndsWithCode2) {
  ASSERT_TRUE(CreateDirectoryA(kErrorLog, nullptr));
  std::string missing = dir_ + "no-parent\\archives";
  EXPECT_EQ(RunSetup(Script("[Default Setup]\r\nTemporaryFolder=" + missing + "\r\n")), 2u) << "a failed step";
  EXPECT_TRUE(FilesInstalled(3));
  EXPECT_EQ(RunSetup(dir_), 2u) << "a script that cannot be opened";
  EXPECT_EQ(RunSetup(Script("[Default Setup]\r\nTemporaryFolder=" + archives_ + "\r\n")), 0u) << "nothing to report";
  EXPECT_TRUE(GetFileAttributesA(kErrorLog) & FILE_ATTRIBUTE_DIRECTORY) << "the folder is left alone";
  RemoveDirectoryA(kErrorLog);
  EXPECT_EQ(RunSetup(dir_), 0u) << "logged again";
  EXPECT_EQ(Log(), LogOf("Unable to open file " + dir_ + "."));
}

}  // namespace
