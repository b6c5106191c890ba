// The traces an installation leaves, and a clean slate for each test.
#pragma once
#include <windows.h>

#include <string>

extern const char kErrorLog[];  // "c:\vozaziza.err"
extern const char kClassKey[];
extern const char kServerKey[];
extern const char kFilesHandlerKey[];
extern const char kDirectoryHandlerKey[];
extern const char kApprovedKey[];
extern const char kUninstallKey[];
extern const char kSettingsKey[];
extern const char kClassId[];

// Removes every file, key and value an installation or an earlier test may
// have left, and makes sure the help directory exists.
void ResetProductState();

// Reads a REG_SZ value; false when absent or of another type. `size`
// receives the stored data size.
bool ReadStringValue(HKEY root, const char* key, const char* name, std::string& value, DWORD* size = nullptr);
bool ReadDwordValue(HKEY root, const char* key, const char* name, DWORD& value);
bool KeyExists(HKEY root, const char* key);

// The installed files (date and bytes) and every registry entry of the
// registration, as one text: two installations compare equal exactly when
// they left the same traces (the settings aside).
std::string InstalledProductState();
