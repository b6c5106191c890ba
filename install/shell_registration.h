// The registry entries that make the installed library the shell's
// context-menu handler for files and folders, and the uninstall entry.
#pragma once

// Writes every entry, in order, stopping at the first failure. Returns 1
// when all are written, 0 otherwise (earlier entries stay); shows nothing.
int RegisterShellExtension();
