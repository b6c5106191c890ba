// Sending a selection, in the foreground or on a thread of its own.
#include "shell/background_send.h"

#include <new>

#include "mail/fit_for_mail.h"
#include "mail/mail_handover.h"
#include "packing/packer.h"
#include "settings/options.h"
#include "shell/module.h"
#include "windows/send_progress.h"

namespace {

// A command the caller lets run on (CMIC_MASK_ASYNCOK): packing a large
// selection takes seconds, which the shell's window should not wait.
struct BackgroundSend {
  std::vector<std::wstring> selection;
  HWND owner;
  bool quiet;
};

DWORD WINAPI RunBackgroundSend(void* parameter) {
  auto* job = static_cast<BackgroundSend*>(parameter);
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // for the shell's folder window
  SendWithParvello(job->selection, job->owner, job->quiet);
  if (SUCCEEDED(com)) CoUninitialize();
  delete job;
  ObjectDestroyed();
  // The job held the library loaded: it lets go of it as the thread ends.
  FreeLibraryAndExitThread(g_libraryModule, 0);
}

// The user decides whether an archive without the unread items is sent.
bool AskToSendWithout(const std::wstring& unread, void* owner) {
  std::wstring question = L"Parvello cannot read these items:\n" + unread +
                          L"\nSend the archive without them? Choose No to send nothing.";
  return MessageBoxW(static_cast<HWND>(owner), question.c_str(), L"Parvello",
                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

}  // namespace

int SendInBackground(const std::vector<std::wstring>& selection, HWND owner, bool quiet) {
  BackgroundSend* job = new (std::nothrow) BackgroundSend{selection, owner, quiet};
  HMODULE self = nullptr;
  if (!job || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                  reinterpret_cast<LPCWSTR>(&RunBackgroundSend), &self)) {
    delete job;
    return 0;
  }
  ObjectCreated();  // the server stays while the job runs
  HANDLE thread = CreateThread(nullptr, 0, RunBackgroundSend, job, 0, nullptr);
  if (!thread) {
    ObjectDestroyed();
    FreeLibrary(self);
    delete job;
    return 0;
  }
  CloseHandle(thread);
  return 1;
}

HRESULT SendWithParvello(const std::vector<std::wstring>& selection, HWND owner, bool quiet) {
  ProductOptions options;
  ReadProductOptions(options);
  PackOutcome pack;
  {
    SendProgress progress(owner, !quiet && options.hideProgressDialog == 0, options.askConfirmationOnCancel != 0);
    pack = PackSelection(selection, options, quiet ? nullptr : AskToSendWithout, owner, &progress);
    // Once Cancel is pressed nothing goes out before the question is answered.
    if (pack.packed && !progress.Finish()) {
      DeleteFileW(pack.archive.c_str());
      pack.cancelled = true;
    }
  }
  if (pack.cancelled) return HRESULT_FROM_WIN32(ERROR_CANCELLED);
  std::wstring problem = pack.problem;
  HRESULT result = S_OK;
  std::vector<std::wstring> archives;
  FitOutcome fit =
      pack.packed ? FitForMail(pack.archive, options, owner, quiet, archives, problem) : FitOutcome::kFailed;
  if (fit == FitOutcome::kCancelled) return HRESULT_FROM_WIN32(ERROR_CANCELLED);
  if (fit == FitOutcome::kFailed)
    result = E_FAIL;
  else if (!HandToMailClient(archives, options, quiet, problem))
    result = HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION);
  if (FAILED(result) && !quiet) MessageBoxW(owner, problem.c_str(), L"Parvello", MB_OK | MB_ICONEXCLAMATION);
  return result;
}
