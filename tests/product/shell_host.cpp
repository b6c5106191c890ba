#include "product/shell_host.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "harness/harness.h"
#include "harness/product_state.h"
#include "product/drop_data.h"

const CLSID kParvelloClass = {0x5c2e81f0, 0x3d47, 0x4b9a, {0x9e, 0x16, 0x7a, 0x0f, 0x93, 0xd2, 0xc4, 0xb5}};
const CLSID kExplorerCommandClass = {0xfaa2f33b, 0x6b6e, 0x4e9b, {0x80, 0xdc, 0xef, 0xac, 0x27, 0xae, 0xdc, 0x51}};

namespace {

std::string Narrow(const std::wstring& text, UINT codePage) {
  int size = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(codePage, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
  out.resize(size - 1);
  return out;
}

}  // namespace

std::wstring Wide(const std::string& utf8) {
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], size);
  out.resize(size - 1);
  return out;
}

std::string Utf8(const std::wstring& text) { return Narrow(text, CP_UTF8); }
std::string Ansi(const std::wstring& text) { return Narrow(text, CP_ACP); }

bool InstallFromScript(const std::string& folder, const std::string& settings) {
  ResetProductState();
  // A process of the test before (a mail program, a folder window) may
  // still hold a file of the folder for a moment: it goes once they end.
  EXPECT_TRUE(WaitUntil([&] {
    DeleteTree(folder);
    return CreateDirectoryA(folder.c_str(), nullptr) != 0;
  })) << folder;
  std::string script = folder + "\\setup.ini", text = "[Default Setup]\r\n" + settings;
  EXPECT_TRUE(WriteFileBytes(script, text.data(), text.size()));
  DWORD exitCode = RunProgram(DeliverablePath(), script);
  EXPECT_EQ(exitCode, 0u) << "the deliverable's unattended installation";
  return exitCode == 0;
}

bool SetSetting(const char* name, DWORD value) { return WriteSettingsValue(name, REG_DWORD, &value, sizeof value); }
bool SetSetting(const char* name, const std::string& text) {
  return WriteSettingsValue(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

IContextMenu* MenuFor(const std::vector<std::wstring>& selection) {
  IShellExtInit* init = nullptr;
  HRESULT created =
      CoCreateInstance(kParvelloClass, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, reinterpret_cast<void**>(&init));
  EXPECT_EQ(created, S_OK);
  if (FAILED(created)) return nullptr;
  DropData* data = new DropData(selection);
  HRESULT initialised = init->Initialize(nullptr, data, nullptr);
  data->Release();
  EXPECT_EQ(initialised, S_OK);
  IContextMenu* menu = nullptr;
  HRESULT asked = init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
  EXPECT_EQ(asked, S_OK);
  init->Release();
  if (SUCCEEDED(asked) && FAILED(initialised)) {
    menu->Release();
    menu = nullptr;
  }
  return SUCCEEDED(asked) ? menu : nullptr;
}

HRESULT InvokeByOffset(IContextMenu* menu, UINT offset, bool quiet) {
  CMINVOKECOMMANDINFO invocation = {};
  invocation.cbSize = sizeof invocation;
  invocation.fMask = quiet ? CMIC_MASK_FLAG_NO_UI : 0;
  invocation.lpVerb = MAKEINTRESOURCEA(offset);
  invocation.nShow = SW_SHOWNORMAL;
  return menu->InvokeCommand(&invocation);
}

HRESULT InvokeByVerb(IContextMenu* menu, const char* verb) {
  CMINVOKECOMMANDINFO invocation = {};
  invocation.cbSize = sizeof invocation;
  invocation.lpVerb = verb;
  invocation.nShow = SW_SHOWNORMAL;
  return menu->InvokeCommand(&invocation);
}

namespace {

void DeleteTreeWide(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        DeleteTreeWide(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

}  // namespace

void DeleteTree(const std::string& path) { DeleteTreeWide(Wide(path)); }

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Wide(folder) + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN)))
      names.push_back(Utf8(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}
