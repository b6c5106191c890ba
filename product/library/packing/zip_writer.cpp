// The ZIP archive written member after member, straight to the file.
#include "packing/zip_writer.h"

#include <string.h>

namespace {

constexpr uint16_t kVersion = 20;        // 2.0: deflate, folders
constexpr uint16_t kUtf8Names = 0x0800;  // general purpose bit 11
constexpr size_t kGathered = 1024 * 1024;  // written in one call once this much is pending

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

void DosTime(const FILETIME& modified, uint16_t& time, uint16_t& date) {
  FILETIME local;
  WORD dosDate = 0x21, dosTime = 0;  // 1980-01-01 for times it cannot hold
  if (FileTimeToLocalFileTime(&modified, &local)) FileTimeToDosDateTime(&local, &dosDate, &dosTime);
  time = dosTime;
  date = dosDate;
}

bool HasNonAscii(const std::string& name) {
  for (unsigned char c : name)
    if (c >= 0x80) return true;
  return false;
}

// From "version needed" to the name's length: the same in the local
// header and in the central directory.
void PutEntryFields(std::string& out, const ZipWriter::Entry& entry) {
  Put16(out, kVersion);
  Put16(out, HasNonAscii(entry.name) ? kUtf8Names : 0);
  Put16(out, entry.method);
  Put16(out, entry.time);
  Put16(out, entry.date);
  Put32(out, entry.crc);
  Put32(out, entry.compressedSize);
  Put32(out, entry.size);
  Put16(out, static_cast<uint32_t>(entry.name.size()));
}

}  // namespace

ZipWriter::ZipWriter(HANDLE file) : file_(file) { pending_.reserve(kGathered); }

bool ZipWriter::Fail(ZipFailure failure, DWORD error) {
  if (failure_ == kZipNoFailure) {
    failure_ = failure;
    systemError_ = error;
  }
  return false;
}

bool ZipWriter::Flush() {
  DWORD written = 0;
  if (!pending_.empty() &&
      (!WriteFile(file_, pending_.data(), static_cast<DWORD>(pending_.size()), &written, nullptr) ||
       written != pending_.size()))
    return Fail(kZipWriteFailed, GetLastError() ? GetLastError() : ERROR_DISK_FULL);
  flushed_ += pending_.size();
  pending_.clear();
  return true;
}

bool ZipWriter::Write(const void* data, size_t size) {
  if (failure_ != kZipNoFailure) return false;
  if (position_ + size > kZipLimit) return Fail(kZipTooLarge, 0);
  position_ += size;
  if (pending_.size() + size <= kGathered) {
    pending_.insert(pending_.end(), static_cast<const char*>(data), static_cast<const char*>(data) + size);
    return true;
  }
  // A large piece goes as it is, after what is pending.
  DWORD written = 0;
  if (!Flush()) return false;
  if (!WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) || written != size)
    return Fail(kZipWriteFailed, GetLastError() ? GetLastError() : ERROR_DISK_FULL);
  flushed_ += size;
  return true;
}

bool ZipWriter::WriteHeader(const Entry& entry) {
  std::string header;
  Put32(header, 0x04034b50);
  PutEntryFields(header, entry);
  Put16(header, 0);  // extra field
  header += entry.name;
  return Write(header.data(), header.size());
}

bool ZipWriter::AddFolder(const std::string& name, const FILETIME& modified) {
  if (failure_ != kZipNoFailure) return false;
  if (entries_.size() >= kZipMostEntries) return Fail(kZipTooManyEntries, 0);
  Entry entry{name, kZipStored, 0, 0, 0, 0, 0, FILE_ATTRIBUTE_DIRECTORY, position_};
  DosTime(modified, entry.time, entry.date);
  if (!WriteHeader(entry)) return false;
  entries_.push_back(entry);
  return true;
}

bool ZipWriter::BeginMember(const std::string& name, DWORD attributes, const FILETIME& modified, uint16_t method,
                            uint32_t crc, uint64_t compressedSize, uint64_t size) {
  if (failure_ != kZipNoFailure) return false;
  if (entries_.size() >= kZipMostEntries) return Fail(kZipTooManyEntries, 0);
  if (size >= kZipLimit || compressedSize >= kZipLimit) return Fail(kZipTooLarge, 0);
  member_ = Entry{name, method, 0, 0, crc, static_cast<uint32_t>(compressedSize), static_cast<uint32_t>(size),
                  attributes & 0xFF, position_};
  DosTime(modified, member_.time, member_.date);
  return WriteHeader(member_);
}

bool ZipWriter::WriteData(const void* data, size_t size) { return Write(data, size); }

bool ZipWriter::EndMember(uint32_t crc, uint64_t compressedSize, uint64_t size) {
  if (failure_ != kZipNoFailure) return false;
  if (size >= kZipLimit || compressedSize >= kZipLimit) return Fail(kZipTooLarge, 0);
  if (crc != member_.crc || compressedSize != member_.compressedSize || size != member_.size) {
    // The header went out before the data was whole: it is mended, in
    // what is pending or in the file.
    member_.crc = crc;
    member_.compressedSize = static_cast<uint32_t>(compressedSize);
    member_.size = static_cast<uint32_t>(size);
    std::string sizes;
    Put32(sizes, crc);
    Put32(sizes, member_.compressedSize);
    Put32(sizes, member_.size);
    const uint64_t at = member_.offset + 14;
    if (at >= flushed_) {
      memcpy(&pending_[at - flushed_], sizes.data(), sizes.size());
    } else {
      LARGE_INTEGER header, end;
      header.QuadPart = static_cast<LONGLONG>(at);
      end.QuadPart = static_cast<LONGLONG>(flushed_);
      DWORD written = 0;
      if (!SetFilePointerEx(file_, header, nullptr, FILE_BEGIN) ||
          !WriteFile(file_, sizes.data(), static_cast<DWORD>(sizes.size()), &written, nullptr) ||
          written != sizes.size() || !SetFilePointerEx(file_, end, nullptr, FILE_BEGIN))
        return Fail(kZipWriteFailed, GetLastError());
    }
  }
  entries_.push_back(member_);
  return true;
}

bool ZipWriter::CopyRun(const std::vector<Entry>& entries, HANDLE source, uint64_t start, uint64_t end) {
  if (failure_ != kZipNoFailure) return false;
  if (entries_.size() + entries.size() > kZipMostEntries) return Fail(kZipTooManyEntries, 0);
  if (position_ + (end - start) > kZipLimit) return Fail(kZipTooLarge, 0);
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(start);
  if (!Flush() || !SetFilePointerEx(source, at, nullptr, FILE_BEGIN)) return Fail(kZipReadFailed, GetLastError());
  const uint64_t base = position_;
  std::vector<char> buffer(kGathered);
  for (uint64_t left = end - start; left;) {
    DWORD chunk = left < buffer.size() ? static_cast<DWORD>(left) : static_cast<DWORD>(buffer.size()), read = 0;
    if (!ReadFile(source, buffer.data(), chunk, &read, nullptr) || read != chunk)
      return Fail(kZipReadFailed, GetLastError() ? GetLastError() : ERROR_HANDLE_EOF);
    DWORD written = 0;
    if (!WriteFile(file_, buffer.data(), chunk, &written, nullptr) || written != chunk)
      return Fail(kZipWriteFailed, GetLastError() ? GetLastError() : ERROR_DISK_FULL);
    position_ += chunk;
    flushed_ += chunk;
    left -= chunk;
  }
  for (Entry entry : entries) {
    entry.offset = base + (entry.offset - start);
    entries_.push_back(entry);
  }
  return true;
}

bool ZipWriter::Finish(const char* comment) {
  if (failure_ != kZipNoFailure) return false;
  uint64_t directoryStart = position_;
  std::string directory;
  for (const Entry& entry : entries_) {
    Put32(directory, 0x02014b50);
    Put16(directory, kVersion);  // made by: MS-DOS, 2.0
    PutEntryFields(directory, entry);
    Put16(directory, 0);  // extra field
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, entry.attributes);
    Put32(directory, static_cast<uint32_t>(entry.offset));
    directory += entry.name;
  }
  if (!Write(directory.data(), directory.size())) return false;
  std::string end;
  Put32(end, 0x06054b50);
  Put16(end, 0);
  Put16(end, 0);
  Put16(end, static_cast<uint32_t>(entries_.size()));
  Put16(end, static_cast<uint32_t>(entries_.size()));
  Put32(end, static_cast<uint32_t>(directory.size()));
  Put32(end, static_cast<uint32_t>(directoryStart));
  Put16(end, static_cast<uint32_t>(strlen(comment)));
  end += comment;
  return Write(end.data(), end.size()) && Flush();
}
