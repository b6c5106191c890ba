// Packs a selection of files and folders into one new archive in the
// archive folder: old archives of the product are deleted first
// (Retention), files matching FileFilters are left out, and the archive
// appears under its final name only when it is whole; a failure leaves
// nothing behind.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/options.h"

struct PackOutcome {
  bool packed = false;
  std::wstring archive;  // the archive's full path, when packed
  std::wstring problem;  // what to tell the user, when not
  bool cancelled = false;  // the user cancelled, or chose not to send without unread items
};

// Asked when some items could not be read (`unread` names them, one a
// line): true sends the archive without them, false cancels the send.
typedef bool (*SendWithoutThem)(const std::wstring& unread, void* context);

// Every name a file system holds is read (through "\\?\" paths). Items
// that cannot be read never vanish silently: with `ask` null the send
// fails and names them, otherwise `ask` decides.
// `progress`, when given, shows how far it is and may cancel the send.
PackOutcome PackSelection(const std::vector<std::wstring>& selection, const ProductOptions& options,
                          SendWithoutThem ask, void* context, class SendProgress* progress = nullptr);
