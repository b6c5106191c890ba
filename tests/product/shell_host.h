// What the product's tests do as the shell and as a user: the handler
// created from the registry and its command invoked, the settings
// changed, folders emptied and listed.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

extern const CLSID kParvelloClass;
// The command of Windows 11's first menu, as the package declares it.
extern const CLSID kExplorerCommandClass;

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& text);
std::string Ansi(const std::wstring& text);  // the ANSI code page's form

// A clean machine with the product installed by the 32-bit VOZAZIZA.EXE
// from a script whose "[Default Setup]" section holds `settings` (lines
// ending in CRLF), written to `folder`\setup.ini; `folder` is made anew.
// False (and a failed test) when any step fails.
bool InstallFromScript(const std::string& folder, const std::string& settings);

// Writes a value of the product's settings key.
bool SetSetting(const char* name, DWORD value);
bool SetSetting(const char* name, const std::string& text);

// The handler created through COM, as the shell creates it, and
// initialised with `selection`; null (and a failed test) otherwise.
IContextMenu* MenuFor(const std::vector<std::wstring>& selection);

// The command invoked by its offset (quiet: CMIC_MASK_FLAG_NO_UI) or verb.
HRESULT InvokeByOffset(IContextMenu* menu, UINT offset, bool quiet = false);
HRESULT InvokeByVerb(IContextMenu* menu, const char* verb);

// Paths and names in UTF-8.
void DeleteTree(const std::string& path);
// The files a person sees in the folder (not the hidden ones), sorted.
std::vector<std::string> FilesIn(const std::string& folder);
