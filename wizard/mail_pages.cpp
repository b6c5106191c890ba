// The mail client pages: the choice among the predefined clients and the
// command line of a user-defined one.
#include <string.h>

#include "app/texts.h"
#include "settings/mail_client.h"
#include "wizard/page_frame.h"
#include "wizard/pages.h"

namespace {

// Set when the Mail client page has stored its choice: whether that choice
// was the user-defined client. The User-defined page shows itself, and
// stores its command line, only then.
bool g_userDefinedChosen;

// The Insert Macro menu's commands: the first macro's, the next one's.
constexpr UINT kFirstMacroCommand = 104;
constexpr UINT kMacroCount = sizeof kMailMacros / sizeof kMailMacros[0];

void ReportRegistryError(HWND page) {
  MessageBoxA(page, Text(IDS_REGISTRY_ERROR), Text(IDS_SETUP_CAPTION), MB_OK | MB_ICONERROR);
}

bool IsChecked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void SetUpMailClientPage(HWND page) {
  MailChoice choice;
  ReadStoredMailChoice(choice);
  HWND list = GetDlgItem(page, IDC_MAIL_CLIENT_LIST);
  for (const char* name : kMailClientNames) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  bool predefined = choice.number != kUserDefinedMailer;
  SendMessageA(list, CB_SETCURSEL, predefined ? choice.number - 1 : 0, 0);
  CheckRadioButton(page, IDC_PREDEFINED_CLIENT, IDC_USER_DEFINED_CLIENT,
                   predefined ? IDC_PREDEFINED_CLIENT : IDC_USER_DEFINED_CLIENT);
  EnableWindow(list, predefined);
}

void StoreMailClientChoice(HWND page) {
  DWORD number = kUserDefinedMailer;
  if (IsChecked(page, IDC_PREDEFINED_CLIENT)) {
    LRESULT selected = SendDlgItemMessageA(page, IDC_MAIL_CLIENT_LIST, CB_GETCURSEL, 0, 0);
    number = static_cast<DWORD>(selected + 1);
  }
  if (StorePredefinedChoice(number))
    g_userDefinedChosen = IsChecked(page, IDC_USER_DEFINED_CLIENT);
  else
    ReportRegistryError(page);
}

// The menu hangs below the Insert Macro control, right edges aligned; the
// chosen item arrives as WM_COMMAND with its id.
void OpenMacroMenu(HWND page) {
  RECT area;
  GetWindowRect(GetDlgItem(page, IDC_INSERT_MACRO), &area);
  SetForegroundWindow(page);
  HMENU menu = CreatePopupMenu();
  if (!menu) return;
  for (UINT i = 0; i < kMacroCount; ++i) AppendMenuA(menu, MF_STRING, kFirstMacroCommand + i, kMailMacros[i].item);
  TrackPopupMenu(menu, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, area.right, area.bottom, 0, page, nullptr);
  DestroyMenu(menu);
  // The known remedy for a popup menu that the next click outside would
  // not close: a posted message switches the task back. Nothing acts on it.
  PostMessageA(page, WM_USER, 0, 0);
}

// The macro goes in place of the selection (at the caret when nothing is
// selected), but only when the whole text with it still fits.
void InsertMacro(HWND page, const char* macro) {
  HWND edit = GetDlgItem(page, IDC_COMMAND_LINE);
  int length = GetWindowTextLengthA(edit);
  if (static_cast<int>(strlen(macro)) + length > kCommandLineSize - 1) return;
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(macro));
  // Back to typing, after the macro. SetFocus, unlike Tab, selects nothing.
  SetFocus(edit);
}

void SetUpUserDefinedPage(HWND page) {
  HWND edit = GetDlgItem(page, IDC_COMMAND_LINE);
  SendMessageA(edit, EM_LIMITTEXT, kCommandLineSize - 1, 0);
  MailChoice choice;
  ReadStoredMailChoice(choice);
  SetWindowTextA(edit, choice.commandLine);
}

void StoreCommandLine(HWND page) {
  char commandLine[kCommandLineSize];
  GetDlgItemTextA(page, IDC_COMMAND_LINE, commandLine, sizeof commandLine);
  if (!StoreUserDefinedChoice(commandLine)) ReportRegistryError(page);
}

}  // namespace

INT_PTR CALLBACK MailClientPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      DecoratePage(page, decoration);
      SetUpMailClientPage(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_PREDEFINED_CLIENT || LOWORD(wParam) == IDC_USER_DEFINED_CLIENT)
        EnableWindow(GetDlgItem(page, IDC_MAIL_CLIENT_LIST), LOWORD(wParam) == IDC_PREDEFINED_CLIENT);
      return TRUE;
    case WM_NOTIFY:
      // Stored or not, the wizard goes on: a failure has been shown.
      if (reinterpret_cast<const NMHDR*>(lParam)->code == PSN_WIZNEXT) {
        StoreMailClientChoice(page);
        return Answer(page, 0);
      }
      break;
  }
  // The copy is behind: there is no way back to it.
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_NEXT);
}

INT_PTR CALLBACK UserDefinedPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      DecoratePage(page, decoration);
      SetUpUserDefinedPage(page);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_INSERT_MACRO && HIWORD(wParam) == BN_CLICKED) OpenMacroMenu(page);
      if (LOWORD(wParam) >= kFirstMacroCommand && LOWORD(wParam) < kFirstMacroCommand + kMacroCount)
        InsertMacro(page, kMailMacros[LOWORD(wParam) - kFirstMacroCommand].text);
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
          SetWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
          // A predefined client needs no command line: pass at once.
          if (!g_userDefinedChosen) PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
          return Answer(page, 0);
        case PSN_WIZNEXT:
          if (g_userDefinedChosen) StoreCommandLine(page);
          return Answer(page, 0);
      }
      break;
  }
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_BACK | PSWIZB_NEXT);
}
