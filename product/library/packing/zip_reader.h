// The members of an archive this library wrote, read back from its
// central directory: what a part or a repacked archive copies.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packing/zip_writer.h"

struct ZipMember {
  ZipWriter::Entry entry;  // as the central directory records it
  uint64_t end;            // where its local header and data end: the next member's start
  uint64_t recordSize;     // what it takes in an archive: both headers, name twice, data
};

// Reads every member of the archive open in `file`, in archive order, from
// the central directory alone: one read, however many members. false when
// it is not a whole archive of this library's kind (one disk, no ZIP64,
// members in the order of their data).
bool ReadZipMembers(HANDLE file, std::vector<ZipMember>& members);

// What an archive of these members takes besides them: the end record
// with the product's comment.
uint64_t ZipEndSize();
