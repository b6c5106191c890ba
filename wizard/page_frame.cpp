#include "wizard/page_frame.h"

#include "app/startup.h"
#include "app/texts.h"
#include "controls/system_look.h"

namespace {

// At 100% the picture shows at its own size; at any other scale it runs
// down the page's whole height, its width in proportion.
void FitPictureToPage(HWND page, CPicture& picture) {
  UINT dpi = WindowDpi(page);
  if (dpi == 96 && picture.ShownHeight() == picture.Height()) return;
  RECT client;
  GetClientRect(page, &client);
  picture.SetShownHeight(dpi == 96 ? 0 : client.bottom);
  picture.SizeToBitmap();
}

WNDPROC g_sheetProcedure;

// The system tells only top-level windows of a change of colours or of a
// setting (high contrast among them): the sheet tells its pages, whose
// caption bar, picture and links then paint in the new scheme.
LRESULT CALLBACK SheetProcedure(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE)
    for (HWND child = GetWindow(sheet, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (GetPropA(child, "CaptionBar")) SendMessageA(child, message, wParam, lParam);
  return CallWindowProcA(g_sheetProcedure, sheet, message, wParam, lParam);
}

}  // namespace

void DecoratePage(HWND page, PageDecoration& decoration) {
  decoration.caption.Attach(GetDlgItem(page, IDC_PAGE_TITLE));
  decoration.picture.SetBitmapResource(g_module, IDB_SIDE_PICTURE);
  HWND picture = GetDlgItem(page, IDC_SIDE_PICTURE);
  decoration.picture.Attach(picture);
  decoration.picture.SizeToBitmap();
  FitPictureToPage(page, decoration.picture);
  // The picture's name for a screen reader; the picture paints over it.
  SetWindowTextA(picture, Text(IDS_DISPLAY_NAME));
}

void RescalePage(HWND page, PageDecoration& decoration) {
  // The title's control has been rescaled with the page; its font, the
  // caption bar's own, is made again for the new height.
  decoration.caption.SetSizeMode(kCaptionFillsHeight);
  FitPictureToPage(page, decoration.picture);
}

void AdjustSheetWindow(HWND sheet) {
  if (!g_sheetProcedure)
    g_sheetProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(sheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SheetProcedure)));
  SetWindowLongA(sheet, GWL_STYLE, GetWindowLongA(sheet, GWL_STYLE) | WS_CAPTION | WS_SYSMENU);
  SetWindowLongA(sheet, GWL_EXSTYLE, GetWindowLongA(sheet, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);

  // The sheet keeps its size: only Move and Close make sense.
  HMENU menu = GetSystemMenu(sheet, FALSE);
  static const UINT kDropped[] = {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE};
  for (UINT command : kDropped) DeleteMenu(menu, command, MF_BYCOMMAND);

  SendMessageA(sheet, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_smallIcon));
  SendMessageA(sheet, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_largeIcon));

  RECT frame;
  GetWindowRect(sheet, &frame);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  MoveWindow(sheet, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width,
             height, TRUE);
}

void SetWizardButtons(HWND page, DWORD buttons) {
  PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, buttons);
}

INT_PTR Answer(HWND page, LONG_PTR answer) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, answer);
  return TRUE;
}

int UserConfirmsCancel(HWND page) {
  return MessageBoxA(page, Text(IDS_CANCEL_QUESTION), Text(IDS_SETUP_CAPTION),
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

INT_PTR FrameNotification(HWND page, const NMHDR* note, DWORD buttons, bool confirmsCancel) {
  switch (note->code) {
    case PSN_SETACTIVE:
      SetWizardButtons(page, buttons);
      return Answer(page, 0);
    case PSN_KILLACTIVE:
    case PSN_RESET:
    case PSN_WIZNEXT:
      return Answer(page, 0);
    case PSN_QUERYCANCEL:
      // FALSE lets the sheet close; TRUE keeps it.
      if (!confirmsCancel) return FALSE;
      return Answer(page, !UserConfirmsCancel(page));
  }
  return FALSE;
}

INT_PTR FramePageMessage(HWND page, UINT message, LPARAM lParam, PageDecoration& decoration, DWORD buttons,
                         bool confirmsCancel) {
  switch (message) {
    case WM_INITDIALOG:
      DecoratePage(page, decoration);
      return TRUE;
    case WM_COMMAND:
      return TRUE;
    case kDpiChangedAfterParent:
      RescalePage(page, decoration);
      return TRUE;
    case WM_NOTIFY:
      return FrameNotification(page, reinterpret_cast<const NMHDR*>(lParam), buttons, confirmsCancel);
  }
  return FALSE;
}
