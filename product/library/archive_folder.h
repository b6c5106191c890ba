// The archives the product has made, told from every other file by the
// comment of their ZIP end record: only those are ever deleted.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

extern const char kArchiveComment[];

// Deletes the product's archives in `folder` last written more than `days`
// days ago (none when `days` is 0). Archives in use stay.
void DeleteOldArchives(const std::wstring& folder, DWORD days);

// Deletes all of the product's archives in `folder`; those that stay are
// added to `left`.
void DeleteAllArchives(const std::wstring& folder, std::vector<std::wstring>& left);

// The folder was made by the product: the uninstall may take it away.
void MarkAsOurFolder(const std::wstring& folder);

// Removes the folder when the product made it and nothing but its mark is
// left in it.
void RemoveOurFolder(const std::wstring& folder);
