#include "harness/wizard_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <vector>

const char kSetupCaption[] = "Parvello 1.1 Setup";
const char kWelcomeTitle[] = "Welcome to Parvello 1.1 Setup";
const char kLicenceTitle[] = "License Agreement";
const char kCopyingTitle[] = "Copying Files";
const char kMailClientTitle[] = "Mail client";
const char kUserDefinedTitle[] = "User-defined mail client";
const char kFinishTitle[] = "Setup Completed";

namespace {

constexpr int kPageTitle = 1029;
constexpr int kMessageText = 0xFFFF;  // the static of a message box, in Wine

std::vector<HWND> SetupDialogs(DWORD processId) { return DialogsOf(processId, kSetupCaption); }

bool HasPages(HWND dialog) { return FindWindowExA(dialog, nullptr, "#32770", nullptr) != nullptr; }

// A message box's first item without an id is its text; the overwrite
// question's is its icon.
bool IsMessageBox(HWND dialog) {
  HWND text = GetDlgItem(dialog, kMessageText);
  return text && (GetWindowLongA(text, GWL_STYLE) & SS_TYPEMASK) != SS_ICON;
}

HWND FindSetupDialog(DWORD processId, const std::function<bool(HWND)>& matches, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND dialog : SetupDialogs(processId))
          if (matches(dialog)) found = dialog;
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

}  // namespace

bool WizardDriver::Start(const std::string& arguments) { return process_.Start(SetupPath(), arguments); }

bool WizardDriver::StartCopy(const std::string& exe) { return process_.Start(exe, ""); }

HWND WizardDriver::WaitForSheet(DWORD timeoutMs) {
  sheet_ = FindSetupDialog(process_.Id(), HasPages, timeoutMs);
  return sheet_;
}

HWND WizardDriver::CurrentPage() const {
  return sheet_ ? reinterpret_cast<HWND>(SendMessageA(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0)) : nullptr;
}

std::string WizardDriver::PageTitle() const {
  char text[256] = "";
  if (HWND page = CurrentPage()) GetDlgItemTextA(page, kPageTitle, text, sizeof text);
  return text;
}

bool WizardDriver::WaitForPage(const char* title, DWORD timeoutMs) {
  return WaitUntil([&] { return PageTitle() == title; }, timeoutMs);
}

bool WizardDriver::NextTo(const char* title) {
  Press(PSBTN_NEXT);
  return WaitForPage(title);
}

bool WizardDriver::StartAtMailClient() { return Start() && WalkToMailClient(); }

bool WizardDriver::WalkToMailClient() {
  return WaitForSheet() && WaitForPage(kWelcomeTitle) && NextTo(kLicenceTitle) && NextTo(kCopyingTitle) &&
         NextTo(kMailClientTitle);
}

void WizardDriver::Press(int psbtn) const { PostMessageA(sheet_, PSM_PRESSBUTTON, psbtn, 0); }

bool WizardDriver::ButtonEnabled(int id) const { return IsWindowEnabled(Button(id)) != 0; }
bool WizardDriver::ButtonShown(int id) const { return IsWindowVisible(Button(id)) != 0; }

HWND WizardDriver::WaitForMessageBox(DWORD timeoutMs) const {
  return FindSetupDialog(process_.Id(), IsMessageBox, timeoutMs);
}

HWND WizardDriver::WaitForMessageBox(const std::string& text, DWORD timeoutMs) const {
  return FindSetupDialog(
      process_.Id(), [&](HWND dialog) { return IsMessageBox(dialog) && MessageText(dialog) == text; }, timeoutMs);
}

HWND WizardDriver::WaitForQuestionDialog(DWORD timeoutMs) const {
  return FindSetupDialog(
      process_.Id(),
      [](HWND dialog) {
        return GetDlgItem(dialog, IDYES) && GetDlgItem(dialog, IDNO) && !IsMessageBox(dialog) && !HasPages(dialog);
      },
      timeoutMs);
}

std::string WizardDriver::MessageText(HWND box) {
  char text[2048] = "";
  GetDlgItemTextA(box, kMessageText, text, sizeof text);
  return text;
}

int WizardDriver::DefaultButton(HWND box) {
  static const int kIds[] = {IDOK, IDCANCEL, IDYES, IDNO};
  for (int id : kIds) {
    HWND button = GetDlgItem(box, id);
    if (button && (GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON) return id;
  }
  return 0;
}

void WizardDriver::Answer(HWND box, int id) {
  PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

void WizardDriver::Click(HWND window) {
  RECT area;
  GetWindowRect(window, &area);
  ClickAt((area.left + area.right) / 2, (area.top + area.bottom) / 2);
}

void WizardDriver::ClickAt(int x, int y) {
  SetCursorPos(x, y);
  INPUT input[3] = {};
  for (INPUT& event : input) event.type = INPUT_MOUSE;
  // Wine routes a click by where the cursor is; the move makes it real.
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, input, sizeof(INPUT));
}

HWND WizardDriver::WaitForPopupMenu(DWORD timeoutMs) const {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindVisibleWindow("#32768", process_.Id())) != nullptr; }, timeoutMs);
  return found;
}

HWND WizardDriver::FocusOf(HWND window) const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  return info.hwndFocus;
}

DWORD WizardDriver::WaitForExit(DWORD timeoutMs) {
  if (!process_.Wait(timeoutMs)) return 0xFFFFFFFF;
  return process_.ExitCode();
}

bool WizardDriver::Running() const { return process_.ExitCode() == STILL_ACTIVE; }

bool WizardDriver::Screenshot(const char* name) const {
  for (HWND dialog : SetupDialogs(process_.Id()))
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return SaveScreenshot(name);
}

DWORD WizardDriver::CancelSetup() {
  Press(PSBTN_CANCEL);
  HWND box = WaitForMessageBox();
  if (!box) return 0xFFFFFFFF;
  Answer(box, IDYES);
  return WaitForExit();
}

std::vector<std::string> WizardDriver::ClippedTexts(HWND dialog, const char* face, int dpi) {
  std::vector<HWND> statics;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM param) CALLBACK -> BOOL {
        char className[16] = "";
        GetClassNameA(child, className, sizeof className);
        LONG type = GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK;
        if (lstrcmpiA(className, "Static") == 0 && GetDlgCtrlID(child) != kPageTitle &&
            (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) && IsWindowVisible(child))
          reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&statics));
  std::vector<std::string> clipped;
  HDC dc = GetDC(dialog);
  LOGFONTA description = {};
  description.lfHeight = -MulDiv(8, dpi ? dpi : GetDeviceCaps(dc, LOGPIXELSY), 72);
  lstrcpynA(description.lfFaceName, face, LF_FACESIZE);
  HFONT font = CreateFontIndirectA(&description);
  HGDIOBJ previous = SelectObject(dc, font);
  for (HWND control : statics) {
    std::string text = ControlText(control);
    if (text.empty()) continue;
    RECT room, needed;
    GetClientRect(control, &room);
    needed = {0, 0, room.right, 0};
    bool oneLine = GetWindowLongA(control, GWL_STYLE) & SS_CENTERIMAGE;
    DrawTextA(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_EXPANDTABS | (oneLine ? DT_SINGLELINE : DT_WORDBREAK));
    if (needed.bottom > room.bottom || needed.right > room.right) clipped.push_back(text);
  }
  SelectObject(dc, previous);
  DeleteObject(font);
  ReleaseDC(dialog, dc);
  return clipped;
}
