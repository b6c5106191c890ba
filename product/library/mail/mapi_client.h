// The default Simple MAPI client, found as Windows' own mapi32 finds it:
// the per-user default under HKCU\Software\Clients\Mail first, then the
// machine's under HKLM; the client's library from its DLLPathEx or
// DLLPath (expanded when REG_EXPAND_SZ), or from its MSIComponentID
// through the Windows Installer.
#pragma once
#include <windows.h>

#include <string>

// 1 with the client library's full path in `library`; 0 when no client is
// registered or its library is not on this computer.
int FindMapiClientLibrary(std::wstring& library);

// The default client's name as registered ("Microsoft Outlook"); empty
// when none is.
std::wstring DefaultMailClientName();
