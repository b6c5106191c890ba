// Simple MAPI in a helper process of the mail client's architecture.
//
// Simple MAPI loads the client's own library into the caller, so the
// caller must be of the client's architecture: the shell is 64-bit, and
// many mail clients are 32-bit. The library therefore never calls MAPI in
// the process that invoked it: it starts the Rundll32 of the client's
// architecture on the installed library of that architecture,
// "rundll32.exe parvello.dll,SendMail <archive>", and returns. The
// client's compose window belongs to that helper; a client that hangs
// hangs only the helper.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// In the invoking process: starts the helper for the client library
// `client`. 1 when it runs; 0 when this computer has no Rundll32 or no
// product library of that architecture, or it cannot start.
int StartMailHelper(const std::wstring& client, const std::vector<std::wstring>& archives);

// The helper's entry points (Rundll32 takes the W one where it can): the
// archive's path is the whole argument, or the parts' paths each in
// quotes, sent one message each. Exits with 0 when the client took them
// (or its user cancelled a message: the rest are not sent, and the user is
// told which), 1 otherwise, after the way out has been offered.
extern "C" void CALLBACK SendMailW(HWND window, HINSTANCE, LPWSTR arguments, int);
extern "C" void CALLBACK SendMail(HWND window, HINSTANCE, LPSTR arguments, int);
