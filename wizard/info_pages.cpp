// The pages that carry no settings: Welcome, Licence and Finish.
#include "wizard/page_frame.h"
#include "wizard/pages.h"

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  // The start page is made while the sheet is: the moment to adjust it.
  if (message == WM_INITDIALOG)
    if (HWND sheet = GetParent(page)) AdjustSheetWindow(sheet);
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_NEXT);
}

INT_PTR CALLBACK LicencePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_BACK | PSWIZB_NEXT);
}

INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  if (message == WM_NOTIFY) {
    const NMHDR* note = reinterpret_cast<const NMHDR*>(lParam);
    if (note->code == PSN_WIZFINISH) return Answer(page, 0);
    // Everything is installed by now: Cancel would no longer cancel.
    if (note->code == PSN_SETACTIVE) PostMessageA(GetParent(page), PSM_CANCELTOCLOSE, 0, 0);
  }
  return FramePageMessage(page, message, lParam, decoration, PSWIZB_FINISH, false);
}
