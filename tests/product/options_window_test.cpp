// The Options window as a person uses it: opened with Rundll32 or from the
// shell's menu with Shift held, its controls clicked and typed into, OK
// pressed; judged by what the window shows and says, and by the settings
// key, value by value, afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "product/library/resource_ids.h"
#include "product/shell_host.h"

namespace {

const char kRoot[] = "C:\\parvello-options-test";
const char kArchives[] = "C:\\parvello-options-test\\archives";
const char kFilters[] = "*.bak; ~*";
const char kCommandLine[] = "\"C:\\Mail\\mailer.exe\" /attach $NAME";
// The settings key as this process reaches the view that holds it.
#ifdef _WIN64
const char kSettingsKeyHere[] = "SOFTWARE\\Wow6432Node\\Quorvanta\\Parvello";
#else
const char kSettingsKeyHere[] = "SOFTWARE\\Quorvanta\\Parvello";
#endif

// Every value of the settings key: its type and its bytes.
std::map<std::string, std::pair<DWORD, std::string>> SettingsValues() {
  std::map<std::string, std::pair<DWORD, std::string>> values;
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ | kSettingsView, &key) != ERROR_SUCCESS)
    return values;
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[4096];
    DWORD nameLength = sizeof name, type = 0, size = sizeof data;
    if (RegEnumValueA(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    values[name] = {type, std::string(reinterpret_cast<char*>(data), size)};
  }
  RegCloseKey(key);
  return values;
}

std::pair<DWORD, std::string> Number(DWORD value) {
  return {REG_DWORD, std::string(reinterpret_cast<char*>(&value), sizeof value)};
}
// A text as a wide writer stores it, read back through the ANSI call: the
// text and its one zero byte.
std::pair<DWORD, std::string> Text(const std::string& value) { return {REG_SZ, value + std::string(1, '\0')}; }

// The visible Options windows of other processes (a message box of the
// window has its caption but none of its controls).
std::vector<HWND> OptionsWindows() {
  std::vector<HWND> found;
  for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", "Parvello Options"); window;
       window = FindWindowExA(nullptr, window, "#32770", "Parvello Options")) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != GetCurrentProcessId() && IsWindowVisible(window) && GetDlgItem(window, IDC_OPT_FOLDER))
      found.push_back(window);
  }
  return found;
}

// The program file of the process that owns `window`.
std::string ProgramOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process);
  char path[MAX_PATH] = "";
  DWORD size = MAX_PATH;
  if (handle && !QueryFullProcessImageNameA(handle, 0, path, &size)) path[0] = '\0';
  if (handle) CloseHandle(handle);
  return path;
}

// A message box the Options window of `owner` shows, or null.
HWND MessageOf(HWND options) {
  DWORD process = 0;
  GetWindowThreadProcessId(options, &process);
  for (HWND box : DialogsOf(process, "Parvello Options"))
    if (box != options && !GetDlgItem(box, IDC_OPT_FOLDER)) return box;
  return nullptr;
}

std::string Item(HWND window, int id) { return ControlText(GetDlgItem(window, id)); }

bool Checked(HWND window, int id) { return SendDlgItemMessageW(window, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool Enabled(HWND window, int id) { return IsWindowEnabled(GetDlgItem(window, id)) != 0; }

// Waits until the screen shows the whole window: its last control, the
// Cancel (or Close) button, with its text drawn.
bool Drawn(HWND window) {
  return WaitUntil([&] {
    RECT button;
    GetWindowRect(GetDlgItem(window, IDCANCEL), &button);
    return ShareOfColour(button, GetSysColor(COLOR_BTNTEXT)) > 0.02;
  });
}

// What a person does: a click, text typed over a field's text.
void Click(HWND window, int id) { SendDlgItemMessageW(window, id, BM_CLICK, 0, 0); }
void Type(HWND window, int id, const std::string& text) {
  SendDlgItemMessageW(window, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
  SendDlgItemMessageW(window, id, EM_SETSEL, text.size(), text.size());  // the caret at the end
}

// Presses OK and waits for the window's answer: a message box (its text),
// or the end of the window (an empty text).
std::string PressOk(HWND window) {
  PostMessageW(GetDlgItem(window, IDOK), BM_CLICK, 0, 0);
  HWND box = nullptr;
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window) || (box = MessageOf(window)) != nullptr; }));
  if (!box) return "";
  std::string said = StaticTexts(box);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  return said.empty() ? "(a message without text)" : said;
}

// The highlighted item of a menu of `count` items, as the screen shows it
// (another process's menu cannot be asked); -1 for none.
int Highlighted(HWND menu, int count) {
  RECT area;
  GetWindowRect(menu, &area);
  int height = (area.bottom - area.top) / count;
  for (int i = 0; i < count; ++i) {
    RECT band = {area.left, area.top + i * height, area.right, area.top + (i + 1) * height};
    if (ShareOfColour(band, GetSysColor(COLOR_HIGHLIGHT)) > 0.3) return i;
  }
  return -1;
}

// Picks the item at `position` of the Insert menu of `count` items that
// its button opens, with the keyboard. A key that reaches the menu before
// its loop runs is lost: the arrow is pressed again until the item is
// highlighted.
bool InsertFromMenu(HWND window, int button, int position, int count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  PostMessageW(GetDlgItem(window, button), BM_CLICK, 0, 0);
  HWND menu = nullptr;
  if (!WaitUntil([&] { return (menu = FindVisibleWindow("#32768", process)) != nullptr; })) return false;
  for (int tries = 0; Highlighted(menu, count) != position && tries < 20; ++tries) {
    int before = Highlighted(menu, count);
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    WaitUntil([&] { return Highlighted(menu, count) != before; }, 500);
  }
  if (Highlighted(menu, count) != position) return false;
  PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
  return WaitUntil([&] { return FindVisibleWindow("#32768", process) == nullptr; });
}

class OptionsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallFromScript(kRoot, std::string("TemporaryFolder=") + kArchives + "\r\nFileFilters=" + kFilters +
                                              "\r\nMailer=0\r\nUserDefinedCmdLine=" + kCommandLine +
                                              "\r\nShowIcon=2\r\n"));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  }

  void TearDown() override {
    for (HWND window : OptionsWindows()) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    WaitUntil([] { return OptionsWindows().empty(); });
    CoUninitialize();
    DeleteTree(kRoot);
    ResetProductState();
  }

  // "Rundll32.exe parvello.dll,Options", with this test's architecture.
  HWND Open(ChildProcess& rundll32) {
    std::string library = SystemDir() + "parvello.dll";
    EXPECT_TRUE(rundll32.Start(SystemDir() + "rundll32.exe", "\"" + library + "\",Options"));
    HWND window = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (window = FindDialogOf(rundll32.Id(), "Parvello Options")) != nullptr; }))
        << "no Options window";
    return window;
  }
};

TEST_F(OptionsWindow, ShowsTheSettingsAndWritesExactlyWhatTheUserChanged) {
  ChildProcess rundll32;
  HWND window = Open(rundll32);
  ASSERT_NE(window, nullptr);
  const auto installed = SettingsValues();
  ASSERT_EQ(installed.size(), 14u) << "the unattended setup stores all fourteen";

  // What the setup stored, shown.
  EXPECT_TRUE(Checked(window, IDC_OPT_USER_DEFINED));
  EXPECT_FALSE(Enabled(window, IDC_OPT_MAIL_CLIENTS)) << "the list is for a predefined client";
  EXPECT_EQ(Item(window, IDC_OPT_COMMAND_LINE), kCommandLine);
  EXPECT_EQ(SendDlgItemMessageW(window, IDC_OPT_MAIL_CLIENTS, CB_GETCOUNT, 0, 0), 8);
  EXPECT_EQ(Item(window, IDC_OPT_FILTERS), kFilters);
  EXPECT_EQ(Item(window, IDC_OPT_FOLDER), kArchives);
  EXPECT_EQ(Item(window, IDC_OPT_RETENTION), "7");
  EXPECT_EQ(Item(window, IDC_OPT_MESSAGE_BUDGET), "18000") << "the product's own default, which the setup stores not";
  EXPECT_TRUE(Checked(window, IDC_OPT_CHECK_TYPES));
  EXPECT_TRUE(Checked(window, IDC_OPT_NAME_CLICKED));
  EXPECT_FALSE(Enabled(window, IDC_OPT_TEMPLATE));
  for (int box : {IDC_OPT_LOW_PRIORITY, IDC_OPT_SHOW_ICON, IDC_OPT_SHOW_PROGRESS, IDC_OPT_ASK_ON_CANCEL})
    EXPECT_TRUE(Checked(window, box)) << box;
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, IDC_OPT_ELEVATE))) << "an administrator may change them";
  ASSERT_EQ(installed.at("ShowIcon"), Number(2)) << "shown checked, and kept as it is unless changed";
  EXPECT_TRUE(Drawn(window));
  SaveScreenshot("options-window");
  // Every box that a screen reader names by the label before it has one.
  // (The three whose label is a radio button answer with its words; asked
  // from here, through oleacc, Wine then fails this process's later
  // bitmaps now and then, so that is not asked here.)
  for (int box : {IDC_OPT_FILTERS, IDC_OPT_FOLDER, IDC_OPT_RETENTION, IDC_OPT_MESSAGE_BUDGET}) {
    HWND label = GetWindow(GetDlgItem(window, box), GW_HWNDPREV);
    char kind[16] = "";
    GetClassNameA(label, kind, sizeof kind);
    EXPECT_EQ(lstrcmpiA(kind, "Static"), 0) << box;
    EXPECT_FALSE(ControlText(label).empty()) << box;
  }

  // A command line that would never hand the archive over is refused;
  // Insert Macro mends it.
  Type(window, IDC_OPT_COMMAND_LINE, "\"C:\\Mail\\mailer.exe\" /attach ");
  EXPECT_NE(PressOk(window).find("neither $NAME nor $DOSNAME"), std::string::npos);
  ASSERT_TRUE(InsertFromMenu(window, IDC_OPT_COMMAND_MACRO, 1, 2));
  EXPECT_EQ(Item(window, IDC_OPT_COMMAND_LINE), "\"C:\\Mail\\mailer.exe\" /attach $DOSNAME");

  // Then a person changes their mind about the client, the days, the
  // priority, the names and the folder.
  Click(window, IDC_OPT_PREDEFINED);
  EXPECT_TRUE(Enabled(window, IDC_OPT_MAIL_CLIENTS));
  EXPECT_FALSE(Enabled(window, IDC_OPT_COMMAND_LINE));
  SendDlgItemMessageW(window, IDC_OPT_MAIL_CLIENTS, CB_SETCURSEL, 5, 0);  // Qualcomm Eudora
  Type(window, IDC_OPT_RETENTION, "");
  Click(window, IDC_OPT_LOW_PRIORITY);
  Click(window, IDC_OPT_NAME_TEMPLATE);
  ASSERT_TRUE(Enabled(window, IDC_OPT_TEMPLATE));
  Type(window, IDC_OPT_TEMPLATE, "Mail from ");
  ASSERT_TRUE(InsertFromMenu(window, IDC_OPT_TEMPLATE_MACRO, 1, 4));
  EXPECT_EQ(Item(window, IDC_OPT_TEMPLATE), "Mail from $FOLDER");
  const std::string underFile = std::string(kRoot) + "\\setup.ini\\archives";
  Type(window, IDC_OPT_FOLDER, underFile);

  // Each refusal names what is wrong; nothing is stored until all is right.
  EXPECT_NE(PressOk(window).find("number of days"), std::string::npos);
  Type(window, IDC_OPT_RETENTION, "30");
  Type(window, IDC_OPT_MESSAGE_BUDGET, "");
  EXPECT_NE(PressOk(window).find("in kilobytes"), std::string::npos);
  Type(window, IDC_OPT_MESSAGE_BUDGET, "9500");
  Click(window, IDC_OPT_CHECK_TYPES);
  std::string said = PressOk(window);
  EXPECT_NE(said.find("cannot make the archive folder"), std::string::npos) << said;
  EXPECT_NE(said.find(underFile), std::string::npos) << said;
  Type(window, IDC_OPT_FOLDER, "archives");
  EXPECT_NE(PressOk(window).find("full path"), std::string::npos);
  EXPECT_EQ(SettingsValues(), installed) << "a refused OK stores nothing";

  const std::string newFolder = std::string(kRoot) + "\\new archives";
  Type(window, IDC_OPT_FOLDER, newFolder);
  EXPECT_EQ(PressOk(window), "") << "the window closes";
  ASSERT_TRUE(rundll32.Wait());

  // Exactly the changed values, with the setup's types; the rest as it was.
  auto expected = installed;
  expected["Mailer"] = Number(6);
  expected["Retention"] = Number(30);
  expected["MaxArchiveKilobytes"] = Number(9500);
  expected["CheckRejectedTypes"] = Number(0);
  expected["LowPriority"] = Number(0);
  expected["UseCustom"] = Number(1);
  expected["NameTemplate"] = Text("Mail from $FOLDER");
  expected["TemporaryFolder"] = Text(newFolder);
  expected["UserDefinedCmdLine"] = Text("\"C:\\Mail\\mailer.exe\" /attach $DOSNAME");
  EXPECT_EQ(SettingsValues(), expected);
  EXPECT_TRUE(FileExists(newFolder + "\\parvello.folder")) << "the folder was made, as the product's own";

  // Opened again, it shows what it stored; Cancel stores nothing.
  ChildProcess again;
  window = Open(again);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(Checked(window, IDC_OPT_PREDEFINED));
  EXPECT_EQ(SendDlgItemMessageW(window, IDC_OPT_MAIL_CLIENTS, CB_GETCURSEL, 0, 0), 5);
  EXPECT_TRUE(Checked(window, IDC_OPT_NAME_TEMPLATE));
  EXPECT_FALSE(Checked(window, IDC_OPT_LOW_PRIORITY));
  EXPECT_EQ(Item(window, IDC_OPT_FOLDER), newFolder);
  // Browse offers the folders of the computer, asked to start at the one
  // shown; OK there puts the chosen folder's full path in. (Wine's browser
  // now and then ignores where to start, so the test takes the folder the
  // browser names as chosen.)
  Type(window, IDC_OPT_FOLDER, newFolder + "\\");
  PostMessageW(GetDlgItem(window, IDC_OPT_BROWSE), BM_CLICK, 0, 0);
  HWND browser = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND found = FindWindowExA(nullptr, nullptr, "#32770", nullptr); found && !browser;
         found = FindWindowExA(nullptr, found, "#32770", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(found, &owner);
      if (owner == again.Id() && found != window && IsWindowVisible(found)) browser = found;
    }
    return browser != nullptr;
  })) << "no folder browser";
  HWND chosen = FindWindowExA(browser, nullptr, "Edit", nullptr);  // the browser's Folder field
  ASSERT_TRUE(WaitUntil([&] { return !ControlText(chosen).empty(); }));
  const std::string name = ControlText(chosen);
  PostMessageW(browser, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(browser); }));
  const std::string picked = Item(window, IDC_OPT_FOLDER);
  EXPECT_TRUE(picked.size() > name.size() && picked.compare(picked.size() - name.size(), name.size(), name) == 0 &&
              picked[1] == ':')
      << picked << " for " << name;
  Type(window, IDC_OPT_RETENTION, "1");
  // Help, and F1, open the help's Settings topic in the HTML Help viewer,
  // titled as the help; it outlives the window, whose process serves it
  // until it is closed.
  auto viewer = [&] { return FindVisibleWindow("HH Parent", again.Id()); };
  PostMessageW(GetDlgItem(window, IDHELP), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return viewer() != nullptr; })) << "no HTML Help viewer";
  EXPECT_EQ(ControlText(viewer()), "Parvello 1.1 Help");
  SaveScreenshot("options-help");
  PostMessageW(viewer(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return viewer() == nullptr; }));
  // F1 typed on the keyboard, with the window in front.
  SetForegroundWindow(window);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; }));
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(2, keys, sizeof keys[0]), 2u);
  ASSERT_TRUE(WaitUntil([&] { return viewer() != nullptr; })) << "F1 opens no help";
  PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
  EXPECT_NE(viewer(), nullptr) << "the help stays when the window closes";
  EXPECT_EQ(again.ExitCode(), STILL_ACTIVE);
  PostMessageW(viewer(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(again.Wait());
  EXPECT_EQ(SettingsValues(), expected);
  RemoveArchiveFolder(newFolder);
}

// From the shell: Shift and the right mouse button offer the window; a
// user who may not change the settings sees them read-only, with the
// button that asks for administrator rights.
TEST_F(OptionsWindow, OpensFromTheShellAndIsReadOnlyForAUserWhoMayNotWrite) {
  std::string file = std::string(kRoot) + "\\setup.ini";
  IContextMenu* menu = MenuFor({Wide(file)});
  ASSERT_NE(menu, nullptr);
  HMENU plain = CreatePopupMenu(), extended = CreatePopupMenu();
  EXPECT_EQ(menu->QueryContextMenu(plain, 0, 100, 200, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1));
  EXPECT_EQ(GetMenuItemCount(plain), 1) << "without Shift, only the send";
  EXPECT_EQ(menu->QueryContextMenu(extended, 0, 100, 200, CMF_NORMAL | CMF_EXTENDEDVERBS),
            MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2));
  ASSERT_EQ(GetMenuItemCount(extended), 2);
  char text[64] = "";
  GetMenuStringA(extended, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "Parvello Options...");
  EXPECT_EQ(GetMenuItemID(extended, 1), 101u);
  char verb[64] = "";
  EXPECT_EQ(menu->GetCommandString(1, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
  EXPECT_STREQ(verb, "ParvelloOptions");
  DestroyMenu(plain);
  DestroyMenu(extended);

  const auto installed = SettingsValues();
  {
    // Nobody may open the key: the window says so and offers the shield.
    DeniedKey denied(HKEY_LOCAL_MACHINE, kSettingsKeyHere);
    ASSERT_TRUE(denied.Armed());
    ASSERT_EQ(InvokeByVerb(menu, "ParvelloOptions"), S_OK);
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return OptionsWindows().size() == 1 && (window = OptionsWindows()[0]); }))
        << "the verb opens the window in a process of its own";
    // The library's own architecture's Rundll32, named by its real folder.
    EXPECT_EQ(lstrcmpiA(ProgramOf(window).c_str(), (RealSystemDir() + "rundll32.exe").c_str()), 0)
        << ProgramOf(window);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(GetDlgItem(window, IDC_OPT_ELEVATE)) != 0; }));
    EXPECT_TRUE(Enabled(window, IDC_OPT_ELEVATE));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_OPT_READ_ONLY_NOTE)));
    for (int input : {IDOK, IDC_OPT_FOLDER, IDC_OPT_RETENTION, IDC_OPT_PREDEFINED, IDC_OPT_SHOW_ICON})
      EXPECT_FALSE(Enabled(window, input)) << input;
    EXPECT_EQ(Item(window, IDCANCEL), "Close");
    EXPECT_TRUE(Drawn(window));
    SaveScreenshot("options-read-only");

    // The shield reopens the window with administrator rights (Wine gives
    // them at once) and the first one goes.
    DWORD first = 0;
    GetWindowThreadProcessId(window, &first);
    PostMessageW(GetDlgItem(window, IDC_OPT_ELEVATE), BM_CLICK, 0, 0);
    HWND elevated = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
      std::vector<HWND> windows = OptionsWindows();
      DWORD owner = 0;
      if (windows.size() == 1) GetWindowThreadProcessId(windows[0], &owner);
      elevated = windows.size() == 1 && owner != first ? windows[0] : nullptr;
      return !IsWindow(window) && elevated;
    })) << "the window with administrator rights; the first one: " << (IsWindow(window) ? "open" : "gone")
               << (MessageOf(window) ? ", saying " + StaticTexts(MessageOf(window)) : "");
    if (elevated) {
      EXPECT_EQ(lstrcmpiA(ProgramOf(elevated).c_str(), (RealSystemDir() + "rundll32.exe").c_str()), 0)
          << ProgramOf(elevated);
      PostMessageW(elevated, WM_COMMAND, IDCANCEL, 0);
    }
    EXPECT_TRUE(WaitUntil([] { return OptionsWindows().empty(); }));
  }
  {
    // A user who may read but not write: Windows refuses the opening for
    // writing, Wine only the writes; either way nothing is stored and the
    // shield is offered.
    DeniedKey readOnly(HKEY_LOCAL_MACHINE, kSettingsKeyHere, KEY_READ);
    ASSERT_TRUE(readOnly.Armed());
    ChildProcess rundll32;
    HWND window = Open(rundll32);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Item(window, IDC_OPT_FILTERS), kFilters) << "the settings are shown as they are";
    if (Enabled(window, IDOK)) {
      Type(window, IDC_OPT_RETENTION, "9");
      EXPECT_NE(PressOk(window).find("Only an administrator"), std::string::npos);
    }
    EXPECT_FALSE(Enabled(window, IDOK));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(window, IDC_OPT_ELEVATE)));
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(rundll32.Wait());
  }
  EXPECT_EQ(SettingsValues(), installed);
  menu->Release();
}

}  // namespace
