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

// The command line with the placeholders put in, in one pass over the
// template; each as one quoted argument unless the template quotes it.
std::wstring MailCommandLine(const std::wstring& pattern, const std::wstring& archive, const std::wstring& shortName);

// Makes the program of a command line unambiguous: a quoted one stays; of
// an unquoted one the longest start that names an existing .exe is taken
// and quoted, a bare name without blanks is quoted and left to the search
// of programs. False, with `problem` saying why, when a path names no
// program.
bool ProgramOfCommandLine(std::wstring& line, std::wstring& problem);
