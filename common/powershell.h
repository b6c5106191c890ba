// Windows PowerShell, run without a window for the package deployment
// that the setup and the uninstall need and no C API offers.
#pragma once
#include <windows.h>

constexpr DWORD kPowerShellReasonSize = 1024;

// Appends `text` to a PowerShell single-quoted literal being built in
// `script` (`size` characters): every quotation mark that PowerShell
// takes for a single quote is doubled. 0 when it does not fit.
int AppendQuoted(wchar_t* script, DWORD size, const char* text);

// Runs `script` in the 64-bit Windows PowerShell (the machine's own, in
// the 64-bit system folder), hidden, and waits for it. The script must
// end by itself; it fails by throwing. Returns 1 only when the script has
// reported its own end: a PowerShell that exits without running it (a
// stand-in, a policy) is a failure. Otherwise 0, with what went wrong in
// `reason` (kPowerShellReasonSize characters), in words.
int RunPowerShell(const wchar_t* script, wchar_t* reason);
