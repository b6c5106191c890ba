// The mail client pages of the real setup program, driven as a person would: what
// they preselect from the registry, the radio buttons and the list, the
// Insert Macro menu, and what Next stores under the settings key.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/help_viewer.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "harness/wizard_driver.h"

namespace {

constexpr int kPredefined = 1043;
constexpr int kUserDefined = 1044;
constexpr int kList = 1032;
constexpr int kCommandLine = 1033;
constexpr int kInsertMacro = 1039;
const char kRegistryError[] = "Internal registry error occured.\nThe operation can not be completed.";

class MailPages : public ::testing::Test {
 protected:
  // A finished wizard leaves the help viewer open at the overview.
  void SetUp() override {
    EndHelpViewers();
    ResetProductState();
    ASSERT_TRUE(defaultClient_.Remove());
  }
  void TearDown() override {
    EndHelpViewers();
    ResetProductState();
  }

  void StartAtMailClient() {
    ASSERT_TRUE(driver_.StartAtMailClient())
        << "stopped on \"" << driver_.PageTitle() << "\", still running: " << driver_.Running();
    page_ = driver_.CurrentPage();
  }
  HWND Item(int id) const { return GetDlgItem(driver_.CurrentPage(), id); }
  bool Checked(int id) const { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // An entry of the list. Wine hands list texts to another process in
  // their wide form only.
  std::string Entry(LRESULT index) const {
    wchar_t text[128] = L"";
    if (index >= 0) SendMessageW(Item(kList), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
    char narrow[128] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    return narrow;
  }
  std::string Selected() const { return Entry(SendMessageA(Item(kList), CB_GETCURSEL, 0, 0)); }
  std::string CommandLine() const { return ControlText(Item(kCommandLine)); }
  // A click on a radio button, as a person makes it.
  void Choose(int id) {
    WizardDriver::Click(Item(id));
    ASSERT_TRUE(WaitUntil([&] { return Checked(id); })) << id;
  }
  // The choice the setup preselects for a stored or detected client.
  void ExpectPreselected(const char* client, bool predefined) {
    EXPECT_EQ(Selected(), client);
    EXPECT_EQ(Checked(kPredefined), predefined);
    EXPECT_EQ(Checked(kUserDefined), !predefined);
    EXPECT_EQ(IsWindowEnabled(Item(kList)) != 0, predefined);
  }
  // Clicks the Insert Macro control and waits for its menu to be shown in
  // its place: a click that comes earlier lands on the page beneath.
  HWND OpenMacroMenu(HWND macro) {
    WizardDriver::Click(macro);
    HWND menu = driver_.WaitForPopupMenu();
    RECT control, shown;
    GetWindowRect(macro, &control);
    if (!menu || !WaitUntil([&] { return GetWindowRect(menu, &shown) && shown.top == control.bottom; })) return nullptr;
    // One round of the setup's messages, so that its menu loop runs.
    SendMessageA(driver_.CurrentPage(), WM_NULL, 0, 0);
    return menu;
  }
  // Puts a macro command to the User-defined page, as the menu does.
  void Insert(UINT command) {
    SendMessageA(driver_.CurrentPage(), WM_COMMAND, command, 0);
  }
  void ExpectRegistryErrorBox() {
    HWND box = driver_.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WizardDriver::MessageText(box), kRegistryError);
    EXPECT_EQ(WizardDriver::DefaultButton(box), IDOK);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK only";
    WizardDriver::Answer(box, IDOK);
  }
  void FinishSetup() {
    driver_.Press(PSBTN_FINISH);
    EXPECT_EQ(driver_.WaitForExit(), 0u);
  }
  DWORD Mailer() {
    DWORD value = 0xBAD;
    ReadDwordValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Mailer", value);
    return value;
  }
  std::string StoredCommandLine(DWORD* size = nullptr) {
    std::string value = "<absent>";
    ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, "UserDefinedCmdLine", value, size);
    return value;
  }
  static std::vector<std::string> SortedValueNames() {
    std::vector<std::string> names = ValueNames(HKEY_LOCAL_MACHINE, kSettingsKey);
    std::sort(names.begin(), names.end());
    return names;
  }
  void StoreSetting(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_TRUE(WriteSettingsValue(name, type, data, size)) << name;
  }

  // The system keeps its default client in the native view.
  ScopedValue defaultClient_{HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail", "", kView64};
  WizardDriver driver_;
  HWND page_ = nullptr;
};

// Settings stored before, but no client: the system's default one,
// Outlook Express, is offered. The radio buttons switch the list at once,
// and Next stores the number of the client picked and nothing else.
TEST_F(MailPages, ThePredefinedClientIsPreselectedFromTheSystemAndStoredAlone) {
  ASSERT_TRUE(defaultClient_.SetText("Outlook Express"));
  DWORD retention = 30;
  ASSERT_NO_FATAL_FAILURE(StoreSetting("Retention", REG_DWORD, &retention, sizeof retention));
  ASSERT_NO_FATAL_FAILURE(StartAtMailClient());
  HWND list = Item(kList);
  ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 8);
  const char* expected[] = {"Microsoft Outlook",  "Microsoft Outlook Express", "Microsoft Exchange Client",
                            "Netscape Messenger", "Lotus ccMail",              "Qualcomm Eudora",
                            "Calypso",            "The Bat!"};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Entry(i), expected[i]) << i;
  ExpectPreselected("Microsoft Outlook Express", true);
  driver_.Screenshot("wizard-mail-client");

  ASSERT_NO_FATAL_FAILURE(Choose(kUserDefined));
  EXPECT_FALSE(IsWindowEnabled(list));
  EXPECT_FALSE(Checked(kPredefined));
  ASSERT_NO_FATAL_FAILURE(Choose(kPredefined));
  EXPECT_TRUE(IsWindowEnabled(list));
  EXPECT_EQ(Selected(), "Microsoft Outlook Express") << "the selection stays";

  SendMessageA(list, CB_SETCURSEL, 6, 0);
  ASSERT_TRUE(driver_.NextTo(kFinishTitle));
  EXPECT_EQ(Mailer(), 7u);
  EXPECT_EQ(SortedValueNames(), (std::vector<std::string>{"Mailer", "Retention"}));
  DWORD kept = 0;
  EXPECT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Retention", kept));
  EXPECT_EQ(kept, 30u);
  FinishSetup();
}

// A clean machine: Outlook, the system not asked. The user-defined client
// is chosen, its command line typed and completed from the Insert Macro
// menu; Back and forth keeps it; Next stores it exactly, and the settings
// key then holds nothing else.
TEST_F(MailPages, AUserDefinedCommandLineIsBuiltWithTheMenuAndStoredExactly) {
  ASSERT_TRUE(defaultClient_.SetText("Eudora"));
  ASSERT_NO_FATAL_FAILURE(StartAtMailClient());
  ExpectPreselected("Microsoft Outlook", true);
  ASSERT_NO_FATAL_FAILURE(Choose(kUserDefined));
  ASSERT_TRUE(driver_.NextTo(kUserDefinedTitle));
  HWND edit = Item(kCommandLine);
  EXPECT_EQ(CommandLine(), "");
  EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 259);

  // Typed, the caret at its end; the menu opened with a click.
  std::string typed = "mailer.exe /attach ";
  for (char c : typed) PostMessageA(edit, WM_CHAR, c, 0);
  ASSERT_TRUE(WaitUntil([&] { return CommandLine() == typed; }));
  HWND macro = Item(kInsertMacro);
  RECT control, shown;
  GetWindowRect(macro, &control);
  HWND menu = OpenMacroMenu(macro);
  ASSERT_NE(menu, nullptr);
  GetWindowRect(menu, &shown);
  EXPECT_EQ(shown.right, control.right) << "right edges aligned";
  EXPECT_EQ(shown.top, control.bottom) << "hanging below the control";
  EXPECT_GT(shown.bottom - shown.top, 20) << "two items";
  driver_.Screenshot("wizard-insert-macro");
  // The first item, "Archive file name", clicked; the caret is back in
  // the command line, after the macro.
  WizardDriver::ClickAt((shown.left + shown.right) / 2, shown.top + (shown.bottom - shown.top) / 4);
  ASSERT_TRUE(WaitUntil([&] { return CommandLine() == typed + "$NAME"; })) << CommandLine();
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
  EXPECT_TRUE(WaitUntil([&] { return driver_.FocusOf(page_) == edit; }));

  // The keyboard alone, real keys: Tab reaches the button and Space opens
  // the menu; Alt+M opens it from the command line; Enter on the button
  // opens it and presses no Next. Down and Enter choose.
  SetForegroundWindow(driver_.Sheet());
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == driver_.Sheet(); }));
  auto chooseWithKeys = [&](int downs, const std::string& expected) {
    ASSERT_NE(driver_.WaitForPopupMenu(), nullptr) << expected;
    SendMessageA(page_, WM_NULL, 0, 0);
    for (int i = 0; i < downs; ++i) TypeKeys({VK_DOWN});
    TypeKeys({VK_RETURN});
    ASSERT_TRUE(WaitUntil([&] { return CommandLine() == expected; })) << CommandLine();
    EXPECT_TRUE(WaitUntil([&] { return driver_.FocusOf(page_) == edit; }));
  };
  TypeKeys({VK_TAB});
  ASSERT_TRUE(WaitUntil([&] { return driver_.FocusOf(page_) == macro; }));
  TypeKeys({VK_SPACE});
  ASSERT_NO_FATAL_FAILURE(chooseWithKeys(1, typed + "$NAME$NAME"));
  TypeKeys({'M'}, VK_MENU);
  ASSERT_NO_FATAL_FAILURE(chooseWithKeys(2, typed + "$NAME$NAME$DOSNAME"));
  TypeKeys({VK_TAB});
  ASSERT_TRUE(WaitUntil([&] { return driver_.FocusOf(page_) == macro; }));
  TypeKeys({VK_RETURN});
  ASSERT_NO_FATAL_FAILURE(chooseWithKeys(1, typed + "$NAME$NAME$DOSNAME$NAME"));
  EXPECT_EQ(driver_.PageTitle(), kUserDefinedTitle) << "Enter pressed no Next";
  SetWindowTextA(edit, (typed + "$NAME").c_str());
  // The second one, chosen with the keys, replaces a selection.
  SendMessageA(edit, EM_SETSEL, 0, 10);
  menu = OpenMacroMenu(macro);
  ASSERT_NE(menu, nullptr);
  for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageA(menu, WM_KEYDOWN, key, 0);
  ASSERT_TRUE(WaitUntil([&] { return CommandLine() == "$DOSNAME /attach $NAME"; })) << CommandLine();

  // All selected: the macro alone.
  SendMessageA(edit, EM_SETSEL, 0, -1);
  Insert(104);
  EXPECT_EQ(CommandLine(), "$NAME");

  // The length rule counts the whole text, the selection included.
  const struct {
    size_t length;
    UINT command;
    bool inserted;
  } rules[] = {{254, 104, true}, {255, 104, false}, {251, 105, true}, {252, 105, false}};
  for (const auto& rule : rules) {
    std::string text(rule.length, 'x');
    SetWindowTextA(edit, text.c_str());
    SendMessageA(edit, EM_SETSEL, 0, 10);
    Insert(rule.command);
    std::string macroText = rule.command == 104 ? "$NAME" : "$DOSNAME";
    EXPECT_EQ(CommandLine(), rule.inserted ? macroText + text.substr(10) : text) << rule.length;
  }
  // Typing stops at 259 characters.
  SetWindowTextA(edit, std::string(258, 'y').c_str());
  SendMessageA(edit, EM_SETSEL, 258, 258);
  PostMessageA(edit, WM_CHAR, 'z', 0);
  PostMessageA(edit, WM_CHAR, 'z', 0);
  ASSERT_TRUE(WaitUntil([&] { return CommandLine().size() == 259; }));
  EXPECT_FALSE(WaitUntil([&] { return CommandLine().size() > 259; }, 300));

  typed = "\"C:\\Program Files\\Mail\\mail.exe\" /a $NAME /s $DOSNAME";
  SetWindowTextA(edit, typed.c_str());
  driver_.Screenshot("wizard-user-defined");
  driver_.Press(PSBTN_BACK);
  ASSERT_TRUE(driver_.WaitForPage(kMailClientTitle));
  EXPECT_TRUE(Checked(kUserDefined));
  ASSERT_TRUE(driver_.NextTo(kUserDefinedTitle));
  EXPECT_EQ(CommandLine(), typed) << "kept, not read again";
  ASSERT_TRUE(driver_.NextTo(kFinishTitle));
  DWORD size = 0;
  EXPECT_EQ(Mailer(), 0u);
  EXPECT_EQ(StoredCommandLine(&size), typed);
  EXPECT_EQ(size, typed.size() + 1);
  EXPECT_EQ(SortedValueNames(), (std::vector<std::string>{"Mailer", "UserDefinedCmdLine"}));
  FinishSetup();
}

// What an earlier installation stored is offered again.
struct StoredCase {
  DWORD stored;
  const char* selected;
  bool predefined;
};

class StoredChoice : public MailPages, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredChoice, IsOfferedAgain) {
  const StoredCase& c = GetParam();
  ASSERT_TRUE(defaultClient_.SetText("Eudora"));  // never asked: a choice is stored
  ASSERT_NO_FATAL_FAILURE(StoreSetting("Mailer", REG_DWORD, &c.stored, sizeof c.stored));
  ASSERT_NO_FATAL_FAILURE(StoreSetting("UserDefinedCmdLine", REG_SZ, "old.exe $NAME", 14));
  ASSERT_NO_FATAL_FAILURE(StartAtMailClient());
  ExpectPreselected(c.selected, c.predefined);
  if (c.predefined) {
    EXPECT_TRUE(driver_.NextTo(kFinishTitle));
    EXPECT_EQ(StoredCommandLine(), "old.exe $NAME") << "left in place";
  } else {
    ASSERT_TRUE(driver_.NextTo(kUserDefinedTitle));
    EXPECT_EQ(CommandLine(), "old.exe $NAME");
    // Emptied, it is stored as an empty text.
    SetWindowTextA(Item(kCommandLine), "");
    ASSERT_TRUE(driver_.NextTo(kFinishTitle));
    DWORD size = 0;
    EXPECT_EQ(StoredCommandLine(&size), "");
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(Mailer(), 0u);
  }
  FinishSetup();
}

INSTANTIATE_TEST_SUITE_P(Numbers, StoredChoice,
                         ::testing::Values(StoredCase{3, "Microsoft Exchange Client", true},
                                           StoredCase{9, "Microsoft Outlook", true},
                                           StoredCase{0xFFFFFFFF, "Microsoft Outlook", true},
                                           StoredCase{0, "Microsoft Outlook", false}));

// Registry failures are shown with text 28, and the wizard goes on: a
// failed store leaves the user-defined flag as it was.
TEST_F(MailPages, ADeniedKeyOnTheMailClientPageIsShownAndLeavesTheFlag) {
  ASSERT_NO_FATAL_FAILURE(StartAtMailClient());
  ASSERT_NO_FATAL_FAILURE(Choose(kUserDefined));
  {
    DeniedKey denied(HKEY_LOCAL_MACHINE, kSettingsKey);
    ASSERT_TRUE(denied.Armed());
    driver_.Press(PSBTN_NEXT);
    ASSERT_NO_FATAL_FAILURE(ExpectRegistryErrorBox());
    // The flag is still false: the User-defined page passes by itself.
    ASSERT_TRUE(driver_.WaitForPage(kFinishTitle)) << driver_.PageTitle();
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey));
  FinishSetup();
}

// Stored once (the flag set), then a read-only key on the User-defined
// page: its Next reports and goes on to Finish, nothing written. Back on
// the Mail client page, a failed store keeps the flag set.
TEST_F(MailPages, AReadOnlyKeyOnTheUserDefinedPageIsShownAndTheWizardGoesOn) {
  ASSERT_NO_FATAL_FAILURE(StartAtMailClient());
  ASSERT_NO_FATAL_FAILURE(Choose(kUserDefined));
  ASSERT_TRUE(driver_.NextTo(kUserDefinedTitle));
  SetWindowTextA(Item(kCommandLine), "mail.exe $NAME");
  DeniedKey readOnly(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ);
  ASSERT_TRUE(readOnly.Armed());
  driver_.Press(PSBTN_BACK);
  ASSERT_TRUE(driver_.WaitForPage(kMailClientTitle));
  ASSERT_NO_FATAL_FAILURE(Choose(kPredefined));
  driver_.Press(PSBTN_NEXT);
  ASSERT_NO_FATAL_FAILURE(ExpectRegistryErrorBox());
  ASSERT_TRUE(driver_.WaitForPage(kUserDefinedTitle)) << "the flag is still set";
  EXPECT_FALSE(WaitUntil([&] { return driver_.PageTitle() != kUserDefinedTitle; }, 500)) << "and the page stays";
  driver_.Press(PSBTN_NEXT);
  ASSERT_NO_FATAL_FAILURE(ExpectRegistryErrorBox());
  ASSERT_TRUE(driver_.WaitForPage(kFinishTitle));
  EXPECT_EQ(StoredCommandLine(), "<absent>");
  EXPECT_EQ(Mailer(), 0u) << "the first store's";
  FinishSetup();
}

}  // namespace
