// The mail client pages: the choice among the predefined clients and the
// command line of a user-defined one.
#include "wizard/page_frame.h"
#include "wizard/pages.h"

INT_PTR CALLBACK MailClientPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  // The copy is behind: there is no way back to it.
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_NEXT);
}

INT_PTR CALLBACK UserDefinedPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_BACK | PSWIZB_NEXT);
}
