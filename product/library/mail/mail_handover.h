// Hands a new archive to the mail client of the settings: Mailer 0 runs
// UserDefinedCmdLine with $NAME replaced by the archive's full path and
// $DOSNAME by its short form; 1 to 8 open a new message with the archive
// attached through Simple MAPI, in a helper process of the default mail
// client's architecture (mapi_helper.h), or, when no client takes it, hand
// it over another way (mail_way_out.h).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/options.h"

// Hands on the archive, or its parts one message each, in order. True
// when they were handed on: the mail program started for each, or the
// helper that gives them to the Simple MAPI client runs; otherwise
// `problem` says what went wrong, which parts were not sent and where
// they are. `quiet`: no window.
bool HandToMailClient(const std::vector<std::wstring>& archives, const ProductOptions& options, bool quiet,
                      std::wstring& problem);

// The command line with the placeholders put in, in one pass over the
// template; each as one quoted argument unless the template quotes it.
std::wstring MailCommandLine(const std::wstring& pattern, const std::wstring& archive, const std::wstring& shortName);

// Makes the program of a command line unambiguous: a quoted one stays; of
// an unquoted one the longest start that names an existing .exe is taken
// and quoted, a bare name without blanks is quoted and left to the search
// of programs. False, with `problem` saying why, when a path names no
// program.
bool ProgramOfCommandLine(std::wstring& line, std::wstring& problem);

// "These parts were not sent:" and the parts from `first` on, one a line.
std::wstring PartsNotSent(const std::vector<std::wstring>& archives, size_t first);
