// Runs a PowerShell script hidden and reads back how it ended.
#include "common/powershell.h"

#include "common/architectures.h"
#include "common/owned.h"

namespace {

// Deployment waits for the package's users to let go of it: a few minutes
// at worst. A PowerShell that takes longer is left running, not killed in
// the middle of a deployment.
constexpr DWORD kPatienceMs = 10 * 60 * 1000;

constexpr DWORD kScriptSize = 8192;
constexpr DWORD kCommandSize = 32768;  // CreateProcess's limit
wchar_t g_wrapped[kScriptSize];
wchar_t g_command[kCommandSize];
char g_reportBytes[4 * kPowerShellReasonSize];

int Append(wchar_t* to, DWORD size, const wchar_t* text) {
  DWORD length = lstrlenW(to), add = lstrlenW(text);
  if (length + add >= size) return 0;
  lstrcpyW(to + length, text);
  return 1;
}

void SetReason(wchar_t* reason, const wchar_t* text, DWORD number) { wsprintfW(reason, text, number); }

// -EncodedCommand takes the script as Base64 of its UTF-16LE bytes; unlike
// a script file it is not subject to the execution policy.
int AppendBase64(wchar_t* to, DWORD size, const wchar_t* script) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  DWORD length = lstrlenW(to), characters = lstrlenW(script), bytes = characters * 2;
  if (length + (bytes + 2) / 3 * 4 >= size) return 0;
  auto byteAt = [&](DWORD i) -> DWORD {
    wchar_t c = script[i / 2];
    return i % 2 ? (c >> 8) & 0xFF : c & 0xFF;
  };
  for (DWORD i = 0; i < bytes; i += 3) {
    DWORD group = byteAt(i) << 16 | (i + 1 < bytes ? byteAt(i + 1) << 8 : 0) | (i + 2 < bytes ? byteAt(i + 2) : 0);
    to[length++] = kDigits[group >> 18 & 63];
    to[length++] = kDigits[group >> 12 & 63];
    to[length++] = i + 1 < bytes ? kDigits[group >> 6 & 63] : L'=';
    to[length++] = i + 2 < bytes ? kDigits[group & 63] : L'=';
  }
  to[length] = L'\0';
  return 1;
}

int AppendQuotedWide(wchar_t* script, DWORD size, const wchar_t* text) {
  DWORD length = lstrlenW(script);
  for (const wchar_t* c = text; *c; ++c) {
    bool quote = *c == L'\'' || *c == 0x2018 || *c == 0x2019 || *c == 0x201A || *c == 0x201B;
    if (length + (quote ? 2 : 1) >= size) return 0;
    script[length++] = *c;
    if (quote) script[length++] = *c;
  }
  script[length] = L'\0';
  return 1;
}

// The report file the script writes as its last act: "ok", or the error's
// text. Read as UTF-8, which .NET writes without a byte-order mark.
int ReadReport(const wchar_t* path, wchar_t* report, DWORD size) {
  report[0] = L'\0';
  OwnedHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file.IsValid()) return 0;
  DWORD read = 0;
  if (!ReadFile(file.Get(), g_reportBytes, sizeof g_reportBytes - 1, &read, nullptr) || read == 0) return 0;
  int made = MultiByteToWideChar(CP_UTF8, 0, g_reportBytes, read, report, size - 1);
  report[made > 0 ? made : 0] = L'\0';
  return made > 0;
}

}  // namespace

int AppendQuoted(wchar_t* script, DWORD size, const char* text) {
  wchar_t wide[MAX_PATH * 2];
  return MultiByteToWideChar(CP_ACP, 0, text, -1, wide, MAX_PATH * 2) && AppendQuotedWide(script, size, wide);
}

int RunPowerShell(const wchar_t* script, wchar_t* reason) {
  reason[0] = L'\0';
  wchar_t folder[MAX_PATH], reportDir[MAX_PATH], reportPath[MAX_PATH];
  if (!SystemFolderOf(IMAGE_FILE_MACHINE_AMD64, FolderName::kReached, folder, MAX_PATH)) {
    SetReason(reason, L"This Windows runs no 64-bit programs.", 0);
    return 0;
  }
  DWORD tempLength = GetTempPathW(MAX_PATH, reportDir);
  if (!tempLength || tempLength >= MAX_PATH || !GetTempFileNameW(reportDir, L"pvl", 0, reportPath)) {
    SetReason(reason, L"No temporary file could be made for Windows PowerShell's report (error %lu).", GetLastError());
    return 0;
  }

  // The script's outcome goes to the report file; its exit code alone
  // cannot tell a finished script from a program that ran none.
  g_wrapped[0] = L'\0';
  int built = Append(g_wrapped, kScriptSize, L"$ErrorActionPreference = 'Stop'\n$report = '") &&
              AppendQuotedWide(g_wrapped, kScriptSize, reportPath) && Append(g_wrapped, kScriptSize, L"'\ntry {\n") &&
              Append(g_wrapped, kScriptSize, script) &&
              Append(g_wrapped, kScriptSize,
                     L"\n[IO.File]::WriteAllText($report, 'ok')\n} catch {\n"
                     L"[IO.File]::WriteAllText($report, 'failed: ' + $_.Exception.Message)\nexit 1\n}\n");
  g_command[0] = L'\0';
  built = built && Append(g_command, kCommandSize, L"\"") && Append(g_command, kCommandSize, folder) &&
          Append(g_command, kCommandSize,
                 L"\\WindowsPowerShell\\v1.0\\powershell.exe\" -NoLogo -NoProfile -NonInteractive "
                 L"-ExecutionPolicy Bypass -WindowStyle Hidden -EncodedCommand ") &&
          AppendBase64(g_command, kCommandSize, g_wrapped);
  if (!built) {
    DeleteFileW(reportPath);
    SetReason(reason, L"The PowerShell command is too long for this folder.", 0);
    return 0;
  }

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, g_command, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    SetReason(reason, L"Windows PowerShell could not be started (error %lu).", GetLastError());
    DeleteFileW(reportPath);
    return 0;
  }
  OwnedHandle processHandle(process.hProcess), threadHandle(process.hThread);
  DWORD exitCode = 0;
  if (WaitForSingleObject(process.hProcess, kPatienceMs) != WAIT_OBJECT_0) {
    SetReason(reason, L"Windows PowerShell did not finish within %lu minutes.", kPatienceMs / 60000);
    return 0;  // the report file stays: PowerShell may still write it
  }
  GetExitCodeProcess(process.hProcess, &exitCode);

  wchar_t report[kPowerShellReasonSize];
  int reported = ReadReport(reportPath, report, kPowerShellReasonSize);
  DeleteFileW(reportPath);
  if (reported && lstrcmpW(report, L"ok") == 0 && exitCode == 0) return 1;
  if (reported && report[0] == L'f') {
    lstrcpynW(reason, report + 8, kPowerShellReasonSize);  // after "failed: "
    return 0;
  }
  SetReason(reason, L"Windows PowerShell ended without running the deployment (exit code %lu).", exitCode);
  return 0;
}
