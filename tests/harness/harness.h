// What the tests share: paths of the things under test inside Wine,
// starting the setup as a child process, waiting on conditions, files.
#pragma once
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

// A Unix path of the build as Wine sees it (Z:\...).
std::string WinePath(const char* unixPath);
// The setup program this suite runs: the 32-bit VOZAZIZA.EXE in the 32-bit
// suite, the 64-bit twin in the 64-bit one.
std::string SetupPath();
std::string DeliverablePath();  // the 32-bit VOZAZIZA.EXE

// How long a wait for something that must happen may take at most. Every
// wait ends on the event itself, so the limit costs nothing when things
// work; it is generous for a machine whose 32-bit programs run emulated
// while both cores are busy.
constexpr DWORD kPatienceMs = 90000;

// Calls `done` until it holds or `timeoutMs` passes, pumping this thread's
// messages in between (windows of other processes may send to ours).
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kPatienceMs);

// A started child process; killed if the test ends before it does.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts `exe` with `arguments` appended after one blank (none when
  // empty), exactly as given. Returns false if it could not start.
  bool Start(const std::string& exe, const std::string& arguments, const char* currentDir = nullptr);
  // Waits for the end, pumping messages. Returns false on time-out.
  bool Wait(DWORD timeoutMs = kPatienceMs);
  DWORD ExitCode() const;
  DWORD Id() const { return info_.dwProcessId; }

 private:
  PROCESS_INFORMATION info_ = {};
};

// Starts `exe` with `arguments` and waits for it; returns its exit code,
// or 0xFFFFFFFF when it did not end in time.
DWORD RunProgram(const std::string& exe, const std::string& arguments, DWORD timeoutMs = kPatienceMs);
// The same for the setup program of this suite.
DWORD RunSetup(const std::string& arguments, DWORD timeoutMs = kPatienceMs);

// The visible top-level windows of the given process with class "#32770"
// and this title, and the first of them (or null).
std::vector<HWND> DialogsOf(DWORD processId, const char* title);
HWND FindDialogOf(DWORD processId, const char* title);

// A visible top-level window of this class that belongs to the process
// (to any process when 0), or null.
HWND FindVisibleWindow(const char* className, DWORD processId = 0);
// A control's own text, asked of the control itself (WM_GETTEXT):
// GetWindowText on another process's window reads only the text the
// window was made with. Wine passes texts to another process in their wide
// form only.
std::string ControlText(HWND control);
// The texts of a dialog's static controls, joined by "|".
std::string StaticTexts(HWND dialog);

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& data);
bool WriteFileBytes(const std::string& path, const void* data, size_t size);
bool FileExists(const std::string& path);

std::string WindowsDir();  // with a trailing backslash
std::string SystemDir();
std::string HelpDir();
// Where this process's system directory really is, as a 64-bit program or
// the system at start-up names it: SysWOW64 for a 32-bit process on 64-bit
// Windows (its "system32" is redirected there), else SystemDir().
std::string RealSystemDir();
// The system directory of the other architecture, as this process reaches
// it: Sysnative for a 32-bit process, SysWOW64 for a 64-bit one.
std::string OtherSystemDir();
std::string ComputerName();  // as GetComputerNameA reports it

// The share (0 to 1) of the pixels in `area` (screen coordinates) that the
// screen shows in `colour`; or of a window of this process, read from its
// own device context (what Wine has drawn there reaches the screen later).
double ShareOfColour(const RECT& area, COLORREF colour);
double ShareOfColour(HWND window, COLORREF colour);

// Real keyboard input to the window in front: one key going down or up,
// or each of `keys` down and up with `modifier` (VK_MENU for Alt) held.
void KeyStroke(WORD key, bool up);
void TypeKeys(std::initializer_list<WORD> keys, WORD modifier = 0);

// Saves what the screen shows as SCREENSHOT_DIR/<name>.bmp (the test
// command turns it into a PNG). Returns false if it could not.
bool SaveScreenshot(const char* name);

// A value of HKCU\Control Panel\<key> (the display's scale, the colour
// scheme) set for a test and put back as it was when this goes. Programs
// started afterwards read it. (SetSysColors would not do: under Wine it
// makes the session's colours win over the registry's for good.)
class ControlPanelValue {
 public:
  ControlPanelValue(const char* key, const char* name);
  ~ControlPanelValue();
  ControlPanelValue(const ControlPanelValue&) = delete;
  ControlPanelValue& operator=(const ControlPanelValue&) = delete;
  bool SetDword(DWORD value);
  bool SetText(const char* text);

 private:
  bool Set(DWORD type, const void* data, DWORD size);
  std::string key_, name_;
  bool had_ = false;
  DWORD type_ = 0, savedSize_ = 0;
  BYTE saved_[256] = {};
};
