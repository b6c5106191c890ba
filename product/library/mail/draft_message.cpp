// The unsent MIME message with the archive attached, written as a file.
#include "mail/draft_message.h"

#include <string.h>

#include <vector>

#include "base/text.h"
#include "common/owned.h"

namespace {

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Never in base64 text nor in an encoded name: '_' and '-' are not base64.
const char kBoundary[] = "----=_Parvello_Part_0";
constexpr DWORD kLineBytes = 57;  // 76 characters of base64 a line
constexpr DWORD kChunkLines = 1024;

std::string Base64(const unsigned char* bytes, size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (size_t i = 0; i < size; i += 3) {
    unsigned long group = static_cast<unsigned long>(bytes[i]) << 16;
    if (i + 1 < size) group |= static_cast<unsigned long>(bytes[i + 1]) << 8;
    if (i + 2 < size) group |= bytes[i + 2];
    out += kBase64[(group >> 18) & 63];
    out += kBase64[(group >> 12) & 63];
    out += i + 1 < size ? kBase64[(group >> 6) & 63] : '=';
    out += i + 2 < size ? kBase64[group & 63] : '=';
  }
  return out;
}

bool PlainAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c < 32 || c > 126 || c == '"' || c == '\\') return false;
  return true;
}

// A header's text: as it is in plain ASCII, else an RFC 2047 encoded word.
std::string HeaderText(const std::string& utf8) {
  if (PlainAscii(utf8)) return utf8;
  return "=?UTF-8?B?" + Base64(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size()) + "?=";
}

// An RFC 2231 parameter value: UTF-8, percent-encoded.
std::string ExtendedValue(const std::string& utf8) {
  const char hex[] = "0123456789ABCDEF";
  std::string out = "UTF-8''";
  for (unsigned char c : utf8) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || strchr("!#$&+-.^_`|~", c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

bool Write(HANDLE file, const std::string& text) {
  DWORD written = 0;
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
}

std::string Headers(const std::wstring& archive) {
  std::string name = Narrow(FileName(archive), CP_UTF8);
  std::string quotedName = "\"" + HeaderText(name) + "\"";
  std::string disposition = "Content-Disposition: attachment; filename=" + quotedName;
  if (!PlainAscii(name)) disposition += ";\r\n filename*=" + ExtendedValue(name);
  return "X-Unsent: 1\r\n"
         "Subject: " + HeaderText(name) + "\r\n"
         "MIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed; boundary=\"" + kBoundary + "\"\r\n"
         "\r\n"
         "--" + kBoundary + "\r\n"
         "Content-Type: text/plain; charset=utf-8\r\n"
         "Content-Transfer-Encoding: 7bit\r\n"
         "\r\n"
         "\r\n"
         "--" + kBoundary + "\r\n"
         "Content-Type: application/zip; name=" + quotedName + "\r\n"
         "Content-Transfer-Encoding: base64\r\n" +
         disposition + "\r\n"
         "\r\n";
}

bool WriteMessage(HANDLE source, HANDLE draft, const std::wstring& archive) {
  if (!Write(draft, Headers(archive))) return false;
  std::vector<unsigned char> buffer(kLineBytes * kChunkLines);  // two sends may run at once
  unsigned char* chunk = buffer.data();
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(source, chunk, static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
    if (read == 0) break;
    std::string lines;
    for (DWORD at = 0; at < read; at += kLineBytes)
      lines += Base64(chunk + at, read - at < kLineBytes ? read - at : kLineBytes) + "\r\n";
    if (!Write(draft, lines)) return false;
  }
  return Write(draft, std::string("--") + kBoundary + "--\r\n");
}

}  // namespace

int WriteDraftMessage(const std::wstring& archive, const std::wstring& draft) {
  OwnedHandle source(CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source.IsValid()) return 0;
  OwnedHandle file(CreateFileW(draft.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) return 0;
  bool written = WriteMessage(source.Get(), file.Get(), archive);
  file.Close();
  if (written) return 1;
  DeleteFileW(draft.c_str());
  return 0;
}
