// The product's help opened at a topic in the system's HTML Help viewer.
#include "windows/help_topics.h"

#include <string>

const wchar_t kSettingsTopic[] = L"IDH_SETTINGS.htm";

namespace {

constexpr UINT kDisplayTopic = 0x0000;  // HH_DISPLAY_TOPIC
HMODULE g_viewerLibrary;  // loaded on first use, kept for the process

std::wstring Folder(UINT(WINAPI* get)(LPWSTR, UINT)) {
  wchar_t path[MAX_PATH];
  UINT length = get(path, MAX_PATH);
  return length && length < MAX_PATH ? std::wstring(path, length) : L"";
}

}  // namespace

HWND OpenHelpTopic(const wchar_t* topic) {
  const std::wstring windows = Folder(GetWindowsDirectoryW), system = Folder(GetSystemDirectoryW);
  if (windows.empty() || system.empty()) return nullptr;
  const std::wstring file = windows + L"\\HELP\\parvello.chm";
  if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) return nullptr;
  // By full path: a planted hhctrl.ocx beside the program is never loaded.
  if (!g_viewerLibrary) g_viewerLibrary = LoadLibraryW((system + L"\\hhctrl.ocx").c_str());
  typedef HWND(WINAPI * HtmlHelpFn)(HWND, const wchar_t*, UINT, DWORD_PTR);
  auto help = g_viewerLibrary ? reinterpret_cast<HtmlHelpFn>(
                                    reinterpret_cast<void*>(GetProcAddress(g_viewerLibrary, "HtmlHelpW")))
                              : nullptr;
  if (!help) return nullptr;
  // Owned by no window: it stays when the window it came from closes.
  return help(nullptr, (file + L"::/" + topic).c_str(), kDisplayTopic, 0);
}
