#include "install/copying_files_page.h"

#include "app/texts.h"
#include "install/copy_worker.h"
#include "wizard/page_frame.h"

namespace {

constexpr DWORD kButtons = PSWIZB_BACK | PSWIZB_NEXT;
// A PSN_WIZNEXT answer that names no page: the sheet stays.
constexpr LONG_PTR kStayOnPage = 1;

// Set once this activation of the page has started a worker; only the
// page's (UI) thread uses it.
bool g_started;

INT_PTR OnNext(HWND page) {
  if (!g_started) {
    // Back and Next stay disabled until the worker has finished.
    SetWizardButtons(page, 0);
    switch (StartCopyWorker(page)) {
      case kCopyStarted:
        g_started = true;
        return Answer(page, kStayOnPage);
      case kCopyStillRunning:
        return Answer(page, kStayOnPage);
      case kCopyNotStarted:
        MessageBoxA(page, Text(IDS_INTERNAL_ERROR), Text(IDS_SETUP_CAPTION), MB_OK | MB_ICONERROR);
        ExitProcess(1);
    }
  }
  // A Next while the worker still runs (a disabled button can still be
  // pressed by message) is not its report: keep the page.
  if (!g_copyOutcome.reported) return Answer(page, kStayOnPage);
  if (g_copyOutcome.completed) return Answer(page, 0);
  // The worker has shown its failure already.
  ExitProcess(1);
}

INT_PTR OnQueryCancel(HWND page) {
  int paused = PauseCopyWorker();
  int leave = UserConfirmsCancel(page);
  if (paused) {
    if (leave)
      CancelCopyWorker();
    else
      ResumeCopyWorker();
  }
  return Answer(page, !leave);
}

}  // namespace

INT_PTR CALLBACK CopyingFilesPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static PageDecoration decoration;
  if (message == WM_NOTIFY) {
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
      case PSN_SETACTIVE:
        g_started = false;
        break;
      case PSN_WIZNEXT:
        return OnNext(page);
      case PSN_QUERYCANCEL:
        return OnQueryCancel(page);
    }
  }
  return FramePageMessage(page, message, lParam, decoration, kButtons);
}
