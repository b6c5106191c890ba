// An archive no Simple MAPI client took: the new Outlook's draft, or the clipboard.
#include "mail/mail_way_out.h"

#include <shlobj.h>

#include "base/text.h"
#include "common/owned.h"
#include "common/registry_views.h"
#include "mail/draft_message.h"

namespace {

const wchar_t kNewOutlookPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\olk.exe";

// The new Outlook's program, as its package registers it for the user or
// the machine; empty when it is not installed.
std::wstring NewOutlookProgram() {
  const struct {
    HKEY root;
    REGSAM view;
  } places[] = {{HKEY_CURRENT_USER, 0}, {HKEY_LOCAL_MACHINE, NativeView()}};
  for (const auto& place : places) {
    OwnedKey key;
    if (RegOpenKeyExW(place.root, kNewOutlookPath, 0, KEY_QUERY_VALUE | place.view, key.Receive()) != ERROR_SUCCESS)
      continue;
    wchar_t path[MAX_PATH];
    DWORD type = 0, size = sizeof path - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      continue;
    path[size / sizeof(wchar_t)] = L'\0';
    std::wstring program = Expanded(path);
    if (program.size() > 1 && program.front() == L'"' && program.back() == L'"')
      program = program.substr(1, program.size() - 2);
    DWORD attributes = GetFileAttributesW(program.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return program;
  }
  return L"";
}

// The draft lies in the user's temporary folder, named after the archive.
bool StartNewOutlook(const std::wstring& archive) {
  std::wstring program = NewOutlookProgram();
  wchar_t temporary[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, temporary);
  if (program.empty() || !length || length >= MAX_PATH) return false;
  std::wstring name = FileName(archive);
  std::wstring draft = std::wstring(temporary, length) + name.substr(0, name.find_last_of(L'.')) + L".eml";
  if (!WriteDraftMessage(archive, draft)) return false;
  std::wstring command = L"\"" + program + L"\" \"" + draft + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    DeleteFileW(draft.c_str());
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

// The archives on the clipboard as Explorer's Copy puts files there: a
// file list, and "copy" as the preferred effect.
bool PutOnClipboard(const std::vector<std::wstring>& archives) {
  std::wstring list;
  for (const std::wstring& archive : archives) list += archive + L'\0';
  size_t bytes = sizeof(DROPFILES) + (list.size() + 1) * sizeof(wchar_t);
  HGLOBAL files = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  HGLOBAL effect = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DWORD));
  bool filled = files && effect;
  if (filled) {
    auto* drop = static_cast<DROPFILES*>(GlobalLock(files));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(reinterpret_cast<BYTE*>(drop) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(files);
    *static_cast<DWORD*>(GlobalLock(effect)) = DROPEFFECT_COPY;
    GlobalUnlock(effect);
  }
  UINT effectFormat = RegisterClipboardFormatW(L"Preferred DropEffect");
  // Another program may hold the clipboard for a moment.
  bool opened = false;
  for (int attempt = 0; filled && !opened && attempt < 20; ++attempt)
    if (!(opened = OpenClipboard(nullptr) != 0)) Sleep(50);
  bool placed = opened && EmptyClipboard() && SetClipboardData(CF_HDROP, files);
  if (placed) files = nullptr;  // the clipboard owns it now
  if (placed && effectFormat && SetClipboardData(effectFormat, effect)) effect = nullptr;
  if (opened) CloseClipboard();
  if (files) GlobalFree(files);
  if (effect) GlobalFree(effect);
  return placed;
}

// The archives' folder, with all of them selected (they share it).
bool ShowInFolder(const std::vector<std::wstring>& archives) {
  std::wstring folder = archives.front().substr(0, archives.front().find_last_of(L'\\'));
  PIDLIST_ABSOLUTE parent = ILCreateFromPathW(folder.c_str());
  std::vector<PIDLIST_ABSOLUTE> items;
  for (const std::wstring& archive : archives)
    if (PIDLIST_ABSOLUTE item = ILCreateFromPathW(archive.c_str())) items.push_back(item);
  bool shown = false;
  if (parent && !items.empty()) {
    std::vector<PCUITEMID_CHILD> children;
    for (PIDLIST_ABSOLUTE item : items) children.push_back(ILFindLastID(item));
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    shown = SUCCEEDED(SHOpenFolderAndSelectItems(parent, static_cast<UINT>(children.size()), children.data(), 0));
    if (SUCCEEDED(com)) CoUninitialize();
  }
  for (PIDLIST_ABSOLUTE item : items) ILFree(item);
  if (parent) ILFree(parent);
  return shown;
}

}  // namespace

int HandOverWithoutMapi(const std::vector<std::wstring>& archives, const std::wstring& reason, bool quiet,
                        std::wstring& problem) {
  // One draft per part; parts the new Outlook did not get go the other way.
  size_t drafted = 0;
  while (drafted < archives.size() && StartNewOutlook(archives[drafted])) ++drafted;
  if (drafted == archives.size()) return 1;
  std::vector<std::wstring> rest(archives.begin() + static_cast<std::ptrdiff_t>(drafted), archives.end());
  bool onClipboard = PutOnClipboard(rest);
  bool shown = !quiet && ShowInFolder(rest);
  bool one = rest.size() == 1;
  problem = reason + L"\n\n";
  if (one) {
    problem += L"The archive is " + rest.front() + L".";
  } else {
    problem += L"Send these parts one message each:";
    for (const std::wstring& part : rest) problem += L"\n" + part;
  }
  if (onClipboard)
    problem += one ? L"\nIt is on the clipboard: paste it into a new message of your mail program"
                   : L"\nThey are on the clipboard: paste each into a new message of your mail program";
  else
    problem += one ? L"\nAttach it to a new message of your mail program"
                   : L"\nAttach each to a new message of your mail program";
  problem +=
      shown ? (one ? L", or drag it there from the folder window." : L", or drag them there from the folder window.")
            : L".";
  return 0;
}
