// The new archive's name, from the template, the clicked item or the folder.
#include "packing/archive_name.h"

#include <wchar.h>

#include "base/text.h"

namespace {

constexpr size_t kLongestBase = 120;

std::wstring WithoutExtension(const std::wstring& path) {
  std::wstring name = FileName(path);
  DWORD attributes = GetFileAttributesW(path.c_str());
  bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  size_t dot = name.find_last_of(L'.');
  return folder || dot == std::wstring::npos || dot == 0 ? name : name.substr(0, dot);
}

// The folder a path lies in, by name; empty for a drive's root.
std::wstring ParentName(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return L"";
  std::wstring parent = path.substr(0, slash);
  if (parent.size() <= 2) return L"";  // "C:"
  return FileName(parent);
}

struct Placeholder {
  const wchar_t* name;
  const std::wstring* value;
};

// One pass over the template: a placeholder that a value brings along (a
// file named "$DATE-plan.txt") stays as it is.
std::wstring Substituted(const std::wstring& text, const Placeholder* placeholders, size_t count) {
  std::wstring out;
  for (size_t at = 0; at < text.size();) {
    size_t i = 0;
    while (i < count && text.compare(at, wcslen(placeholders[i].name), placeholders[i].name) != 0) ++i;
    if (i < count) {
      out += *placeholders[i].value;
      at += wcslen(placeholders[i].name);
    } else {
      out += text[at++];
    }
  }
  return out;
}

// At most `longest` characters, never ending inside a surrogate pair.
std::wstring CutBetweenCharacters(std::wstring name, size_t longest) {
  if (name.size() > longest) name.resize(longest && IS_HIGH_SURROGATE(name[longest - 1]) ? longest - 1 : longest);
  return name;
}

std::wstring Sanitised(std::wstring name) {
  for (wchar_t& c : name)
    if (c < 32 || wcschr(L"\\/:*?\"<>|", c)) c = L'_';
  while (!name.empty() && (name.back() == L'.' || name.back() == L' ')) name.pop_back();
  size_t first = name.find_first_not_of(L' ');
  name = first == std::wstring::npos ? L"" : name.substr(first);
  return CutBetweenCharacters(name, kLongestBase);
}

}  // namespace

std::wstring DateInName(const SYSTEMTIME& when) {
  return Decimal(when.wYear, 4) + L"-" + Decimal(when.wMonth, 2) + L"-" + Decimal(when.wDay, 2);
}

std::wstring TimeInName(const SYSTEMTIME& when) {
  return Decimal(when.wHour, 2) + L"-" + Decimal(when.wMinute, 2) + L"-" + Decimal(when.wSecond, 2);
}

std::wstring ArchiveBaseName(const ProductOptions& options, const std::vector<std::wstring>& selection,
                             const SYSTEMTIME& now) {
  std::wstring clicked = selection.empty() ? L"" : WithoutExtension(selection.front());
  std::wstring folder = selection.empty() ? L"" : ParentName(selection.front());
  std::wstring name;
  if (options.useCustom && !options.nameTemplate.empty()) {
    std::wstring date = DateInName(now), time = TimeInName(now);
    const Placeholder placeholders[] = {{L"$NAME", &clicked}, {L"$FOLDER", &folder}, {L"$DATE", &date}, {L"$TIME", &time}};
    name = Substituted(Expanded(options.nameTemplate), placeholders, sizeof placeholders / sizeof placeholders[0]);
  } else if (options.useClicked) {
    name = clicked;
  } else if (options.useParentFolder) {
    name = folder;
  }
  name = Sanitised(name);
  return name.empty() ? L"Parvello archive" : name;
}

std::wstring FreeArchivePath(const std::wstring& folder, const std::wstring& base, DWORD& error) {
  error = ERROR_FILE_EXISTS;
  for (int n = 1; n < 1000; ++n) {
    std::wstring ending = (n > 1 ? L" (" + Decimal(n) + L")" : L"") + L".zip";
    // A deep folder shortens the name rather than pass MAX_PATH, which
    // mail programs do not all take.
    size_t used = folder.size() + 1 + ending.size();
    std::wstring name = used < MAX_PATH ? CutBetweenCharacters(base, MAX_PATH - 1 - used) : L"";
    if (name.empty()) {
      error = ERROR_FILENAME_EXCED_RANGE;
      return L"";
    }
    std::wstring path = folder + L"\\" + name + ending;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return path;
  }
  return L"";
}
