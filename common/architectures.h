// Which architecture runs what, for the setup and the product alike.
//
// On 64-bit Windows each architecture has a system folder of its own with
// its own Rundll32, and the setup installs the product's library of each
// architecture into the matching one. A 32-bit process reaches the 64-bit
// folder only through the "Sysnative" alias, which exists for 32-bit
// processes alone: a path handed to a 64-bit process, or written for the
// next start, must name "System32" instead. On 32-bit Windows there is one
// folder, and only 32-bit programs run.
#pragma once
#include <windows.h>

// How a system folder is named: as this process reaches it, or as the
// system itself and the programs of that architecture name it.
enum class FolderName { kReached, kNamed };

// The system folder of the programs of `machine` (IMAGE_FILE_MACHINE_I386
// or _AMD64) in `folder` (`size` characters), without a trailing
// backslash. 1, or 0 (and an empty text) when this system runs no programs
// of that machine or the name does not fit.
int SystemFolderOf(WORD machine, FolderName form, wchar_t* folder, UINT size);
int SystemFolderOfA(WORD machine, FolderName form, char* folder, UINT size);

// The machine of this process's own code, and of the other architecture
// on 64-bit Windows (0 on a system with one).
WORD OwnMachine();
WORD OtherMachine();

// The machine a program or library was built for, read from its PE header
// as this process sees the file; 0 when it cannot be read. A path in the
// system folder names a file of each architecture (a 32-bit process is
// redirected to SysWOW64, as its loader would be): it reads as its own.
WORD ImageMachine(const wchar_t* path);
