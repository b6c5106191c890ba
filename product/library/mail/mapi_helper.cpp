// Simple MAPI called in a helper process of the client's architecture.
#include "mail/mapi_helper.h"

#include <objbase.h>

#include "mail/mapi_unicode.h"

#include "base/text.h"
#include "common/architectures.h"
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
ULONG SendThroughMapi(const std::wstring& archive) {
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
    MapiMessageW message = {};
    message.lpszSubject = &name[0];
    message.nFileCount = 1;
    message.lpFiles = &attachment;
    result = sendW(0, 0, &message, flags, 0);
  } else if (sendA) {
    std::string path = Ansi(archive, ShortPath(archive));
    std::string nameA = Ansi(name, L"archive.zip");
    MapiFileDesc attachment = {};
    attachment.nPosition = static_cast<ULONG>(-1);
    attachment.lpszPathName = &path[0];
    attachment.lpszFileName = &nameA[0];
    MapiMessage message = {};
    message.lpszSubject = &nameA[0];
    message.nFileCount = 1;
    message.lpFiles = &attachment;
    result = sendA(0, 0, &message, flags, 0);
  }
  FreeLibrary(mapi);
  return result;
}

}  // namespace

int StartMailHelper(const std::wstring& client, const std::wstring& archive) {
  WORD machine = ImageMachine(client.c_str());
  wchar_t reached[MAX_PATH], named[MAX_PATH];
  if (!SystemFolderOf(machine, FolderName::kReached, reached, MAX_PATH) ||
      !SystemFolderOf(machine, FolderName::kNamed, named, MAX_PATH))
    return 0;
  std::wstring rundll32 = std::wstring(reached) + L"\\rundll32.exe";
  if (GetFileAttributesW((std::wstring(reached) + L"\\" + kLibraryName).c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
  // The helper names its library as a process of its own architecture sees it.
  std::wstring command =
      L"\"" + rundll32 + L"\" \"" + std::wstring(named) + L"\\" + kLibraryName + L"\",SendMail \"" + archive + L"\"";
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
  std::wstring archive = arguments ? arguments : L"";
  size_t first = archive.find_first_not_of(L" \t\"");
  size_t last = archive.find_last_not_of(L" \t\"");
  archive = first == std::wstring::npos ? L"" : archive.substr(first, last - first + 1);
  if (archive.empty()) ExitProcess(1);
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // clients and the shell expect it
  ULONG result = SendThroughMapi(archive);
  UINT exitCode = 0;
  if (result != SUCCESS_SUCCESS && result != MAPI_USER_ABORT) {
    std::wstring problem;
    std::wstring reason = L"The mail program cannot take the archive (Simple MAPI error " + Decimal(result) + L").";
    if (!HandOverWithoutMapi(archive, reason, false, problem)) {
      MessageBoxW(nullptr, problem.c_str(), L"Parvello", MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND);
      exitCode = 1;
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  ExitProcess(exitCode);
}

extern "C" void CALLBACK SendMail(HWND window, HINSTANCE instance, LPSTR arguments, int show) {
  std::wstring wide = Widened(arguments ? arguments : "");
  SendMailW(window, instance, &wide[0], show);
}
