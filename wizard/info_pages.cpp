// The pages that carry no settings: Welcome, Licence and Finish.
#include <string.h>

#include "app/directories.h"
#include "app/startup.h"
#include "controls/system_look.h"
#include "install/embedded_files.h"
#include "resource_ids.h"
#include "wizard/overview_help.h"
#include "wizard/page_frame.h"
#include "wizard/pages.h"

namespace {

// The licence text: resource 144 of type "FILE", in whatever language,
// exactly its size in bytes. It carries no terminating zero, so the box
// gets a terminated copy. Without the resource the box stays empty.
void ShowLicence(HWND page) {
  HRSRC found = FindResourceA(g_module, MAKEINTRESOURCEA(IDR_LICENCE), "FILE");
  HGLOBAL loaded = found ? LoadResource(g_module, found) : nullptr;
  const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!text) return;
  DWORD size = SizeofResource(g_module, found);
  char* copy = static_cast<char*>(LocalAlloc(LMEM_FIXED, size + 1));
  if (!copy) return;
  memcpy(copy, text, size);
  copy[size] = '\0';
  HWND box = GetDlgItem(page, IDC_LICENCE_TEXT);
  SendMessageA(box, EM_LIMITTEXT, size, 0);
  SetWindowTextA(box, copy);
  LocalFree(copy);
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  // The start page is made while the sheet is: the moment to adjust it.
  if (message == WM_INITDIALOG)
    if (HWND sheet = GetParent(page)) AdjustSheetWindow(sheet);
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_NEXT);
}

INT_PTR CALLBACK LicencePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      ShowLicence(page);
      break;
    case WM_COMMAND:
      // Entered by the keyboard, the box would select all: the reader
      // starts at the top with nothing selected.
      if (LOWORD(wParam) == IDC_LICENCE_TEXT && HIWORD(wParam) == EN_SETFOCUS)
        SendDlgItemMessageA(page, IDC_LICENCE_TEXT, EM_SETSEL, 0, 0);
      return TRUE;
    case WM_NEXTDLGCTL:
      // The licence box, a multi-line edit, passes Tab and Shift+Tab to
      // its parent, this page, where it is the only stop: the sheet moves
      // the focus on instead, to its buttons.
      if (!LOWORD(lParam)) {
        PostMessageA(GetParent(page), WM_NEXTDLGCTL, wParam, lParam);
        return TRUE;
      }
      break;
    case WM_CLOSE:
      // Escape in the licence box closes its parent: for this page that
      // is the sheet's Cancel, with its question.
      PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      return TRUE;
    case WM_CTLCOLORSTATIC:
      // The read-only box is white, as paper; every other text keeps the
      // dialog's colours. A high-contrast scheme's own colours hold for it too.
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(page, IDC_LICENCE_TEXT) && !HighContrastOn())
        return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
      return FALSE;
  }
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_BACK | PSWIZB_NEXT);
}

INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      CheckDlgButton(page, IDC_OPEN_OVERVIEW, BST_CHECKED);
      break;
    case WM_NOTIFY: {
      const NMHDR* note = reinterpret_cast<const NMHDR*>(lParam);
      if (note->code == PSN_WIZFINISH) {
        // The viewer stays open; the setup ends.
        if (IsDlgButtonChecked(page, IDC_OPEN_OVERVIEW) == BST_CHECKED) OpenOverview(page);
        return Answer(page, 0);
      }
      if (note->code == PSN_SETACTIVE) {
        INT_PTR handled = FramePageMessage(page, message, lParam, decoration, PSWIZB_FINISH, false);
        // Everything is installed by now: Cancel would no longer cancel.
        PostMessageA(GetParent(page), PSM_CANCELTOCLOSE, 0, 0);
        return handled;
      }
      break;
    }
  }
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_FINISH, false);
}
