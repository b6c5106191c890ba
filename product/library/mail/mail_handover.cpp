// The new archive handed to the mail client the settings name.
#include "mail/mail_handover.h"

#include <vector>

#include "base/text.h"
#include "mail/mail_way_out.h"
#include "mail/mapi_client.h"
#include "mail/mapi_helper.h"

namespace {

bool RunCommandLine(const std::wstring& archive, const ProductOptions& options, std::wstring& problem) {
  if (options.userDefinedCmdLine.empty()) {
    problem = L"No mail client is set up: the user-defined command line is empty. The archive is " + archive + L".";
    return false;
  }
  // Variables first, so that no archive's name can bring one in.
  std::wstring command = MailCommandLine(Expanded(options.userDefinedCmdLine), archive, ShortPath(archive));
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

bool HandToMailClient(const std::vector<std::wstring>& archives, const ProductOptions& options, bool quiet,
                      std::wstring& problem) {
  if (options.mailer == 0) {
    // The mail program once per part; a part it cannot take stops the rest.
    for (size_t i = 0; i < archives.size(); ++i)
      if (!RunCommandLine(archives[i], options, problem)) {
        if (archives.size() > 1) problem += L"\n\n" + PartsNotSent(archives, i);
        return false;
      }
    return true;
  }
  std::wstring client;
  if (FindMapiClientLibrary(client) && StartMailHelper(client, archives)) return true;
  // Windows' own mapi32 would only show an error of its own here.
  std::wstring reason = client.empty()
                            ? L"No mail program on this computer takes attachments from other programs (Simple MAPI)."
                            : L"The mail program's library cannot be used on this computer:\n" + client;
  return HandOverWithoutMapi(archives, reason, quiet, problem) != 0;
}

std::wstring PartsNotSent(const std::vector<std::wstring>& archives, size_t first) {
  std::wstring text = first + 1 == archives.size() ? L"This part was not sent:" : L"These parts were not sent:";
  for (size_t i = first; i < archives.size(); ++i) text += L"\n" + archives[i];
  return text;
}
