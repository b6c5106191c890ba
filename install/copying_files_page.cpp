#include "install/copying_files_page.h"

#include "app/texts.h"
#include "install/copy_worker.h"
#include "wizard/page_frame.h"

namespace {

constexpr DWORD kButtons = PSWIZB_BACK | PSWIZB_NEXT;
// A PSN_WIZNEXT answer that names no page: the sheet stays.
constexpr LONG_PTR kStayOnPage = 1;

// The Cancel question is open (its message loop runs inside the page's
// handling of Cancel), and the worker's press of Next arrived meanwhile:
// the press waits for the answer. Both live on the page's thread only.
bool g_questionOpen;
bool g_pressHeld;

// The page knows the worker's own press of Next by its report, not by who
// pressed: Wine presses Next and Back by message even while they are
// disabled, so any other Next may arrive while a worker runs, and the page
// may have been left and entered again meanwhile.
INT_PTR OnNext(HWND page) {
  if (g_copyOutcome.reported && g_questionOpen) {
    g_pressHeld = true;
    return Answer(page, kStayOnPage);
  }
  if (g_copyOutcome.reported) {
    if (g_copyOutcome.completed) return Answer(page, 0);
    // The worker has shown its failure already.
    ExitProcess(1);
  }
  // Back and Next stay disabled until the worker has finished.
  SetWizardButtons(page, 0);
  switch (StartCopyWorker(page)) {
    case kCopyStarted:
    case kCopyStillRunning:
      return Answer(page, kStayOnPage);
    case kCopyNotStarted:
      break;
  }
  MessageBoxA(page, Text(IDS_INTERNAL_ERROR), Text(IDS_SETUP_CAPTION), MB_OK | MB_ICONERROR);
  ExitProcess(1);
}

// A press held while the question was open acts after a No, as pressed;
// after a Yes the sheet closes without it.
INT_PTR OnQueryCancel(HWND page) {
  int paused = PauseCopyWorker();
  g_questionOpen = true;
  g_pressHeld = false;
  int leave = UserConfirmsCancel(page);
  g_questionOpen = false;
  if (paused) {
    if (leave)
      CancelCopyWorker();
    else
      ResumeCopyWorker();
  }
  if (!leave && g_pressHeld) PostMessageA(GetParent(page), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
  g_pressHeld = false;
  return Answer(page, !leave);
}

}  // namespace

INT_PTR CALLBACK CopyingFilesPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  if (message == WM_NOTIFY) {
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
      case PSN_SETACTIVE:
        // Entered again while a worker runs, the buttons stay as it set them.
        SetWizardButtons(page, CopyWorkerActive() ? 0 : kButtons);
        return Answer(page, 0);
      case PSN_WIZNEXT:
        return OnNext(page);
      case PSN_QUERYCANCEL:
        return OnQueryCancel(page);
    }
  }
  return FramePageMessage(page, message, lParam, decoration, kButtons);
}
