// The second stage of packing: the walk's entries read in large blocks,
// deflated on every core meanwhile, and written to the archive in their
// order, so that it is a plain ZIP whatever the number of threads. A
// member whose first block does not shrink is stored. Memory stays a few
// blocks per thread whatever the files' sizes.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packing/selection_walk.h"
#include "packing/zip_writer.h"

struct EntryPacking {
  std::wstring unread;      // one line per file that could not be opened
  std::wstring failedPath;  // the file whose reading failed (kZipReadFailed)
};

// Packs `entries` into `zip`; on a failure or a cancel (kZipCancelled)
// `zip` says which. `progress`, when given, counts the bytes read and may
// cancel between blocks. Answers 1 when every entry went through.
bool PackEntries(const std::vector<PackEntry>& entries, ZipWriter& zip, bool lowPriority, SendProgress* progress,
                 EntryPacking& packing);
