// What every wizard page does alike: its decoration (the title as a
// caption bar, the side picture), its wizard buttons, its answers to the
// sheet's notifications and the confirmation of Cancel. Each page's own
// procedure adds what only that page does.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "controls/caption_bar.h"
#include "controls/picture.h"

// One per page, a static object of the page's procedure: created at the
// procedure's first call (caption bar first) and released at program end.
struct PageDecoration {
  CCaptionBar caption;
  CPicture picture;
};

// The caption bars' size mode on every page: the font fills the title's height.
constexpr UINT kCaptionFillsHeight = 1;
// Sent to a page after the sheet has moved to a display of another scale
// and rescaled the page (per-monitor awareness, Windows 10 1703 and later).
constexpr UINT kDpiChangedAfterParent = 0x02E3;

// The WM_INITDIALOG decoration: title control and side picture, the
// picture grown with the scale where it is not 100%.
void DecoratePage(HWND page, PageDecoration& decoration);
// After a change of scale: the title's font and the picture made again.
void RescalePage(HWND page, PageDecoration& decoration);

// Once, from the start page while the sheet is being made: caption and
// system menu with Move and Close only, no help button, the program's
// icons, centred on the screen; changes of colours and settings passed on
// to the pages.
void AdjustSheetWindow(HWND sheet);

// Posts the wizard buttons (PSWIZB_...) to the page's sheet; they change
// after the current notification has been answered.
void SetWizardButtons(HWND page, DWORD buttons);

// Stores `answer` as the page's reply to a notification; returns TRUE (the
// notification was handled).
INT_PTR Answer(HWND page, LONG_PTR answer);

// Asks whether to leave the setup, No being the default. 1 for Yes.
int UserConfirmsCancel(HWND page);

// The common answers: PSN_SETACTIVE posts `buttons`, PSN_KILLACTIVE,
// PSN_RESET and PSN_WIZNEXT answer 0, PSN_QUERYCANCEL asks when
// `confirmsCancel`. Returns FALSE for any other notification.
INT_PTR FrameNotification(HWND page, const NMHDR* note, DWORD buttons, bool confirmsCancel);

// Everything a page that adds nothing to the frame does: decoration on
// WM_INITDIALOG (TRUE, default focus), TRUE for WM_COMMAND, the frame's
// answers to notifications, FALSE otherwise. A page with more to do
// handles its own cases first and passes the rest here.
INT_PTR FramePageMessage(HWND page, UINT message, LPARAM lParam, PageDecoration& decoration, DWORD buttons,
                         bool confirmsCancel = true);
