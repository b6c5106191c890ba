// The pages that carry no settings: Welcome, Licence and Finish.
#include "wizard/page_frame.h"
#include "wizard/pages.h"

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      // The start page is made while the sheet is: the moment to adjust it.
      if (HWND sheet = GetParent(page)) AdjustSheetWindow(sheet);
      DecoratePage(page, decoration);
      return TRUE;
    case WM_COMMAND:
      return TRUE;
    case WM_NOTIFY:
      return FrameNotification(page, reinterpret_cast<const NMHDR*>(lParam), PSWIZB_NEXT, true);
  }
  return FALSE;
}

INT_PTR CALLBACK LicencePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      DecoratePage(page, decoration);
      return TRUE;
    case WM_COMMAND:
      return TRUE;
    case WM_NOTIFY:
      return FrameNotification(page, reinterpret_cast<const NMHDR*>(lParam), PSWIZB_BACK | PSWIZB_NEXT, true);
  }
  return FALSE;
}

INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      DecoratePage(page, decoration);
      return TRUE;
    case WM_COMMAND:
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* note = reinterpret_cast<const NMHDR*>(lParam);
      if (note->code == PSN_WIZFINISH) return Answer(page, 0);
      INT_PTR handled = FrameNotification(page, note, PSWIZB_FINISH, false);
      // Everything is installed by now: Cancel would no longer cancel.
      if (note->code == PSN_SETACTIVE) PostMessageA(GetParent(page), PSM_CANCELTOCLOSE, 0, 0);
      return handled;
    }
  }
  return FALSE;
}
