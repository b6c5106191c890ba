// Reads the central directory of an archive of this library.
#include "packing/zip_reader.h"

#include <string.h>

#include "packing/archive_folder.h"

namespace {

constexpr uint32_t kDirectoryEntry = 0x02014b50, kEndRecord = 0x06054b50;
constexpr size_t kLocalHeaderSize = 30, kDirectoryEntrySize = 46, kEndRecordSize = 22;

uint16_t Get16(const unsigned char* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }
uint32_t Get32(const unsigned char* at) { return Get16(at) | static_cast<uint32_t>(Get16(at + 2)) << 16; }

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  DWORD read = 0;
  return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, buffer, size, &read, nullptr) &&
         read == size;
}

}  // namespace

uint64_t ZipEndSize() { return kEndRecordSize + strlen(kArchiveComment); }

bool ReadZipMembers(HANDLE file, std::vector<ZipMember>& members) {
  members.clear();
  LARGE_INTEGER length;
  if (!GetFileSizeEx(file, &length) || length.QuadPart < static_cast<LONGLONG>(kEndRecordSize)) return false;
  // The end record closes the file, followed by its comment at most.
  uint64_t size = static_cast<uint64_t>(length.QuadPart);
  DWORD tail = static_cast<DWORD>(size < 0xFFFF + kEndRecordSize ? size : 0xFFFF + kEndRecordSize);
  std::vector<unsigned char> end(tail);
  if (!ReadAt(file, size - tail, end.data(), tail)) return false;
  size_t at = tail - kEndRecordSize + 1;
  do {
    --at;
  } while (at > 0 && !(Get32(&end[at]) == kEndRecord && at + kEndRecordSize + Get16(&end[at + 20]) == tail));
  if (Get32(&end[at]) != kEndRecord || Get16(&end[at + 4]) != 0 || Get16(&end[at + 6]) != 0) return false;
  uint16_t count = Get16(&end[at + 10]);
  uint32_t directorySize = Get32(&end[at + 12]), directoryStart = Get32(&end[at + 16]);
  if (static_cast<uint64_t>(directoryStart) + directorySize > size - tail + at) return false;

  std::vector<unsigned char> directory(directorySize);
  if (directorySize && !ReadAt(file, directoryStart, directory.data(), directorySize)) return false;
  size_t pos = 0;
  for (uint16_t i = 0; i < count; ++i) {
    if (pos + kDirectoryEntrySize > directory.size() || Get32(&directory[pos]) != kDirectoryEntry) return false;
    const unsigned char* d = &directory[pos];
    size_t nameLength = Get16(d + 28), extra = Get16(d + 30), comment = Get16(d + 32);
    if (pos + kDirectoryEntrySize + nameLength + extra + comment > directory.size()) return false;
    ZipMember member = {};
    ZipWriter::Entry& e = member.entry;
    e.method = Get16(d + 10);
    e.time = Get16(d + 12);
    e.date = Get16(d + 14);
    e.crc = Get32(d + 16);
    e.compressedSize = Get32(d + 20);
    e.size = Get32(d + 24);
    e.attributes = Get32(d + 38);
    e.offset = Get32(d + 42);
    e.name.assign(reinterpret_cast<const char*>(d + kDirectoryEntrySize), nameLength);
    if (e.offset >= directoryStart || (!members.empty() && e.offset < members.back().entry.offset)) return false;
    members.push_back(member);
    pos += kDirectoryEntrySize + nameLength + extra + comment;
  }
  // Each member runs up to the next one, the last up to the directory.
  for (size_t i = 0; i < members.size(); ++i) {
    ZipMember& m = members[i];
    m.end = i + 1 < members.size() ? members[i + 1].entry.offset : directoryStart;
    if (m.end < m.entry.offset + kLocalHeaderSize + m.entry.name.size() + m.entry.compressedSize) return false;
    m.recordSize = (m.end - m.entry.offset) + kDirectoryEntrySize + m.entry.name.size();
  }
  return true;
}
