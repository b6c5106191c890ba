// Decimal numbers, character sets, path names and system messages as texts.
#include "base/text.h"

std::wstring Decimal(unsigned long value, int digits) {
  std::wstring text;
  do {
    text.insert(text.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value);
  while (static_cast<int>(text.size()) < digits) text.insert(text.begin(), L'0');
  return text;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
  int size = WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
  return out;
}

std::wstring Widened(const std::string& text, UINT codePage) {
  int size = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(size > 0 ? size : 0, L'\0');
  if (size > 0) MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
  return out;
}

std::wstring ShortPath(const std::wstring& path) {
  wchar_t shortPath[MAX_PATH];
  DWORD length = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  return length && length < MAX_PATH ? std::wstring(shortPath, length) : path;
}

std::wstring Expanded(const std::wstring& text) {
  DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (!size) return text;
  std::wstring out(size, L'\0');
  DWORD got = ExpandEnvironmentStringsW(text.c_str(), &out[0], size);
  if (!got || got > size) return text;
  out.resize(got - 1);
  return out;
}

std::wstring FileName(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring LongPath(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

std::wstring ShownPath(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

std::wstring SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message = length ? std::wstring(text, length) : L"Error " + Decimal(error) + L".";
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
    message.pop_back();
  return message;
}
