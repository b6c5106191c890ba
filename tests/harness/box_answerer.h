// Answers the message boxes of one caption that this process shows, from a
// thread of its own, and keeps their texts: for code under test that shows
// a modal box on the test's own thread.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class BoxAnswerer {
 public:
  // Each box is answered with `answer` (a button's command id).
  explicit BoxAnswerer(const char* caption, int answer = IDOK);
  // Its window search asks this thread for window texts: waits serving them.
  ~BoxAnswerer();
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  // The "caption|text" of every box answered so far.
  std::vector<std::string> Seen();

 private:
  static DWORD WINAPI Run(void* self);

  std::string caption_;
  int answer_;
  CRITICAL_SECTION lock_;
  std::vector<std::string> seen_;
  volatile bool stop_ = false;
  HANDLE thread_;
};
