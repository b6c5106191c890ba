#include "install/copy_worker.h"

#include <commctrl.h>
#include <prsht.h>

#include "app/directories.h"
#include "app/texts.h"
#include "install/embedded_files.h"
#include "install/first_menu.h"
#include "install/shell_registration.h"
#include "settings/product_settings.h"

CopyOutcome g_copyOutcome;

namespace {

// What Windows 11's first menu step has to tell once the steps are done;
// empty when it has nothing to say.
wchar_t g_firstMenuNotice[kFirstMenuNoticeSize];

// The go event is manual-reset and signalled while the worker may begin
// steps; the cancel event is auto-reset. Both are used by the worker and,
// while it asks the Cancel question, by the page; whoever lets go of them
// last closes them, so neither ever touches a closed handle.
HANDLE g_goEvent;
HANDLE g_cancelEvent;
volatile LONG g_eventHolders;
HANDLE g_workerThread;

void CloseEvents() {
  if (g_goEvent) CloseHandle(g_goEvent);
  if (g_cancelEvent) CloseHandle(g_cancelEvent);
  g_goEvent = g_cancelEvent = nullptr;
}

void ReleaseEvents() {
  if (InterlockedDecrement(&g_eventHolders) == 0) CloseEvents();
}

// Waits until the worker may go on: not while the Cancel question is open.
// 0 when the user has confirmed the cancel.
int MayGoOn() {
  HANDLE events[2] = {g_goEvent, g_cancelEvent};
  return WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1;
}

// Runs one step. Returns 1 when the setup may go on; otherwise `message`
// holds what to tell the user.
int RunCopyStep(DWORD step, char* message) {
  if (step < kFileSteps) {
    DWORD failed = 0;
    if (InstallFileStep(step, failed)) return 1;
    const EmbeddedFile& file = g_embeddedFiles[failed];
    // The name (256 characters at most), the directory (519) and text 7
    // (254) fit; wsprintfA never writes more than 1,024 characters.
    wsprintfA(message, Text(IDS_COPY_FAILED), file.installedName, g_destinationDirs[file.destinationKind]);
    return 0;
  }
  if (step == kFileSteps) {
    if (!RegisterShellExtension()) {
      lstrcpynA(message, Text(IDS_REGISTER_FAILED), kTextSize);
      return 0;
    }
    // The classic menu is registered: a first menu that fails is told,
    // not a failed installation.
    InstallFirstMenu(g_firstMenuNotice);
    return 1;
  }
  // The product makes the folder itself when it needs one.
  char folder[kPathSize];
  GetTemporaryFolder(folder);
  MakeArchiveFolder(folder);
  return 1;
}

#ifdef PARVELLO_TEST_SEAMS
// Test builds only: between deciding to press Next and pressing it, the
// worker signals the event "<gate>-reached" and waits for "<gate>-open",
// the gate being named by PARVELLO_TEST_PRESS_GATE, so that a test can
// open the Cancel question in that gap.
void WaitAtTestGate() {
  char gate[64], name[80];
  DWORD length = GetEnvironmentVariableA("PARVELLO_TEST_PRESS_GATE", gate, sizeof gate);
  if (length == 0 || length >= sizeof gate) return;
  wsprintfA(name, "%s-reached", gate);
  HANDLE reached = OpenEventA(EVENT_MODIFY_STATE, FALSE, name);
  wsprintfA(name, "%s-open", gate);
  HANDLE open = OpenEventA(SYNCHRONIZE, FALSE, name);
  if (reached) SetEvent(reached);
  if (open) WaitForSingleObject(open, 30000);
  if (reached) CloseHandle(reached);
  if (open) CloseHandle(open);
}
#endif

// Every report waits, as every step does, while the Cancel question is
// open: a Yes then ends the worker silently, a No lets it report. The
// question may still open after the last wait; the page then holds the
// press until it is answered.
void Report(HWND page, const char* failure) {
  if (failure) {
    if (!MayGoOn()) return;
    MessageBoxA(page, failure, Text(IDS_SETUP_CAPTION), MB_OK | MB_ICONERROR);
  } else if (g_firstMenuNotice[0]) {
    if (!MayGoOn()) return;
    wchar_t caption[kTextSize];
    MultiByteToWideChar(CP_ACP, 0, Text(IDS_SETUP_CAPTION), -1, caption, kTextSize);
    MessageBoxW(page, g_firstMenuNotice, caption, MB_OK | MB_ICONWARNING);
  }
  if (!MayGoOn()) return;
#ifdef PARVELLO_TEST_SEAMS
  WaitAtTestGate();
#endif
  // The page tells success from failure by the completed flag when this
  // press arrives.
  InterlockedExchange(&g_copyOutcome.reported, 1);
  HWND sheet = GetParent(page);
  PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

DWORD WINAPI CopyWorker(void* parameter) {
  HWND page = static_cast<HWND>(parameter);
  HWND progress = GetDlgItem(page, IDC_COPY_PROGRESS);
  SendMessageA(progress, PBM_SETRANGE, 0, MAKELPARAM(0, kCopySteps));
  SendMessageA(progress, PBM_SETSTEP, 1, 0);
  ShowWindow(progress, SW_SHOW);

  char message[1024];
  const char* failure = nullptr;
  bool cancelled = false;
  for (DWORD step = 0; step < kCopySteps; ++step) {
    if (!MayGoOn()) {
      cancelled = true;
      break;
    }
    if (!RunCopyStep(step, message)) {
      failure = message;
      break;
    }
    SendMessageA(progress, PBM_STEPIT, 1, 0);
    if (step == kCopySteps - 1) InterlockedExchange(&g_copyOutcome.completed, 1);
  }
  if (!cancelled) Report(page, failure);
  ReleaseEvents();
  return 0;
}

}  // namespace

int CopyWorkerActive() {
  // The worker's thread lives on for a moment after it has let go of the
  // events; the page may hold them a while longer.
  return g_eventHolders != 0 || (g_workerThread && WaitForSingleObject(g_workerThread, 0) == WAIT_TIMEOUT);
}

CopyStart StartCopyWorker(HWND page) {
  if (CopyWorkerActive()) return kCopyStillRunning;
  if (g_workerThread) {
    CloseHandle(g_workerThread);
    g_workerThread = nullptr;
  }

  g_goEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  g_cancelEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!g_goEvent || !g_cancelEvent) {
    CloseEvents();
    return kCopyNotStarted;
  }
  g_copyOutcome.completed = 0;
  g_copyOutcome.reported = 0;
  g_firstMenuNotice[0] = L'\0';
  g_eventHolders = 1;
  g_workerThread = CreateThread(nullptr, 0, CopyWorker, page, 0, nullptr);
  if (!g_workerThread) {
    g_eventHolders = 0;
    CloseEvents();
    return kCopyNotStarted;
  }
  return kCopyStarted;
}

int PauseCopyWorker() {
  // Takes a share of the events only while the worker still holds them.
  for (;;) {
    LONG holders = g_eventHolders;
    if (holders == 0) return 0;
    if (InterlockedCompareExchange(&g_eventHolders, holders + 1, holders) == holders) break;
  }
  ResetEvent(g_goEvent);
  return 1;
}

void ResumeCopyWorker() {
  SetEvent(g_goEvent);
  ReleaseEvents();
}

void CancelCopyWorker() {
  SetEvent(g_cancelEvent);
  ReleaseEvents();
}

void WaitForCopyWorker() {
  if (!g_workerThread) return;
  // The worker may still be sending to the progress bar: serve sent
  // messages while waiting.
  while (MsgWaitForMultipleObjects(1, &g_workerThread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  CloseHandle(g_workerThread);
  g_workerThread = nullptr;
}
