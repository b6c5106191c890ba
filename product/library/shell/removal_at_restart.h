// Files in use that the uninstall cannot delete now: Windows deletes them
// when it starts the next time.
#pragma once
#include <string>

// Moves the file aside to a name of its own in its folder and has that
// name deleted at the next start: an installation before the restart then
// writes a fresh file that no pending deletion touches. `reach` is the
// file as this process reaches it, `name` as the system names it at
// start-up. true when the deletion is scheduled.
bool RemoveAtNextStart(const std::string& reach, const std::string& name);
