// Hands a new archive to the mail client of the settings: Mailer 0 runs
// UserDefinedCmdLine with $NAME replaced by the archive's full path and
// $DOSNAME by its short form; 1 to 8 open a new message with the archive
// attached through Simple MAPI (mapi32.dll of the system directory).
#pragma once
#include <windows.h>

#include <string>

#include "options.h"

// True when the mail client took the archive (or its user cancelled the
// message); otherwise `problem` says what went wrong.
bool HandToMailClient(const std::wstring& archive, const ProductOptions& options, HWND owner, std::wstring& problem);

// The command line with the placeholders put in.
std::wstring MailCommandLine(const std::wstring& pattern, const std::wstring& archive, const std::wstring& shortName);
