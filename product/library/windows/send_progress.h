// The progress window of one send: the shell's progress dialog, captioned
// "Parvello", shown once the send has taken half a second, with the file
// being packed, the share of the selection's bytes packed so far, and
// Cancel. With AskConfirmationOnCancel the user is asked first (No is the
// default) while the packing goes on; No brings the window back.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

class SendProgress {
 public:
  // `shown`: a window may show at all (the caller allows a user
  // interface, and HideProgressDialog is 0).
  SendProgress(HWND owner, bool shown, bool askOnCancel);
  ~SendProgress();
  SendProgress(const SendProgress&) = delete;
  SendProgress& operator=(const SendProgress&) = delete;

  bool Shown() const { return shown_; }
  void SetTotal(ULONGLONG bytes) { total_ = bytes; }
  // Between files and between blocks of a file: `done` bytes of the total
  // are packed. False once the user has cancelled (and confirmed it).
  bool Advance(const std::wstring& current, ULONGLONG done);
  // The packing is over: a Cancel question still open is waited for, as
  // nothing may be handed over before it is answered. False when the user
  // cancelled (and confirmed it): the caller sends nothing.
  bool Finish();

 private:
  void Open();
  void Close();
  static DWORD WINAPI Ask(void* self);

  HWND owner_;
  bool shown_, askOnCancel_;
  DWORD started_;
  ULONGLONG total_ = 0;
  IProgressDialog* dialog_ = nullptr;
  HANDLE question_ = nullptr;        // the thread that asks, while it asks
  DWORD questionThread_ = 0;
  volatile LONG answer_ = 0;         // IDYES or IDNO once answered
  bool cancelled_ = false;
};
