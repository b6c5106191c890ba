// The mail client the installed product sends its archives with: the list
// of predefined clients, the guess at the system's default one, and the
// choice stored under the settings key ("Mailer", "UserDefinedCmdLine").
#pragma once
#include <windows.h>

#include "common/mail_clients.h"

// 0 is the user-defined command line; 1 to 8 the predefined clients in
// list order (kMailClientNames).
constexpr DWORD kUserDefinedMailer = 0;

constexpr int kCommandLineSize = 260;  // 259 characters and the terminator

struct MailChoice {
  DWORD number;
  char commandLine[kCommandLineSize];
};

// The client named by the unnamed value of HKLM\SOFTWARE\Clients\Mail
// (0, 1, 2, 6, 7 or 8); 0 when it is missing or not one the product knows.
DWORD DetectDefaultMailClient();

// The stored choice. Without a settings key: 1 and an empty command line,
// no detection. Without "Mailer": the detected client. A number above 8
// reads as 1. The command line is always a terminated text of at most 259
// characters: a stored value that is not one is read as empty.
void ReadStoredMailChoice(MailChoice& choice);

// Write "Mailer" (and, for the user-defined client, "UserDefinedCmdLine"
// after it) under the settings key. 1 when every write succeeded, 0
// otherwise (what was written before the failure stays); show nothing.
int StorePredefinedChoice(DWORD number);
int StoreUserDefinedChoice(const char* commandLine);
