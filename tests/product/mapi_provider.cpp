// A stand-in Simple MAPI provider, registered as the default mail client
// for the test (Software\Clients\Mail, its DLLPath), built for each
// architecture, with and without the Unicode call. Its MAPISendMail and
// MAPISendMailW record, in UTF-8, in the file PARVELLO_MAPI_RECORD names:
// the calling process's architecture and program, which call it was, the
// flags, the attachment's path and name, and whether that path opens and
// holds a ZIP archive. They answer with the number PARVELLO_MAPI_ANSWER
// holds (0 when unset).
#include <windows.h>
#include <mapi.h>

#include <stdlib.h>

#include <string>

#include "product/library/mail/mapi_unicode.h"

namespace {

std::wstring Environment(const wchar_t* name) {
  wchar_t value[MAX_PATH] = L"";
  DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
  return length && length < MAX_PATH ? value : L"";
}

std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
  return out;
}

std::wstring Wide(const char* text) {
  if (!text) return L"<null>";
  int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring out(size > 0 ? size - 1 : 0, L'\0');
  if (size > 1) MultiByteToWideChar(CP_ACP, 0, text, -1, &out[0], size);
  return out;
}

// The path opens and starts like a ZIP archive.
bool HoldsArchive(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char start[2] = {};
  DWORD read = 0;
  bool zip = ReadFile(file, start, 2, &read, nullptr) && read == 2 && start[0] == 'P' && start[1] == 'K';
  CloseHandle(file);
  return zip;
}

ULONG Record(const char* call, LHANDLE session, ULONG_PTR window, FLAGS flags, const std::wstring& subject,
             ULONG files, const std::wstring& path, const std::wstring& name) {
  // Counted in the process's environment: mapi32 may unload this library
  // between calls.
  int calls = _wtoi(Environment(L"PARVELLO_MAPI_CALLS").c_str()) + 1;
  SetEnvironmentVariableW(L"PARVELLO_MAPI_CALLS", std::to_wstring(calls).c_str());
  std::wstring record = Environment(L"PARVELLO_MAPI_RECORD");
  std::wstring answers = Environment(L"PARVELLO_MAPI_ANSWERS");
  if (record.empty()) return MAPI_E_FAILURE;
  if (!answers.empty()) record += L"." + std::to_wstring(calls);
  wchar_t program[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::string text = std::string("bits=") + (sizeof(void*) == 8 ? "64" : "32") + "\nprocess=" + Utf8(program) +
                     "\ncall=" + call + "\nsession=" + std::to_string(session) +
                     "\nwindow=" + std::to_string(window != 0) + "\nflags=" + std::to_string(flags) +
                     "\nsubject=" + Utf8(subject) + "\nfiles=" + std::to_string(files) + "\npath=" + Utf8(path) +
                     "\nname=" + Utf8(name) + "\narchive=" + std::to_string(HoldsArchive(path)) + "\n";
  std::wstring partial = record + L".part";
  HANDLE out = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return MAPI_E_FAILURE;
  DWORD written = 0;
  WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(out);
  if (!MoveFileExW(partial.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING)) return MAPI_E_FAILURE;
  std::wstring answer = Environment(L"PARVELLO_MAPI_ANSWER");
  if (!answers.empty()) {
    answer.clear();
    size_t start = 0;
    for (int n = 1; start != std::wstring::npos; ++n) {
      size_t comma = answers.find(L',', start);
      if (n == calls) answer = answers.substr(start, comma == std::wstring::npos ? comma : comma - start);
      start = comma == std::wstring::npos ? comma : comma + 1;
    }
  }
  return answer.empty() ? SUCCESS_SUCCESS : wcstoul(answer.c_str(), nullptr, 10);
}

}  // namespace

extern "C" __declspec(dllexport) ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR window, lpMapiMessage message,
                                                          FLAGS flags, ULONG) {
  if (!message || message->nFileCount != 1 || !message->lpFiles) return MAPI_E_FAILURE;
  const MapiFileDesc& file = message->lpFiles[0];
  return Record("A", session, window, flags, Wide(message->lpszSubject), message->nFileCount, Wide(file.lpszPathName),
                Wide(file.lpszFileName));
}

#ifndef ANSI_ONLY
extern "C" __declspec(dllexport) ULONG WINAPI MAPISendMailW(LHANDLE session, ULONG_PTR window, MapiMessageW* message,
                                                           FLAGS flags, ULONG) {
  if (!message || message->nFileCount != 1 || !message->lpFiles) return MAPI_E_FAILURE;
  const MapiFileDescW& file = message->lpFiles[0];
  auto text = [](const wchar_t* value) { return std::wstring(value ? value : L"<null>"); };
  return Record("W", session, window, flags, text(message->lpszSubject), message->nFileCount,
                text(file.lpszPathName), text(file.lpszFileName));
}
#endif
