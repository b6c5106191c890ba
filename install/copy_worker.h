// The installation as the wizard runs it: the five steps on a thread of
// their own, while the Copying Files page shows progress and stays
// responsive. The page and the worker share only what is here.
#pragma once
#include <windows.h>

constexpr int kCopySteps = 5;  // three file steps, the registration, the archive folder

// Set by the worker, read by the page when Next is pressed.
struct CopyOutcome {
  volatile LONG completed;  // all five steps done
  volatile LONG reported;   // the worker has finished, shown any failure, and is about to press Next itself
};
extern CopyOutcome g_copyOutcome;

// 1 from the start of a worker until its thread has ended and nobody holds
// its events any more.
int CopyWorkerActive();

enum CopyStart { kCopyStarted, kCopyStillRunning, kCopyNotStarted };
// Makes the go and cancel events and starts the worker for `page`.
// kCopyStillRunning while an earlier worker is active (nothing is started:
// new events would be closed under it); kCopyNotStarted when the events or
// the thread could not be made (nothing is left open).
CopyStart StartCopyWorker(HWND page);

// The Cancel question: pausing makes a running worker halt before its next
// step. Returns 1 when a worker was running; only then must the answer be
// passed on with ResumeCopyWorker or CancelCopyWorker.
int PauseCopyWorker();
void ResumeCopyWorker();
void CancelCopyWorker();  // the worker ends before its next step, silently

// After the sheet has closed: lets the step in progress finish, so that no
// file or key is left half written.
void WaitForCopyWorker();
