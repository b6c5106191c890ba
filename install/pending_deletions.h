// Deletions that Windows carries out at its next start
// (PendingFileRenameOperations). An uninstall whose library was in use
// leaves one behind; an installation before that restart must take it
// back for the files it puts in place, or the restart deletes them.
#pragma once
#include <windows.h>

// Takes back every deletion scheduled for the installed file `name` of
// destination kind `destinationKind` (as g_destinationDirs). Returns 1 when
// none is left (there was none, or it was taken back), 0 when the list
// could not be changed; the caller goes on either way.
int KeepAtNextStart(DWORD destinationKind, const char* name);
