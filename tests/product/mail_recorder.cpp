// A stand-in mail program: writes the command line it was started with,
// in UTF-8, to the file that PARVELLO_MAIL_RECORD names or else its first
// argument (whole or not at all: written beside it, then renamed). With
// PARVELLO_MAIL_RECORD_EACH set, each run writes a file of its own, the
// record's name followed by "." and the process id.
#include <windows.h>
#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t named[MAX_PATH] = L"";
  DWORD length = GetEnvironmentVariableW(L"PARVELLO_MAIL_RECORD", named, MAX_PATH);
  std::wstring record = length && length < MAX_PATH ? named : L"";
  if (record.empty()) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count < 2) return 2;
    record = arguments[1];
    LocalFree(arguments);
  }
  if (GetEnvironmentVariableW(L"PARVELLO_MAIL_RECORD_EACH", nullptr, 0))
    record += L"." + std::to_wstring(GetCurrentProcessId());
  std::wstring partial = record + L".part";

  const wchar_t* line = GetCommandLineW();
  int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string text(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line, -1, &text[0], size, nullptr, nullptr);
  text.resize(size - 1);

  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || !MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING)) return 1;
  return 0;
}
