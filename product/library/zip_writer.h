// A ZIP archive written straight to a file: members deflated with zlib
// (or stored, for folders), names in UTF-8, and a comment in the end
// record. Limits, each a clear failure and never a corrupt archive: no
// member and no archive of 4 GiB or more (no ZIP64), at most 65,535
// entries.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <zlib.h>

enum ZipFailure { kZipNoFailure, kZipWriteFailed, kZipReadFailed, kZipTooLarge, kZipTooManyEntries, kZipCancelled };

class ZipWriter {
 public:
  // One member as the archive records it.
  struct Entry {
    std::string name;
    uint16_t method, time, date;
    uint32_t crc, compressedSize, size, attributes;
    uint64_t offset;
  };
  // `file` must be open for writing at its start and stay open.
  explicit ZipWriter(HANDLE file);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // `name` is the path in the archive, with "/" between folders.
  bool AddFolder(const std::string& name, const FILETIME& modified);
  // `attributes`: the file's, as its directory entry gives them (the
  // archive keeps the MS-DOS ones). A file that cannot be opened adds
  // nothing and is no failure: `unopened` gets the system's error (0 when
  // it was packed), for the caller to name it.
  bool AddFile(const std::string& name, const std::wstring& source, DWORD attributes, DWORD* unopened);
  bool Finish(const char* comment);
  // Called after each block of a file is read, with the bytes of that file
  // read so far; false stops the archive (kZipCancelled).
  typedef bool (*BlockHook)(void* context, uint64_t read);
  void SetBlockHook(BlockHook hook, void* context) {
    blockHook_ = hook;
    hookContext_ = context;
  }

  ZipFailure Failure() const { return failure_; }
  DWORD SystemError() const { return systemError_; }  // of the failed write or read
  size_t Entries() const { return entries_.size(); }

 private:
  bool Write(const void* data, size_t size);
  bool WriteLocalHeader(const Entry& entry);
  bool Fail(ZipFailure failure, DWORD error);

  HANDLE file_;
  uint64_t position_ = 0;
  std::vector<Entry> entries_;
  ZipFailure failure_ = kZipNoFailure;
  DWORD systemError_ = 0;
  z_stream stream_ = {};
  bool streamReady_ = false;
  BlockHook blockHook_ = nullptr;
  void* hookContext_ = nullptr;
  std::vector<Bytef> in_, out_;
};
