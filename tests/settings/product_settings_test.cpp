// The settings key: the temporary archive folder, writing the record, and
// reading the script into it, in process against Wine's registry.
#include <gtest/gtest.h>

#include <string>

#include "app/directories.h"
#include "app/startup.h"
#include "app/unattended.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "settings/product_settings.h"

namespace {

std::string DefaultFolder() { return std::string(g_tempDir) + "Temporary Archive Files"; }

void StoreRaw(DWORD type, const void* data, DWORD size) {
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExA(key, "TemporaryFolder", 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  RegCloseKey(key);
}

std::string Folder() {
  char folder[kPathSize];
  memset(folder, 'Z', sizeof folder);
  GetTemporaryFolder(folder);
  EXPECT_NE(memchr(folder, '\0', sizeof folder), nullptr);
  return folder;
}

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    ASSERT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1);
    memset(&g_sectionDefaults, 0, sizeof g_sectionDefaults);
    memset(&g_effectiveSettings, 0, sizeof g_effectiveSettings);
    scratch_ = std::string(g_tempDir) + "settings-test";
    CreateDirectoryA(scratch_.c_str(), nullptr);
  }
  void TearDown() override {
    ResetProductState();
    RemoveDirectoryA((scratch_ + "\\made").c_str());
    RemoveDirectoryA(scratch_.c_str());
  }
  std::string scratch_;
};

TEST_F(Settings, TemporaryFolderDefaultsWithoutKeyOrValue) {
  EXPECT_EQ(Folder(), DefaultFolder());
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(Folder(), DefaultFolder());
}

TEST_F(Settings, TemporaryFolderTakesARecordedTextThatFits) {
  StoreRaw(REG_SZ, "D:\\Archives", 12);
  EXPECT_EQ(Folder(), "D:\\Archives") << "used whether or not the folder exists";
  std::string longest = "C:\\" + std::string(256, 'a');  // 259 characters
  StoreRaw(REG_SZ, longest.c_str(), static_cast<DWORD>(longest.size() + 1));
  EXPECT_EQ(Folder(), longest);
  std::string tooLong = "C:\\" + std::string(257, 'a');  // 260 characters
  StoreRaw(REG_SZ, tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1));
  EXPECT_EQ(Folder(), DefaultFolder());
}

TEST_F(Settings, TemporaryFolderIgnoresWhatIsNotATerminatedText) {
  // A REG_SZ stored without its zero comes back terminated by the
  // registry functions, so it is a text like any other.
  StoreRaw(REG_SZ, "C:\\Unterminated", 15);
  EXPECT_EQ(Folder(), "C:\\Unterminated");
  StoreRaw(REG_BINARY, "C:\\Unterminated", 15);
  EXPECT_EQ(Folder(), DefaultFolder());
  std::string full(260, 'b');  // exactly the buffer, no zero anywhere
  StoreRaw(REG_BINARY, full.data(), 260);
  EXPECT_EQ(Folder(), DefaultFolder());
  DWORD number = 0x41414141;
  StoreRaw(REG_DWORD, &number, sizeof number);
  EXPECT_EQ(Folder(), DefaultFolder());
  StoreRaw(REG_SZ, "", 1);
  EXPECT_EQ(Folder(), DefaultFolder());
  StoreRaw(REG_SZ, "", 0);
  EXPECT_EQ(Folder(), DefaultFolder());
}

// Fills the effective record with distinct values, the folder given.
void FillEffective(const std::string& folder) {
  ProductSettings& s = g_effectiveSettings;
  s.ShowIcon = 11;
  s.HideProgressDialog = 12;
  s.AskConfirmationOnCancel = 13;
  s.UseParentFolder = 14;
  s.UseMostOften = 15;
  s.UseClicked = 16;
  s.UseCustom = 17;
  strcpy(s.NameTemplate, "");
  strcpy(s.FileFilters, "*.tmp");
  s.LowPriority = 0xFFFFFFFF;
  strcpy(s.TemporaryFolder, folder.c_str());
  s.Retention = 0;
  s.Mailer = 9;
  strcpy(s.UserDefinedCmdLine, "mail.exe \"$NAME\"");
}

// Checks values [0, count) of the table are stored from the effective
// record with the right type and size, and the rest are absent.
void ExpectStoredUpTo(int count) {
  for (int i = 0; i < kSettingCount; ++i) {
    const SettingField& field = g_settingFields[i];
    const BYTE* source = reinterpret_cast<const BYTE*>(&g_effectiveSettings) + field.offset;
    if (field.textSize) {
      std::string value;
      DWORD size = 0;
      bool present = ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, field.name, value, &size);
      EXPECT_EQ(present, i < count) << field.name;
      if (present && i < count) {
        EXPECT_EQ(value, reinterpret_cast<const char*>(source)) << field.name;
        EXPECT_EQ(size, value.size() + 1) << field.name;
      }
    } else {
      DWORD value = 0, expected = 0;
      memcpy(&expected, source, sizeof expected);
      bool present = ReadDwordValue(HKEY_LOCAL_MACHINE, kSettingsKey, field.name, value);
      EXPECT_EQ(present, i < count) << field.name;
      if (present && i < count) EXPECT_EQ(value, expected) << field.name;
    }
  }
}

TEST_F(Settings, WritesAllFourteenValuesUnchecked) {
  FillEffective(scratch_ + "\\made");
  EXPECT_EQ(WriteProductSettings(), 1);
  ExpectStoredUpTo(kSettingCount);
  std::string empty;
  DWORD size = 0;
  ASSERT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, "NameTemplate", empty, &size));
  EXPECT_EQ(size, 1u) << "an empty text is one zero byte";
  EXPECT_TRUE(GetFileAttributesA((scratch_ + "\\made").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Settings, AnExistingFolderIsKept) {
  FillEffective(scratch_);
  EXPECT_EQ(WriteProductSettings(), 1);
  ExpectStoredUpTo(kSettingCount);
}

TEST_F(Settings, AFolderWithoutParentStopsAfterTheFolderValue) {
  FillEffective(scratch_ + "\\missing\\made");
  EXPECT_EQ(WriteProductSettings(), 0);
  ExpectStoredUpTo(11);
  EXPECT_FALSE(FileExists(scratch_ + "\\missing"));
}

TEST_F(Settings, AnUnwritableKeyWritesNothing) {
  FillEffective(scratch_);
  {
    DanglingLinkKey link(HKEY_LOCAL_MACHINE, kSettingsKey);
    ASSERT_TRUE(link.Armed());
    EXPECT_EQ(WriteProductSettings(), 0);
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
}

TEST_F(Settings, ADeniedKeyWritesNothing) {
  FillEffective(scratch_);
  DeniedKey denied(HKEY_LOCAL_MACHINE, kSettingsKey);
  ASSERT_TRUE(denied.Armed());
  EXPECT_EQ(WriteProductSettings(), 0);
}

TEST_F(Settings, TextsFilledToTheLastCharacterAreStoredWithoutOverrun) {
  FillEffective(scratch_);
  memset(g_effectiveSettings.FileFilters, 'f', sizeof g_effectiveSettings.FileFilters);  // no terminator at all
  EXPECT_EQ(WriteProductSettings(), 1);
  std::string filters;
  DWORD size = 0;
  ASSERT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, "FileFilters", filters, &size));
  EXPECT_EQ(filters, std::string(255, 'f'));
  EXPECT_EQ(size, 256u);
}

// Script reading, judged against what the platform's profile functions
// return for the same file.
class ScriptReading : public Settings {
 protected:
  std::string WriteScript(const std::string& name, const std::string& text) {
    std::string path = scratch_ + "\\" + name;
    EXPECT_TRUE(WriteFileBytes(path, text.data(), text.size()));
    written_.push_back(path);
    return path;
  }
  void TearDown() override {
    for (const std::string& path : written_) DeleteFileA(path.c_str());
    Settings::TearDown();
  }
  std::vector<std::string> written_;
};

TEST_F(ScriptReading, WithoutSectionsEveryBuiltInDefaultApplies) {
  std::string path = WriteScript("empty.ini", "");
  ASSERT_EQ(ReadSetupScript(path.c_str()), 1);
  const ProductSettings& s = g_effectiveSettings;
  EXPECT_EQ(s.ShowIcon, 1u);
  EXPECT_EQ(s.HideProgressDialog, 0u);
  EXPECT_EQ(s.AskConfirmationOnCancel, 1u);
  EXPECT_EQ(s.UseParentFolder, 1u);
  EXPECT_EQ(s.UseMostOften, 1u);
  EXPECT_EQ(s.UseClicked, 1u);
  EXPECT_EQ(s.UseCustom, 0u);
  EXPECT_STREQ(s.NameTemplate, "");
  EXPECT_STREQ(s.FileFilters, "");
  EXPECT_EQ(s.LowPriority, 1u);
  EXPECT_EQ(std::string(s.TemporaryFolder), DefaultFolder());
  EXPECT_EQ(s.Retention, 7u);
  EXPECT_EQ(s.Mailer, 1u);
  EXPECT_STREQ(s.UserDefinedCmdLine, "");

  StoreRaw(REG_SZ, "D:\\Recorded", 12);
  ASSERT_EQ(ReadSetupScript(path.c_str()), 1);
  EXPECT_STREQ(g_effectiveSettings.TemporaryFolder, "D:\\Recorded") << "an earlier installation's folder";
}

TEST_F(ScriptReading, TheComputerSectionOverridesKeyByKey) {
  std::string path = WriteScript("sections.ini", "[Default Setup]\r\nMailer=0\r\nRetention=3\r\nNameTemplate=base\r\n"
                                                 "[" + ComputerName() + "]\r\nMailer=2\r\n[WS01]\r\nMailer=5\r\n");
  ASSERT_EQ(ReadSetupScript(path.c_str()), 1);
  EXPECT_EQ(g_sectionDefaults.Mailer, 0u);
  EXPECT_EQ(g_effectiveSettings.Mailer, 2u);
  EXPECT_EQ(g_effectiveSettings.Retention, 3u);
  EXPECT_STREQ(g_effectiveSettings.NameTemplate, "base");
  EXPECT_EQ(g_effectiveSettings.ShowIcon, 1u);
}

TEST_F(ScriptReading, ValuesAreTakenExactlyAsTheProfileFunctionsReadThem) {
  std::string longText(2000, 'L');
  std::string script = "[Default Setup]\r\nShowIcon=-5\r\nHideProgressDialog=0x1F\r\nUseCustom=99999999999\r\n"
                       "UseClicked=42abc\r\nRetention=  +8\r\nLowPriority=\r\nMailer=\"3\"\r\n"
                       "NameTemplate=" + longText + "\r\nFileFilters=" + longText + "\r\n"
                       "UserDefinedCmdLine=\"quoted value\"\r\nTemporaryFolder=" + longText + "\r\n"
                       "[default setup]\r\nMailer=7\r\n[Default Setup]\r\nRetention=9\r\n"
                       "; ShowIcon=0\r\n";
  std::string path = WriteScript("values.ini", script);
  ASSERT_EQ(ReadSetupScript(path.c_str()), 1);
  for (const SettingField& field : g_settingFields) {
    const BYTE* got = reinterpret_cast<const BYTE*>(&g_effectiveSettings) + field.offset;
    if (field.textSize) {
      std::vector<char> expected(field.textSize);
      GetPrivateProfileStringA("Default Setup", field.name, "", expected.data(), field.textSize, path.c_str());
      EXPECT_STREQ(reinterpret_cast<const char*>(got), expected.data()) << field.name;
      EXPECT_EQ(strlen(reinterpret_cast<const char*>(got)), strnlen(expected.data(), field.textSize)) << field.name;
    } else {
      DWORD value;
      memcpy(&value, got, sizeof value);
      UINT expected = GetPrivateProfileIntA("Default Setup", field.name, 123456, path.c_str());
      if (expected == 123456) continue;  // absent or empty: the built-in default, checked elsewhere
      EXPECT_EQ(value, expected) << field.name;
    }
  }
  EXPECT_EQ(strlen(g_effectiveSettings.NameTemplate), 519u);
  EXPECT_EQ(strlen(g_effectiveSettings.FileFilters), 255u);
  EXPECT_EQ(g_effectiveSettings.LowPriority, 1u) << "an empty number takes the default";
}

// The same "Default Setup" must give the same settings on a computer
// without a section of its own, with an empty one and with one that names
// other keys only; and each value must be what the profile function gives
// when asked for the computer's key with the "Default Setup" value as the
// default (which drops the default's trailing blanks and, in Wine, a pair
// of enclosing quotes). Generated scripts: quotes, blanks, tabs, values at
// and beyond the fields' lengths.
TEST_F(ScriptReading, EveryComputerWithTheSameKeysGetsTheSameSettings) {
  const char* const pieces[] = {"\"", " ", "\t", "a", "Z", "'", "%TEMP%", "$NAME", "\\", ";", "=", "  \"x\"  "};
  unsigned seed = 20261209;
  auto next = [&seed](unsigned range) { return (seed = seed * 1103515245 + 12345) / 65536 % range; };
  auto value = [&]() {
    std::string text;
    int parts = static_cast<int>(next(12));
    for (int i = 0; i < parts; ++i) text += pieces[next(sizeof pieces / sizeof pieces[0])];
    if (next(6) == 0) text += std::string(250 + next(300), 'L');
    // Quoted, often with blanks inside the quotes at the end.
    if (next(3) == 0) text = "\"" + text + std::string(next(3), ' ') + "\"";
    return text;
  };
  const std::string computer = ComputerName();
  for (int script = 0; script < 60; ++script) {
    std::string defaults = "[Default Setup]\r\n";
    for (const SettingField& field : g_settingFields)
      if (next(4) != 0) defaults += std::string(field.name) + "=" + (field.textSize ? value() : std::to_string(next(9))) + "\r\n";
    const std::string variants[] = {defaults, defaults + "[" + computer + "]\r\n",
                                    defaults + "[" + computer + "]\r\nUnrelated=1\r\n"};
    ProductSettings first = {};
    for (int v = 0; v < 3; ++v) {
      std::string path = WriteScript("generated-" + std::to_string(script) + "-" + std::to_string(v) + ".ini", variants[v]);
      ASSERT_EQ(ReadSetupScript(path.c_str()), 1);
      if (v == 0) {
        first = g_effectiveSettings;
        for (const SettingField& field : g_settingFields) {
          if (!field.textSize) continue;
          std::vector<char> fromDefault(field.textSize), expected(field.textSize);
          GetPrivateProfileStringA("Default Setup", field.name, "", fromDefault.data(), field.textSize, path.c_str());
          GetPrivateProfileStringA(computer.c_str(), field.name, fromDefault.data(), expected.data(), field.textSize,
                                   path.c_str());
          if (strcmp(field.name, "TemporaryFolder") == 0 && !strstr(defaults.c_str(), "TemporaryFolder=")) continue;
          EXPECT_STREQ(reinterpret_cast<const char*>(&g_effectiveSettings) + field.offset, expected.data())
              << field.name << " in\n" << defaults;
        }
      } else {
        EXPECT_EQ(memcmp(&first, &g_effectiveSettings, sizeof first), 0) << "variant " << v << " of\n" << defaults;
      }
    }
  }
}

TEST_F(ScriptReading, GarbageAndHugeScriptsAreReadWithoutHarm) {
  std::string garbage;
  unsigned seed = 12345;
  for (int i = 0; i < 100000; ++i) {
    seed = seed * 1103515245 + 12345;
    garbage.push_back(static_cast<char>(seed >> 16));
  }
  std::string path = WriteScript("garbage.ini", garbage);
  EXPECT_EQ(ReadSetupScript(path.c_str()), 1);
  EXPECT_EQ(g_effectiveSettings.Retention, GetPrivateProfileIntA("Default Setup", "Retention", 7, path.c_str()));

  std::string huge = "[Other]\r\n";
  std::string line = "Filler=" + std::string(100, 'x') + "\r\n";
  while (huge.size() < 10 * 1024 * 1024) huge += line;
  huge += "[Default Setup]\r\nRetention=31\r\n";
  path = WriteScript("huge.ini", huge);
  EXPECT_EQ(ReadSetupScript(path.c_str()), 1);
  EXPECT_EQ(g_effectiveSettings.Retention, GetPrivateProfileIntA("Default Setup", "Retention", 7, path.c_str()));
}

}  // namespace
