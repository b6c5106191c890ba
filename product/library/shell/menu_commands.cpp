// The table of the shell menus' commands and their texts.
#include "shell/menu_commands.h"

namespace {

// Sending, and the Options window, which the classic menu offers with
// Shift held (an extended verb), as Windows offers its own extras.
const MenuCommand kCommands[kMenuCommandCount] = {
    {"Send with Parvello", L"Send with Parvello", "ParvelloSend", L"ParvelloSend",
     "Packs the selected files and folders into a ZIP archive and attaches it to a new mail message.",
     L"Packs the selected files and folders into a ZIP archive and attaches it to a new mail message."},
    {"Parvello Options...", L"Parvello Options...", "ParvelloOptions", L"ParvelloOptions",
     "Shows and changes Parvello's settings.", L"Shows and changes Parvello's settings."},
};

}  // namespace

const MenuCommand& MenuCommandAt(UINT offset) { return kCommands[offset < kMenuCommandCount ? offset : 0]; }
