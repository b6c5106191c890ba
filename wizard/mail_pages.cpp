// The mail client pages: the choice among the predefined clients and the
// command line of a user-defined one.
#include "wizard/page_frame.h"
#include "wizard/pages.h"

INT_PTR CALLBACK MailClientPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  switch (message) {
    case WM_INITDIALOG:
      DecoratePage(page, decoration);
      return TRUE;
    case WM_COMMAND:
      return TRUE;
    case WM_NOTIFY:
      // The copy is behind: there is no way back to it.
      return FrameNotification(page, reinterpret_cast<const NMHDR*>(lParam), PSWIZB_NEXT, true);
  }
  return FALSE;
}

INT_PTR CALLBACK UserDefinedPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
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
