// Simple MAPI called in a helper process of the client's architecture.
#include "mail/mapi_helper.h"

#include <objbase.h>

#include "mail/mapi_unicode.h"

#include "base/text.h"
#include "common/architectures.h"
#include "mail/mail_handover.h"
#include "mail/mail_way_out.h"
#include "mail/mapi_client.h"

namespace {

const wchar_t kLibraryName[] = L"parvello.dll";

// The ANSI form; `fallback` when the text has characters the ANSI code
// page lacks.
std::string Ansi(const std::wstring& text, const std::wstring& fallback) {
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, &lossy);
  return Narrow(lossy ? fallback : text, CP_ACP);
}

bool Exports(const std::wstring& library, const char* function) {
  HMODULE module = LoadLibraryExW(library.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!module) return false;
  bool found = GetProcAddress(module, function) != nullptr;
  FreeLibrary(module);
  return found;
}

// The new message with the archive attached, in the client's compose
// window. The Unicode call where both the system's mapi32 and the client
// take it: the system's own conversion to ANSI would garble a name the
// code page cannot hold, where the short path still reaches the file.
ULONG SendThroughMapi(const std::wstring& archive, const std::wstring& subject) {
  wchar_t folder[MAX_PATH];
  UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  HMODULE mapi = length && length < MAX_PATH
                     ? LoadLibraryExW((std::wstring(folder, length) + L"\\mapi32.dll").c_str(), nullptr, 0)
                     : nullptr;
  if (!mapi) return MAPI_E_NOT_SUPPORTED;
  std::wstring client;
  FindMapiClientLibrary(client);
  auto sendW = reinterpret_cast<MapiSendMailW>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPISendMailW")));
  auto sendA = reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPISendMail")));
  const FLAGS flags = MAPI_DIALOG | MAPI_LOGON_UI;
  ULONG result = MAPI_E_NOT_SUPPORTED;
  std::wstring name = FileName(archive);
  if (sendW && !client.empty() && Exports(client, "MAPISendMailW")) {
    std::wstring path = archive;
    MapiFileDescW attachment = {};
    attachment.nPosition = static_cast<ULONG>(-1);
    attachment.lpszPathName = &path[0];
    attachment.lpszFileName = &name[0];
    std::wstring title = subject;
    MapiMessageW message = {};
    message.lpszSubject = &title[0];
    message.nFileCount = 1;
    message.lpFiles = &attachment;
    result = sendW(0, 0, &message, flags, 0);
  } else if (sendA) {
    std::string path = Ansi(archive, ShortPath(archive));
    std::string nameA = Ansi(name, L"archive.zip");
    std::string title = Ansi(subject, L"archive.zip");
    MapiFileDesc attachment = {};
    attachment.nPosition = static_cast<ULONG>(-1);
    attachment.lpszPathName = &path[0];
    attachment.lpszFileName = &nameA[0];
    MapiMessage message = {};
    message.lpszSubject = &title[0];
    message.nFileCount = 1;
    message.lpFiles = &attachment;
    result = sendA(0, 0, &message, flags, 0);
  }
  FreeLibrary(mapi);
  return result;
}

// A message's subject: the archive's name, and for a part which of how
// many, "Report.zip (1/3)".
std::wstring Subject(const std::wstring& archive, size_t number, size_t count) {
  std::wstring name = FileName(archive);
  if (count < 2) return name;
  size_t part = name.rfind(L" (part ");
  return (part == std::wstring::npos ? name : name.substr(0, part) + L".zip") + L" (" +
         Decimal(static_cast<DWORD>(number)) + L"/" + Decimal(static_cast<DWORD>(count)) + L")";
}

// The helper's argument: one path, or several each in quotes.
std::vector<std::wstring> ArchivesOf(const std::wstring& arguments) {
  std::vector<std::wstring> archives;
  size_t first = arguments.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return archives;
  if (arguments[first] != L'"') {
    size_t last = arguments.find_last_not_of(L" \t");
    archives.push_back(arguments.substr(first, last - first + 1));
    return archives;
  }
  for (size_t at = first; at < arguments.size();) {
    size_t open = arguments.find(L'"', at);
    if (open == std::wstring::npos) break;
    size_t close = arguments.find(L'"', open + 1);
    if (close == std::wstring::npos) close = arguments.size();
    if (close > open + 1) archives.push_back(arguments.substr(open + 1, close - open - 1));
    at = close + 1;
  }
  return archives;
}

}  // namespace

int StartMailHelper(const std::wstring& client, const std::vector<std::wstring>& archives) {
  WORD machine = ImageMachine(client.c_str());
  wchar_t reached[MAX_PATH], named[MAX_PATH];
  if (!SystemFolderOf(machine, FolderName::kReached, reached, MAX_PATH) ||
      !SystemFolderOf(machine, FolderName::kNamed, named, MAX_PATH))
    return 0;
  std::wstring rundll32 = std::wstring(reached) + L"\\rundll32.exe";
  if (GetFileAttributesW((std::wstring(reached) + L"\\" + kLibraryName).c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
  // The helper names its library as a process of its own architecture sees it.
  std::wstring command = L"\"" + rundll32 + L"\" \"" + std::wstring(named) + L"\\" + kLibraryName + L"\",SendMail";
  for (const std::wstring& archive : archives) command += L" \"" + archive + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(rundll32.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 1;
}

extern "C" void CALLBACK SendMailW(HWND, HINSTANCE, LPWSTR arguments, int) {
  std::vector<std::wstring> archives = ArchivesOf(arguments ? arguments : L"");
  if (archives.empty()) ExitProcess(1);
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // clients and the shell expect it
  UINT exitCode = 0;
  // One message per part, in order; a message the user cancels stops the rest.
  for (size_t i = 0; i < archives.size(); ++i) {
    ULONG result = SendThroughMapi(archives[i], Subject(archives[i], i + 1, archives.size()));
    if (result == SUCCESS_SUCCESS) continue;
    if (result == MAPI_USER_ABORT) {
      if (archives.size() > 1) {
        std::wstring told = L"You cancelled the message of part " + Decimal(static_cast<DWORD>(i + 1)) + L" of " +
                            Decimal(static_cast<DWORD>(archives.size())) + L": Parvello sends no further part.\n\n" +
                            PartsNotSent(archives, i);
        MessageBoxW(nullptr, told.c_str(), L"Parvello", MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
      }
      break;
    }
    std::wstring problem;
    std::wstring reason = L"The mail program cannot take the archive (Simple MAPI error " + Decimal(result) + L").";
    std::vector<std::wstring> rest(archives.begin() + static_cast<std::ptrdiff_t>(i), archives.end());
    if (!HandOverWithoutMapi(rest, reason, false, problem)) {
      MessageBoxW(nullptr, problem.c_str(), L"Parvello", MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
      exitCode = 1;
    }
    break;
  }
  if (SUCCEEDED(com)) CoUninitialize();
  ExitProcess(exitCode);
}

extern "C" void CALLBACK SendMail(HWND window, HINSTANCE instance, LPSTR arguments, int show) {
  std::wstring wide = Widened(arguments ? arguments : "");
  SendMailW(window, instance, &wide[0], show);
}
