#include "mail_handover.h"

#include <mapi.h>

#include <vector>

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
  if (!ProgramOfCommandLine(command, problem)) {
    problem += L"\n\nThe archive is " + archive + L".";
    return false;
  }
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
  bool quoted = false;  // inside a quoted part of the template
  for (size_t at = 0; at < pattern.size();) {
    const std::wstring* value = nullptr;
    if (pattern.compare(at, 8, L"$DOSNAME") == 0) {
      value = &shortName;
      at += 8;
    } else if (pattern.compare(at, 5, L"$NAME") == 0) {
      value = &archive;
      at += 5;
    }
    if (value) {
      // One argument, blanks and all, unless the template quotes it already.
      line += quoted ? *value : L"\"" + *value + L"\"";
      continue;
    }
    if (pattern[at] == L'"') quoted = !quoted;
    line += pattern[at++];
  }
  return line;
}

bool ProgramOfCommandLine(std::wstring& line, std::wstring& problem) {
  size_t first = line.find_first_not_of(L" \t");
  if (first == std::wstring::npos) {
    problem = L"The mail client's command line names no program.";
    return false;
  }
  line.erase(0, first);
  if (line[0] == L'"') return true;  // the program is exactly what is quoted
  auto isFile = [](const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  };
  // Every blank could end the program's path: the longest that names an
  // existing program wins, so that "C:\Mail Client\mailer.exe" is never
  // taken for "C:\Mail.exe".
  std::vector<size_t> ends = {line.size()};
  for (size_t at = line.size() - 1; at > 0; --at)
    if ((line[at] == L' ' || line[at] == L'\t') && line[at - 1] != L' ' && line[at - 1] != L'\t') ends.push_back(at);
  for (size_t end : ends)
    for (const wchar_t* extension : {L"", L".exe"}) {
      std::wstring program = line.substr(0, end) + extension;
      bool exe = program.size() > 4 && lstrcmpiW(program.c_str() + program.size() - 4, L".exe") == 0;
      if (exe && isFile(program)) {
        line = L"\"" + program + L"\"" + line.substr(end);
        return true;
      }
    }
  // A bare program name without blanks is looked for as Windows looks for
  // programs; a path that names no program is refused.
  size_t blank = line.find_first_of(L" \t");
  std::wstring token = line.substr(0, blank);
  if (token.find_first_of(L"\\/:") == std::wstring::npos) {
    line = L"\"" + token + L"\"" + (blank == std::wstring::npos ? L"" : line.substr(blank));
    return true;
  }
  problem = L"The mail client's program cannot be found: no program on this computer matches the start of\n" + line;
  return false;
}

bool HandToMailClient(const std::wstring& archive, const ProductOptions& options, HWND owner, std::wstring& problem) {
  if (options.mailer == 0) return RunCommandLine(archive, options, problem);
  return SendThroughMapi(archive, owner, problem);
}
