#include "mail_handover.h"

#include <mapi.h>

#include "text.h"

namespace {

std::wstring ShortName(const std::wstring& path) {
  wchar_t shortPath[MAX_PATH];
  DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  return length && length < MAX_PATH ? std::wstring(shortPath, length) : path;
}

// The ANSI form Simple MAPI takes; the short form when the long one has
// characters the ANSI code page lacks.
std::string Ansi(const std::wstring& text, const std::wstring& fallback) {
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, &lossy);
  return Narrow(lossy ? fallback : text, CP_ACP);
}

bool RunCommandLine(const std::wstring& archive, const ProductOptions& options, std::wstring& problem) {
  if (options.userDefinedCmdLine.empty()) {
    problem = L"No mail client is set up: the user-defined command line is empty. The archive is " + archive + L".";
    return false;
  }
  std::wstring command = MailCommandLine(options.userDefinedCmdLine, archive, ShortName(archive));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::wstring line = command;
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    problem = L"The mail client cannot be started:\n" + command + L"\n\nThe archive is " + archive + L".";
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool SendThroughMapi(const std::wstring& archive, HWND owner, std::wstring& problem) {
  wchar_t directory[MAX_PATH];
  UINT length = GetSystemDirectoryW(directory, MAX_PATH);
  std::wstring library = std::wstring(directory, length) + L"\\mapi32.dll";
  HMODULE mapi = length && length < MAX_PATH ? LoadLibraryExW(library.c_str(), nullptr, 0) : nullptr;
  auto send = mapi ? reinterpret_cast<LPMAPISENDMAIL>(reinterpret_cast<void*>(GetProcAddress(mapi, "MAPISendMail")))
                   : nullptr;
  if (!send) {
    if (mapi) FreeLibrary(mapi);
    problem = L"This computer has no mail client that takes attachments through Simple MAPI. The archive is " +
              archive + L".";
    return false;
  }
  std::string path = Ansi(archive, ShortName(archive));
  size_t slash = archive.find_last_of(L'\\');
  std::string name = Ansi(archive.substr(slash + 1), L"archive.zip");
  MapiFileDesc attachment = {};
  attachment.nPosition = static_cast<ULONG>(-1);
  attachment.lpszPathName = &path[0];
  attachment.lpszFileName = &name[0];
  MapiMessage message = {};
  message.lpszSubject = &name[0];
  message.nFileCount = 1;
  message.lpFiles = &attachment;
  ULONG result = send(0, reinterpret_cast<ULONG_PTR>(owner), &message, MAPI_DIALOG | MAPI_LOGON_UI, 0);
  FreeLibrary(mapi);
  if (result == SUCCESS_SUCCESS || result == MAPI_USER_ABORT) return true;
  problem = L"The mail client cannot take the archive (Simple MAPI error " + Decimal(result) +
            L"). The archive is " + archive + L".";
  return false;
}

}  // namespace

std::wstring MailCommandLine(const std::wstring& pattern, const std::wstring& archive, const std::wstring& shortName) {
  std::wstring line;
  for (size_t at = 0; at < pattern.size();) {
    if (pattern.compare(at, 8, L"$DOSNAME") == 0) {
      line += shortName;
      at += 8;
    } else if (pattern.compare(at, 5, L"$NAME") == 0) {
      line += archive;
      at += 5;
    } else {
      line += pattern[at++];
    }
  }
  return line;
}

bool HandToMailClient(const std::wstring& archive, const ProductOptions& options, HWND owner, std::wstring& problem) {
  if (options.mailer == 0) return RunCommandLine(archive, options, problem);
  return SendThroughMapi(archive, owner, problem);
}
