// Times the product library's command on one selection, as the shell
// invokes it: pack_timer <library> <archive folder> <mail program> <item>...
// It stores the settings the command reads (no filters, keep every
// archive, normal priority, the given program as the mail client, no
// limit per message unless PACK_TIMER_BUDGET_KB names one: then an archive
// larger than that goes in parts), then prints the wall time of
// InvokeCommand in milliseconds, the archives' size in bytes and their
// number.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "product/drop_data.h"

namespace {

const CLSID kParvelloClass = {0x5c2e81f0, 0x3d47, 0x4b9a, {0x9e, 0x16, 0x7a, 0x0f, 0x93, 0xd2, 0xc4, 0xb5}};

bool StoreSettings(const wchar_t* folder, const wchar_t* mailer) {
  HKEY key;
  // Where the library of either architecture reads them on 64-bit Windows.
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Quorvanta\\Parvello", 0, nullptr, 0,
                      KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return false;
  const DWORD zero = 0;
  // "none": a mail program that does not exist, so that no program start
  // is timed with the send.
  std::wstring program = lstrcmpW(mailer, L"none") ? mailer : L"C:\\no-such-mail-program.exe";
  std::wstring line = L"\"" + program + L"\" $NAME";
  bool ok = true;
  for (const wchar_t* name : {L"Mailer", L"Retention", L"LowPriority", L"UseCustom"})
    ok = ok && RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero) == 0;
  auto text = [&](const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == 0;
  };
  ok = ok && text(L"TemporaryFolder", folder) && text(L"FileFilters", L"") && text(L"UserDefinedCmdLine", line);
  wchar_t budget[16] = L"0";
  GetEnvironmentVariableW(L"PACK_TIMER_BUDGET_KB", budget, 16);
  const DWORD kilobytes = wcstoul(budget, nullptr, 10);
  ok = ok && RegSetValueExW(key, L"MaxArchiveKilobytes", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kilobytes),
                            sizeof kilobytes) == 0;
  RegCloseKey(key);
  return ok;
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!arguments || count < 5) {
    fprintf(stderr, "usage: pack_timer library folder mailer item...\n");
    return 2;
  }
  if (!StoreSettings(arguments[2], arguments[3])) return 3;
  std::vector<std::wstring> selection(arguments + 4, arguments + count);
  HMODULE library = LoadLibraryW(arguments[1]);
  auto getClass = library ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
                                GetProcAddress(library, "DllGetClassObject"))
                          : nullptr;
  if (!getClass) return 4;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IClassFactory* factory = nullptr;
  IShellExtInit* init = nullptr;
  IContextMenu* menu = nullptr;
  if (FAILED(getClass(kParvelloClass, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
      FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
    return 5;
  factory->Release();
  DropData* data = new DropData(selection);
  HRESULT initialised = init->Initialize(nullptr, data, nullptr);
  data->Release();
  if (FAILED(initialised) || FAILED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)))) return 6;

  CMINVOKECOMMANDINFO invocation = {};
  invocation.cbSize = sizeof invocation;
  invocation.fMask = CMIC_MASK_FLAG_NO_UI;
  invocation.lpVerb = MAKEINTRESOURCEA(0);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  HRESULT result = menu->InvokeCommand(&invocation);
  QueryPerformanceCounter(&end);
  menu->Release();
  init->Release();
  if (FAILED(result) && !(result == HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION) && !lstrcmpW(arguments[3], L"none")))
    return 7;

  ULONGLONG bytes = 0;
  int archives = 0;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(arguments[2]) + L"\\*.zip").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      bytes += (static_cast<ULONGLONG>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
      ++archives;
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  printf("%.1f %llu %d\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart, bytes, archives);
  return 0;
}
