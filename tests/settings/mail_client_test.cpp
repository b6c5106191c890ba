// The mail client choice under the settings key and the guess at the
// system's default client, in process against Wine's registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/startup.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "settings/mail_client.h"

namespace {

const char kClientsKey[] = "SOFTWARE\\Clients\\Mail";

class MailClient : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    ASSERT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1);
  }
  void TearDown() override { ResetProductState(); }

  MailChoice Read() {
    MailChoice choice;
    memset(&choice, 'Z', sizeof choice);
    ReadStoredMailChoice(choice);
    EXPECT_NE(memchr(choice.commandLine, '\0', sizeof choice.commandLine), nullptr);
    return choice;
  }
  // The settings key with one value set raw.
  void Store(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_TRUE(WriteSettingsValue(name, type, data, size)) << name;
  }
  void StoreMailer(DWORD number) { Store("Mailer", REG_DWORD, &number, sizeof number); }

  // The system keeps its default client in the native view.
  ScopedValue defaultClient_{HKEY_LOCAL_MACHINE, kClientsKey, "", kView64};
};

TEST_F(MailClient, TheSystemsDefaultClientIsRecognisedByItsWholeExactName) {
  const struct {
    const char* name;
    DWORD number;
  } cases[] = {{"Microsoft Outlook", 1}, {"Outlook Express", 2},     {"Eudora", 6},
               {"Calypso", 7},           {"The Bat!", 8},            {"Netscape Messenger", 0},
               {"outlook express", 0},   {"Outlook Express ", 0},    {"Native Mail Client", 0},
               {"", 0},                  {"Microsoft Outlook Express", 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(defaultClient_.SetText(c.name));
    EXPECT_EQ(DetectDefaultMailClient(), c.number) << c.name;
  }
  // Not a text at all, and a text that fills the buffer without its zero.
  DWORD number = 2;
  ASSERT_TRUE(defaultClient_.Set(REG_DWORD, &number, sizeof number));
  EXPECT_EQ(DetectDefaultMailClient(), 0u);
  std::string full(260, 'E');
  ASSERT_TRUE(defaultClient_.Set(REG_BINARY, full.data(), 260));
  EXPECT_EQ(DetectDefaultMailClient(), 0u);
  ASSERT_TRUE(defaultClient_.Remove());
  EXPECT_EQ(DetectDefaultMailClient(), 0u);
}

TEST_F(MailClient, WithoutASettingsKeyTheChoiceIsOutlookWithoutDetection) {
  ASSERT_TRUE(defaultClient_.SetText("Eudora"));
  MailChoice choice = Read();
  EXPECT_EQ(choice.number, 1u);
  EXPECT_STREQ(choice.commandLine, "");
  // A key without "Mailer" asks the system.
  Store("UserDefinedCmdLine", REG_SZ, "mail $NAME", 11);
  choice = Read();
  EXPECT_EQ(choice.number, 6u);
  EXPECT_STREQ(choice.commandLine, "mail $NAME");
  ASSERT_TRUE(defaultClient_.SetText("Netscape Messenger"));
  EXPECT_EQ(Read().number, 0u) << "not recognised: the user-defined client";
}

TEST_F(MailClient, AStoredNumberAboveEightReadsAsOutlook) {
  const struct {
    DWORD stored, read;
  } cases[] = {{0, 0}, {3, 3}, {8, 8}, {9, 1}, {0x7FFFFFFF, 1}, {0xFFFFFFFF, 1}};
  for (const auto& c : cases) {
    StoreMailer(c.stored);
    EXPECT_EQ(Read().number, c.read) << c.stored;
  }
  // The type is not looked at: two bytes "5\0" replace the low half of 1.
  Store("Mailer", REG_SZ, "5", 2);
  EXPECT_EQ(Read().number, 1u) << "0x35 is above 8";
  Store("Mailer", REG_BINARY, "\x04", 1);
  EXPECT_EQ(Read().number, 4u);
}

TEST_F(MailClient, TheCommandLineIsAlwaysATerminatedTextOfAtMost259Characters) {
  StoreMailer(0);
  std::string longest(259, 'c');
  Store("UserDefinedCmdLine", REG_SZ, longest.c_str(), 260);
  EXPECT_EQ(std::string(Read().commandLine), longest);
  std::string tooLong(260, 'c');
  Store("UserDefinedCmdLine", REG_SZ, tooLong.c_str(), 261);
  EXPECT_STREQ(Read().commandLine, "") << "does not fit";
  // 260 bytes and no zero among them, as other tools may write them.
  std::string unterminated(260, 'u');
  for (DWORD type : {REG_BINARY, REG_MULTI_SZ, REG_EXPAND_SZ, REG_SZ}) {
    Store("UserDefinedCmdLine", type, unterminated.data(), 260);
    EXPECT_STREQ(Read().commandLine, "") << "type " << type;
  }
  Store("UserDefinedCmdLine", REG_MULTI_SZ, "first\0second\0", 14);
  EXPECT_STREQ(Read().commandLine, "first");
  EXPECT_EQ(Read().number, 0u);
}

TEST_F(MailClient, StoringWritesMailerAndTheCommandLineAndNothingElse) {
  Store("Retention", REG_DWORD, "\x07\0\0\0", 4);
  Store("UserDefinedCmdLine", REG_SZ, "old $NAME", 10);
  ASSERT_EQ(StorePredefinedChoice(5), 1);
  DWORD mailer = 0;
  ASSERT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Mailer", mailer));
  EXPECT_EQ(mailer, 5u);
  std::string commandLine;
  ASSERT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, "UserDefinedCmdLine", commandLine));
  EXPECT_EQ(commandLine, "old $NAME") << "a predefined client leaves the old command line";

  ASSERT_EQ(StoreUserDefinedChoice(""), 1);
  DWORD size = 0;
  ASSERT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, "UserDefinedCmdLine", commandLine, &size));
  EXPECT_EQ(commandLine, "");
  EXPECT_EQ(size, 1u) << "an empty command line is one zero byte";
  ASSERT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Mailer", mailer));
  EXPECT_EQ(mailer, 0u);
  std::vector<std::string> names = ValueNames(HKEY_LOCAL_MACHINE, kSettingsKey);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Mailer", "Retention", "UserDefinedCmdLine"}));

  // A text without its zero within 259 characters is stored cut there.
  std::string overlong(300, 'o');
  ASSERT_EQ(StoreUserDefinedChoice(overlong.c_str()), 1);
  ASSERT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, "UserDefinedCmdLine", commandLine, &size));
  EXPECT_EQ(commandLine, std::string(259, 'o'));
  EXPECT_EQ(size, 260u);
}

TEST_F(MailClient, StoresFailOnADeniedOrReadOnlyKey) {
  {
    DeniedKey denied(HKEY_LOCAL_MACHINE, kSettingsKey);
    ASSERT_TRUE(denied.Armed());
    EXPECT_EQ(StorePredefinedChoice(2), 0);
    EXPECT_EQ(StoreUserDefinedChoice("x"), 0);
    EXPECT_EQ(Read().number, 1u) << "an unreadable key: the defaults";
  }
  DeniedKey readOnly(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ);
  ASSERT_TRUE(readOnly.Armed());
  EXPECT_EQ(StorePredefinedChoice(2), 0);
  EXPECT_EQ(StoreUserDefinedChoice("x"), 0);
  EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, kSettingsKey).empty());
}

}  // namespace
