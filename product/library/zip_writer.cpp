#include "zip_writer.h"

#include <string.h>
#include <zlib.h>

namespace {

constexpr uint64_t kZipLimit = 0xFFFFFFFFu;  // sizes and offsets are 32 bits
constexpr size_t kMaxEntries = 0xFFFF;
constexpr uint16_t kVersion = 20;           // 2.0: deflate, folders
constexpr uint16_t kUtf8Names = 0x0800;     // general purpose bit 11
constexpr size_t kChunk = 256 * 1024;

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

}  // namespace

ZipWriter::ZipWriter(HANDLE file) : file_(file) {}

ZipWriter::~ZipWriter() {
  if (streamReady_) deflateEnd(&stream_);
}

bool ZipWriter::Fail(ZipFailure failure, DWORD error) {
  if (failure_ == kZipNoFailure) {
    failure_ = failure;
    systemError_ = error;
  }
  return false;
}

bool ZipWriter::Write(const void* data, size_t size) {
  if (failure_ != kZipNoFailure) return false;
  if (position_ + size > kZipLimit) return Fail(kZipTooLarge, 0);
  DWORD written = 0;
  if (!WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) || written != size)
    return Fail(kZipWriteFailed, GetLastError() ? GetLastError() : ERROR_DISK_FULL);
  position_ += size;
  return true;
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

bool ZipWriter::WriteLocalHeader(const Entry& entry) {
  std::string header;
  Put32(header, 0x04034b50);
  PutEntryFields(header, entry);
  Put16(header, 0);  // extra field
  header += entry.name;
  return Write(header.data(), header.size());
}

bool ZipWriter::AddFolder(const std::string& name, const FILETIME& modified) {
  if (entries_.size() >= kMaxEntries) return Fail(kZipTooManyEntries, 0);
  Entry entry{name, 0, 0, 0, 0, 0, 0, FILE_ATTRIBUTE_DIRECTORY, position_};
  DosTime(modified, entry.time, entry.date);
  if (!WriteLocalHeader(entry)) return false;
  entries_.push_back(entry);
  return true;
}

bool ZipWriter::AddFile(const std::string& name, const std::wstring& source, DWORD attributes, DWORD* unopened) {
  *unopened = 0;
  if (entries_.size() >= kMaxEntries) return Fail(kZipTooManyEntries, 0);
  HANDLE input = CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (input == INVALID_HANDLE_VALUE) {
    *unopened = GetLastError();
    return true;
  }
  // Not GetFileInformationByHandle: Wine takes milliseconds for it.
  FILETIME modified;
  LARGE_INTEGER size;
  if (!GetFileTime(input, nullptr, nullptr, &modified) || !GetFileSizeEx(input, &size)) {
    *unopened = GetLastError();
    CloseHandle(input);
    return true;
  }
  if (static_cast<uint64_t>(size.QuadPart) >= kZipLimit) {
    CloseHandle(input);
    return Fail(kZipTooLarge, 0);
  }

  Entry entry{name, Z_DEFLATED, 0, 0, 0, 0, 0, attributes & 0xFF, position_};
  DosTime(modified, entry.time, entry.date);
  // The sizes and the check sum follow the data; the header is mended.
  bool ok = WriteLocalHeader(entry);

  // One compressor and one pair of buffers for every member: setting them
  // up anew costs more than packing a small file.
  if (!streamReady_) {
    in_.resize(kChunk);
    out_.resize(kChunk);
    streamReady_ = ok && deflateInit2(&stream_, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
  } else {
    deflateReset(&stream_);
  }
  ok = ok && streamReady_;
  z_stream& stream = stream_;
  std::vector<Bytef>& in = in_;
  std::vector<Bytef>& out = out_;
  uLong crc = crc32(0, nullptr, 0);
  uint64_t read = 0, compressed = 0;
  int flush = Z_NO_FLUSH;
  while (ok && flush != Z_FINISH) {
    DWORD got = 0;
    if (!ReadFile(input, in.data(), static_cast<DWORD>(in.size()), &got, nullptr)) {
      ok = Fail(kZipReadFailed, GetLastError());
      break;
    }
    read += got;
    if (blockHook_ && !blockHook_(hookContext_, read)) {
      ok = Fail(kZipCancelled, 0);
      break;
    }
    crc = crc32(crc, in.data(), got);
    flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
    stream.next_in = in.data();
    stream.avail_in = got;
    do {
      stream.next_out = out.data();
      stream.avail_out = static_cast<uInt>(out.size());
      deflate(&stream, flush);
      size_t produced = out.size() - stream.avail_out;
      compressed += produced;
      ok = Write(out.data(), produced);
    } while (ok && stream.avail_out == 0);
  }
  CloseHandle(input);
  if (!ok) return false;
  if (read >= kZipLimit || compressed >= kZipLimit) return Fail(kZipTooLarge, 0);

  entry.crc = static_cast<uint32_t>(crc);
  entry.compressedSize = static_cast<uint32_t>(compressed);
  entry.size = static_cast<uint32_t>(read);
  std::string sizes;
  Put32(sizes, entry.crc);
  Put32(sizes, entry.compressedSize);
  Put32(sizes, entry.size);
  LARGE_INTEGER at, end;
  at.QuadPart = static_cast<LONGLONG>(entry.offset + 14);
  end.QuadPart = static_cast<LONGLONG>(position_);
  DWORD written = 0;
  if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) ||
      !WriteFile(file_, sizes.data(), static_cast<DWORD>(sizes.size()), &written, nullptr) || written != sizes.size() ||
      !SetFilePointerEx(file_, end, nullptr, FILE_BEGIN))
    return Fail(kZipWriteFailed, GetLastError());
  entries_.push_back(entry);
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
  return Write(end.data(), end.size());
}
