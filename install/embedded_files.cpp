#include "install/embedded_files.h"

#include <string.h>
#include <winver.h>

#include "app/directories.h"
#include "app/system_dlls.h"
#include "app/startup.h"
#include "common/owned.h"
#include "common/registry_views.h"
#include "install/pending_deletions.h"
#include "resource_ids.h"

// The other architecture's library has a stored name of its own, so that
// its temporary copy never meets the first library's.
const EmbeddedFile g_embeddedFiles[kEmbeddedFileCount] = {
    {IDR_PRODUCT_LIBRARY, "parvello.dl_", "parvello.dll", kToSystemDir},
    {IDR_HELP_FILE, "parvello.hl_", "parvello.hlp", kToHelpDir},
    {IDR_HELP_CONTENTS, "parvello.cn_", "parvello.cnt", kToHelpDir},
#ifdef _WIN64
    {IDR_OTHER_LIBRARY, "parvel32.dl_", "parvello.dll", kToOtherSystemDir},
#else
    {IDR_OTHER_LIBRARY, "parvel64.dl_", "parvello.dll", kToOtherSystemDir},
#endif
    {IDR_HTML_HELP, "parvello.ch_", "parvello.chm", kToHelpDir},
};

namespace {

constexpr DWORD kOtherLibraryRecord = 3;
constexpr DWORD kNoRecord = 0xFFFFFFFF;

// The records of each file step: its own, and one that goes with it (the
// other architecture's library, on 64-bit Windows only; the help file's
// other form).
const DWORD kStepRecords[kFileSteps][2] = {{0, kOtherLibraryRecord}, {1, 4}, {2, kNoRecord}};

}  // namespace

namespace {

// Year, month, day, hour, minute, second; read as local time.
const WORD kFileDateStamp[6] = {1999, 7, 1, 1, 10, 0};

// How far an installation got; the clean-up depends on it.
enum Stage { kNothingDone = 0, kCopyOpen = 1, kCopyWritten = 2, kInstalled = 3 };

// Clears the read-only attribute of an existing file, keeping the others.
void MakeWritable(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Gives the installed file the fixed date as all three of its times. A file
// that cannot be opened for it stays as it is; the install still counts.
void StampFileDate(const char* path) {
  WORD dosDate = static_cast<WORD>(((kFileDateStamp[0] - 1980) << 9) | (kFileDateStamp[1] << 5) | kFileDateStamp[2]);
  WORD dosTime = static_cast<WORD>((kFileDateStamp[3] << 11) | (kFileDateStamp[4] << 5) | (kFileDateStamp[5] / 2));
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(dosDate, dosTime, &local) || !LocalFileTimeToFileTime(&local, &utc)) return;
  OwnedHandle file(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.IsValid()) SetFileTime(file.Get(), &utc, &utc, &utc);
}

// When the destination is in use, the version installer leaves the
// expanded copy beside it under the temporary name it hands back; in the
// system directory it would stay for good. Only a bare file name is taken.
void RemoveLeftoverCopy(const char* directory, char* tempName) {
  tempName[kPathSize - 1] = '\0';
  if (!tempName[0] || strpbrk(tempName, "\\/:")) return;
  char path[kPathSize];
  if (!JoinPath(path, directory, tempName)) return;
  MakeWritable(path);
  DeleteFileA(path);
}

// A record without a resource: the file is copied as it is from the
// current directory.
int CopyPlainFile(const EmbeddedFile& record, const char* destinationPath) {
  MakeWritable(destinationPath);
  if (!CopyFileA(record.storedName, destinationPath, FALSE)) return 0;
  StampFileDate(destinationPath);
  return 1;
}

}  // namespace

int InstallFileRecord(const EmbeddedFile& record, VersionInstaller installer) {
  if (record.destinationKind >= kDestinationKinds) return 0;
  const char* destinationDir = g_destinationDirs[record.destinationKind];
  // The other architecture's directory exists on 64-bit Windows only.
  if (!destinationDir[0]) return 0;
  char destinationPath[kPathSize];
  if (!JoinPath(destinationPath, destinationDir, record.installedName)) return 0;
  if (record.resourceId == 0) return CopyPlainFile(record, destinationPath);

  int stage = kNothingDone;
  char copyPath[kPathSize];
  OwnedHandle copy;
  HRSRC found = nullptr;
  HGLOBAL loaded = nullptr;
  const void* bytes = nullptr;
  DWORD size = 0, written = 0;
  char sourceName[kFileNameSize], installedName[kFileNameSize];
  char sourceDir[kPathSize], targetDir[kPathSize];
  char tempName[kPathSize] = "";
  UINT tempNameLength = kPathSize;
  DWORD result = 0;

  found = FindResourceA(g_module, MAKEINTRESOURCEA(record.resourceId), "FILE");
  if (!found) goto cleanup;
  loaded = LoadResource(g_module, found);
  size = SizeofResource(g_module, found);
  if (!loaded || size == 0) goto cleanup;
  bytes = LockResource(loaded);
  if (!bytes) goto cleanup;

  // The compressed copy goes to the Windows directory, whence the version
  // installer expands it into the destination.
  if (!JoinPath(copyPath, g_windowsDir, record.storedName)) goto cleanup;
  copy.Reset(CreateFileA(copyPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!copy.IsValid()) goto cleanup;
  stage = kCopyOpen;
  if (!WriteFile(copy.Get(), bytes, size, &written, nullptr) || written != size) goto cleanup;
  copy.Close();
  stage = kCopyWritten;

  MakeWritable(destinationPath);
  // The version installer takes its names as modifiable texts.
  lstrcpynA(sourceName, record.storedName, kFileNameSize);
  lstrcpynA(installedName, record.installedName, kFileNameSize);
  lstrcpynA(sourceDir, g_windowsDir, kPathSize);
  lstrcpynA(targetDir, destinationDir, kPathSize);
  result = installer(VIFF_FORCEINSTALL, sourceName, installedName, sourceDir, targetDir, targetDir, tempName,
                     &tempNameLength);
  if (result != 0) {
    if (result & VIF_TEMPFILE) RemoveLeftoverCopy(destinationDir, tempName);
    goto cleanup;
  }
  stage = kInstalled;
  StampFileDate(destinationPath);
  KeepAtNextStart(record.destinationKind, record.installedName);

cleanup:
  // A partly written copy stays where it is (its handle closes with the
  // owner); a whole one is removed whether or not the install worked.
  if (stage >= kCopyWritten) DeleteFileA(copyPath);
  return stage == kInstalled;
}

int InstallEmbeddedFile(DWORD index) {
  if (index >= kEmbeddedFileCount) return 0;
  return InstallFileRecord(g_embeddedFiles[index]);
}

int InstallFileStep(DWORD step, DWORD& failed) {
  failed = step;
  if (step >= kFileSteps) return 0;
  for (DWORD record : kStepRecords[step]) {
    if (record == kNoRecord || (record == kOtherLibraryRecord && !SystemHasTwoViews())) continue;
    failed = record;
    if (!InstallEmbeddedFile(record)) return 0;
  }
  return 1;
}
