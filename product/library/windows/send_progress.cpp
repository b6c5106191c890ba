// The shell's progress dialog of one send, and its Cancel.
#include "windows/send_progress.h"

namespace {

constexpr DWORD kQuietStart = 500;  // milliseconds before a window shows

}  // namespace

SendProgress::SendProgress(HWND owner, bool shown, bool askOnCancel)
    : owner_(owner), shown_(shown), askOnCancel_(askOnCancel), started_(GetTickCount()) {}

bool SendProgress::Finish() {
  if (question_) {
    // Served while waiting: the shell's window may be the owner of ours.
    while (MsgWaitForMultipleObjects(1, &question_, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    CloseHandle(question_);
    question_ = nullptr;
    if (answer_ == IDYES) cancelled_ = true;
  }
  return !cancelled_;
}

SendProgress::~SendProgress() {
  if (question_) {
    // The send failed: a question still open has nothing left to stop.
    while (WaitForSingleObject(question_, 20) == WAIT_TIMEOUT)
      EnumThreadWindows(
          questionThread_,
          [](HWND window, LPARAM) CALLBACK -> BOOL {
            PostMessageW(window, WM_COMMAND, IDNO, 0);
            return TRUE;
          },
          0);
    CloseHandle(question_);
  }
  Close();
}

void SendProgress::Open() {
  if (FAILED(CoCreateInstance(CLSID_ProgressDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IProgressDialog,
                              reinterpret_cast<void**>(&dialog_))))
    dialog_ = nullptr;
  if (!dialog_) {
    shown_ = false;  // no window to be had: the send goes on without
    return;
  }
  dialog_->SetTitle(L"Parvello");
  dialog_->SetLine(1, L"Packing the selection into an archive:", FALSE, nullptr);
  if (FAILED(dialog_->StartProgressDialog(owner_, nullptr, PROGDLG_NORMAL | PROGDLG_NOMINIMIZE, nullptr))) Close();
}

void SendProgress::Close() {
  if (!dialog_) return;
  dialog_->StopProgressDialog();
  dialog_->Release();
  dialog_ = nullptr;
}

DWORD WINAPI SendProgress::Ask(void* parameter) {
  auto* self = static_cast<SendProgress*>(parameter);
  int answer = MessageBoxW(nullptr, L"Stop packing? Nothing is sent when you stop.", L"Parvello",
                           MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TASKMODAL);
  InterlockedExchange(&self->answer_, answer == IDYES ? IDYES : IDNO);
  return 0;
}

bool SendProgress::Advance(const std::wstring& current, ULONGLONG done) {
  if (cancelled_) return false;
  if (!shown_) return true;
  if (!dialog_) {
    if (GetTickCount() - started_ < kQuietStart) return true;
    Open();
    if (!dialog_) return true;
  }
  if (question_ && answer_) {
    CloseHandle(question_);
    question_ = nullptr;
    if (answer_ == IDYES) {
      cancelled_ = true;
      return false;
    }
    // No: the dialog knows only that it was cancelled; a new one goes on.
    answer_ = 0;
    Close();
    Open();
    if (!dialog_) return true;
  }
  if (!question_ && dialog_->HasUserCancelled()) {
    if (!askOnCancel_) {
      cancelled_ = true;
      return false;
    }
    question_ = CreateThread(nullptr, 0, Ask, this, 0, &questionThread_);
    if (!question_) {
      cancelled_ = true;
      return false;
    }
  }
  dialog_->SetLine(2, current.c_str(), TRUE, nullptr);
  if (total_) dialog_->SetProgress64(done, total_);
  return true;
}
