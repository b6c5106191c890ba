// The product's files that the setup carries as "FILE" resources in SZDD
// form, and the installer that puts one of them in place.
#pragma once
#include <windows.h>

constexpr int kFileNameSize = 257;
constexpr DWORD kEmbeddedFileCount = 3;

struct EmbeddedFile {
  WORD resourceId;                    // 0: not embedded, copied from the current directory
  char storedName[kFileNameSize];     // compressed name, also the temporary copy's name
  char installedName[kFileNameSize];  // name at the destination
  DWORD destinationKind;              // index into g_destinationDirs
};

// 0 the library (system directory), 1 the help file, 2 its contents file
// (both help directory).
extern const EmbeddedFile g_embeddedFiles[kEmbeddedFileCount];

// Installs record `index` of the table, dated 1999-07-01 01:10:00 local
// time. Returns 1 when the file is in place, 0 otherwise; shows nothing,
// the caller reports.
int InstallEmbeddedFile(DWORD index);

// The same for a record given directly.
int InstallFileRecord(const EmbeddedFile& record);
