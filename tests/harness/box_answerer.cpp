#include "harness/box_answerer.h"

#include "harness/harness.h"

BoxAnswerer::BoxAnswerer(const char* caption, int answer) : caption_(caption), answer_(answer) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() {
  stop_ = true;
  WaitUntil([&] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }, 5000);
  CloseHandle(thread_);
  DeleteCriticalSection(&lock_);
}

std::vector<std::string> BoxAnswerer::Seen() {
  EnterCriticalSection(&lock_);
  std::vector<std::string> seen = seen_;
  LeaveCriticalSection(&lock_);
  return seen;
}

DWORD WINAPI BoxAnswerer::Run(void* self) {
  auto* answerer = static_cast<BoxAnswerer*>(self);
  for (;;) {
    std::vector<HWND> boxes;
    WaitUntil([&] {
      boxes = DialogsOf(GetCurrentProcessId(), answerer->caption_.c_str());
      return answerer->stop_ || !boxes.empty();
    }, INFINITE);
    if (boxes.empty()) return 0;
    for (HWND box : boxes) {
      char text[2048] = "";
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      EnterCriticalSection(&answerer->lock_);
      answerer->seen_.push_back(answerer->caption_ + "|" + text);
      LeaveCriticalSection(&answerer->lock_);
      PostMessageA(box, WM_COMMAND, answerer->answer_, 0);
      WaitUntil([&] { return !IsWindowVisible(box); }, 5000);
    }
  }
}
