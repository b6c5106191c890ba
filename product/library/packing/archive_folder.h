// The archive folder and the archives the product has made in it, told
// from every other file by the comment of their ZIP end record: only those
// are ever deleted.
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

// Every folder the product has made an archive in is remembered under the
// settings key (a value of "Archive Folders" per folder), so that the
// uninstall finds archives in folders the settings no longer name. Best
// effort: a user who may not write the settings key leaves no record.
void RememberArchiveFolder(const std::wstring& folder);
std::vector<std::wstring> RememberedArchiveFolders();

// A path with a drive (C:\Archives) or a share (\\server\mail).
bool IsFullPath(const std::wstring& path);

// Makes the archive folder (its last part only) when it is missing, with
// the product's mark. 0 when it is there, else the system's error.
DWORD MakeArchiveFolder(const std::wstring& folder);

// The folder was made by the product: the uninstall may take it away.
void MarkAsOurFolder(const std::wstring& folder);

// Removes the folder when the product made it and nothing but its mark is
// left in it.
void RemoveOurFolder(const std::wstring& folder);
