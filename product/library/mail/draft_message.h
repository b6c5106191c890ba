// An unsent mail message with the archive attached, as a file: the way to
// hand an attachment to a mail program that takes no Simple MAPI (the new
// Outlook opens such a file as a draft to finish and send). MIME, with the
// archive in base64 and its name encoded where it is not plain ASCII.
#pragma once
#include <windows.h>

#include <string>

// Writes the message to `draft` (replacing it). 1, or 0 when the archive
// cannot be read or the draft cannot be written (no partial draft stays).
int WriteDraftMessage(const std::wstring& archive, const std::wstring& draft);
