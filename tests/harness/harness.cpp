#include "harness/harness.h"

#include <string.h>

std::string WinePath(const char* unixPath) {
  std::string path = std::string("Z:") + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string SetupPath() { return WinePath(SETUP_EXE); }
// PARVELLO_DELIVERABLE names another copy to check (the signed release).
std::string DeliverablePath() {
  char other[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("PARVELLO_DELIVERABLE", other, MAX_PATH);
  return length && length < MAX_PATH ? other : WinePath(DELIVERABLE_EXE);
}

static void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    PumpMessages();
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    // Wakes early for any message to this thread; otherwise polls often.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

ChildProcess::~ChildProcess() {
  if (info_.hProcess) {
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(info_.hProcess, 0xDEAD);
      WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

bool ChildProcess::Start(const std::string& exe, const std::string& arguments, const char* currentDir) {
  std::string commandLine = "\"" + exe + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  std::vector<char> buffer(commandLine.begin(), commandLine.end());
  buffer.push_back('\0');
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  return CreateProcessA(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, currentDir, &startup,
                        &info_) != 0;
}

bool ChildProcess::Wait(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    DWORD r = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return true;
    PumpMessages();
  }
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

DWORD RunProgram(const std::string& exe, const std::string& arguments, DWORD timeoutMs) {
  ChildProcess child;
  if (!child.Start(exe, arguments)) return 0xFFFFFFFF;
  if (!child.Wait(timeoutMs)) return 0xFFFFFFFF;
  return child.ExitCode();
}

DWORD RunSetup(const std::string& arguments, DWORD timeoutMs) { return RunProgram(SetupPath(), arguments, timeoutMs); }

namespace {
struct DialogSearch {
  DWORD processId;
  const char* title;
  std::vector<HWND> found;
};
}  // namespace

std::vector<HWND> DialogsOf(DWORD processId, const char* title) {
  DialogSearch search = {processId, title, {}};
  EnumWindows(
      [](HWND window, LPARAM param) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<DialogSearch*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        char className[64] = "", text[256] = "";
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, text, sizeof text);
        if (owner == s->processId && strcmp(className, "#32770") == 0 && strcmp(text, s->title) == 0 &&
            IsWindowVisible(window))
          s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindDialogOf(DWORD processId, const char* title) {
  std::vector<HWND> dialogs = DialogsOf(processId, title);
  return dialogs.empty() ? nullptr : dialogs.front();
}

HWND FindVisibleWindow(const char* className, DWORD processId) {
  HWND found = nullptr;
  for (HWND window = FindWindowExA(nullptr, nullptr, className, nullptr); window;
       window = FindWindowExA(nullptr, window, className, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if ((!processId || owner == processId) && IsWindowVisible(window)) found = window;
  }
  return found;
}

std::string ControlText(HWND control) {
  std::vector<wchar_t> wide(70000);
  LRESULT length = SendMessageW(control, WM_GETTEXT, wide.size(), reinterpret_cast<LPARAM>(wide.data()));
  if (length <= 0) return "";
  std::vector<char> narrow(length * 2 + 1);
  int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(length), narrow.data(),
                                  static_cast<int>(narrow.size()), nullptr, nullptr);
  return std::string(narrow.data(), bytes);
}

std::string StaticTexts(HWND dialog) {
  std::string joined;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM param) CALLBACK -> BOOL {
        char className[64] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0) return TRUE;
        char text[1024] = "";
        GetWindowTextA(child, text, sizeof text);
        if (!text[0]) return TRUE;
        auto* out = reinterpret_cast<std::string*>(param);
        if (!out->empty()) *out += "|";
        *out += text;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&joined));
  return joined;
}

bool ReadFileBytes(const std::string& path, std::vector<unsigned char>& data) {
  data.clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  bool ok = GetFileSizeEx(file, &size) != 0;
  if (ok) {
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = data.empty() || (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &got, nullptr) && got == data.size());
  }
  CloseHandle(file);
  return ok;
}

bool WriteFileBytes(const std::string& path, const void* data, size_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = size == 0 || (WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size);
  CloseHandle(file);
  return ok;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

static std::string WithBackslash(std::string dir) {
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}

std::string WindowsDir() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return WithBackslash(dir);
}

std::string SystemDir() {
  char dir[MAX_PATH];
  GetSystemDirectoryA(dir, MAX_PATH);
  return WithBackslash(dir);
}

std::string HelpDir() { return WindowsDir() + "HELP\\"; }

std::string OtherSystemDir() {
#ifdef _WIN64
  char dir[MAX_PATH] = "";
  GetSystemWow64DirectoryA(dir, MAX_PATH);
  return WithBackslash(dir);
#else
  return WindowsDir() + "Sysnative\\";
#endif
}

std::string RealSystemDir() {
  BOOL wow64 = FALSE;
  char dir[MAX_PATH];
  if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64 && GetSystemWow64DirectoryA(dir, MAX_PATH))
    return WithBackslash(dir);
  return SystemDir();
}

std::string ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
  DWORD length = sizeof name;
  GetComputerNameA(name, &length);
  return name;
}

static double ShareOfColour(HDC source, const RECT& area, COLORREF colour) {
  int width = area.right - area.left, height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return 0;
  // One copy of the area, then its bits: far cheaper than a GetPixel each.
  HDC screen = source;
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = -height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {  // nothing read: nothing matches
    if (bitmap) DeleteObject(bitmap);
    return 0;
  }
  HDC memory = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  long matching = 0;
  const DWORD* pixel = static_cast<const DWORD*>(bits);
  DWORD wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
  for (long i = 0; i < static_cast<long>(width) * height; ++i)
    if ((pixel[i] & 0xFFFFFF) == wanted) ++matching;
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return static_cast<double>(matching) / (static_cast<double>(width) * height);
}

void KeyStroke(WORD key, bool up) {
  INPUT stroke = {};
  stroke.type = INPUT_KEYBOARD;
  stroke.ki.wVk = key;
  stroke.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &stroke, sizeof stroke);
}

void TypeKeys(std::initializer_list<WORD> keys, WORD modifier) {
  if (modifier) KeyStroke(modifier, false);
  for (WORD key : keys) {
    KeyStroke(key, false);
    KeyStroke(key, true);
  }
  if (modifier) KeyStroke(modifier, true);
}

double ShareOfColour(const RECT& area, COLORREF colour) {
  HDC screen = GetDC(nullptr);
  double share = ShareOfColour(screen, area, colour);
  ReleaseDC(nullptr, screen);
  return share;
}

double ShareOfColour(HWND window, COLORREF colour) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  double share = ShareOfColour(dc, client, colour);
  ReleaseDC(window, dc);
  return share;
}

bool SaveScreenshot(const char* name) {
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  DWORD stride = (width * 3 + 3) & ~3u;
  std::vector<unsigned char> pixels(stride * height);
  bool ok = GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                      DIB_RGB_COLORS) == height;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!ok) return false;

  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::string dir = WinePath(SCREENSHOT_DIR);
  CreateDirectoryA(dir.c_str(), nullptr);
  std::vector<unsigned char> bytes(reinterpret_cast<unsigned char*>(&file),
                                   reinterpret_cast<unsigned char*>(&file) + sizeof file);
  bytes.insert(bytes.end(), reinterpret_cast<unsigned char*>(&header),
               reinterpret_cast<unsigned char*>(&header) + sizeof header);
  bytes.insert(bytes.end(), pixels.begin(), pixels.end());
  return WriteFileBytes(dir + "\\" + name + ".bmp", bytes.data(), bytes.size());
}

ControlPanelValue::ControlPanelValue(const char* key, const char* name)
    : key_(std::string("Control Panel\\") + key), name_(name) {
  DWORD size = sizeof saved_;
  had_ = RegGetValueA(HKEY_CURRENT_USER, key_.c_str(), name, RRF_RT_ANY, &type_, saved_, &size) == ERROR_SUCCESS;
  savedSize_ = size;
}

ControlPanelValue::~ControlPanelValue() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
  if (had_)
    RegSetValueExA(key, name_.c_str(), 0, type_, saved_, savedSize_);
  else
    RegDeleteValueA(key, name_.c_str());
  RegCloseKey(key);
}

bool ControlPanelValue::SetDword(DWORD value) { return Set(REG_DWORD, &value, sizeof value); }
bool ControlPanelValue::SetText(const char* text) { return Set(REG_SZ, text, static_cast<DWORD>(strlen(text) + 1)); }

bool ControlPanelValue::Set(DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return false;
  bool set = RegSetValueExA(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return set;
}
