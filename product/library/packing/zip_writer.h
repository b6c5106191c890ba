// A ZIP archive written straight to a file, member after member: the
// data comes deflated or stored from the caller, names in UTF-8, and a
// comment in the end record. Limits, each a clear failure and never a
// corrupt archive: no member and no archive of 4 GiB or more (no ZIP64),
// at most 65,535 entries. Writes are gathered into large ones.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

enum ZipFailure { kZipNoFailure, kZipWriteFailed, kZipReadFailed, kZipTooLarge, kZipTooManyEntries, kZipCancelled };

constexpr uint64_t kZipLimit = 0xFFFFFFFFu;  // sizes and offsets are 32 bits
constexpr size_t kZipMostEntries = 0xFFFF;
constexpr uint16_t kZipStored = 0, kZipDeflated = 8;

class ZipWriter {
 public:
  // One member as the archive records it.
  struct Entry {
    std::string name;
    uint16_t method, time, date;
    uint32_t crc, compressedSize, size, attributes;
    uint64_t offset;
  };
  // `file` must be open for reading and writing at its start and stay open.
  explicit ZipWriter(HANDLE file);
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Each answers 1, or 0 once the archive has failed (Failure says why).
  // `name` is the path in the archive, with "/" between folders.
  bool AddFolder(const std::string& name, const FILETIME& modified);
  // A file's member: its header, with the check sum and sizes when they
  // are known already (a member read in one piece), its data through
  // WriteData, and EndMember with what the data came to.
  // `attributes`: the file's (the archive keeps the MS-DOS ones).
  bool BeginMember(const std::string& name, DWORD attributes, const FILETIME& modified, uint16_t method,
                   uint32_t crc, uint64_t compressedSize, uint64_t size);
  bool WriteData(const void* data, size_t size);
  bool EndMember(uint32_t crc, uint64_t compressedSize, uint64_t size);
  // Members of another archive of this writer taken over as they are
  // (headers, compressed data, check sums; never compressed again): those
  // that lie one after the other in `source`, from `start` (the first
  // one's local header) to `end` (the last one's data's end), in one copy;
  // `entries` as that archive records them.
  bool CopyRun(const std::vector<Entry>& entries, HANDLE source, uint64_t start, uint64_t end);
  bool Finish(const char* comment);
  // A failure met outside the writer (a read, a cancel) ends the archive too.
  bool Fail(ZipFailure failure, DWORD error);

  ZipFailure Failure() const { return failure_; }
  DWORD SystemError() const { return systemError_; }  // of the failed write or read
  size_t Entries() const { return entries_.size(); }

 private:
  bool Write(const void* data, size_t size);
  bool Flush();
  bool WriteHeader(const Entry& entry);

  HANDLE file_;
  uint64_t position_ = 0;  // the archive's length so far
  uint64_t flushed_ = 0;   // of which in the file already
  std::vector<char> pending_;
  std::vector<Entry> entries_;
  Entry member_ = {};      // the member being written
  ZipFailure failure_ = kZipNoFailure;
  DWORD systemError_ = 0;
};
