// The table of the shell menus' commands and their texts.
#include "shell/menu_commands.h"

namespace {

// Each text written once, in both character sets.
#define NARROW_AND_WIDE(text) text, L"" text

// Sending, and the Options window, which the classic menu offers with
// Shift held (an extended verb), as Windows offers its own extras.
const MenuCommand kCommands[kMenuCommandCount] = {
    {NARROW_AND_WIDE("Send with Parvello"), NARROW_AND_WIDE("ParvelloSend"),
     NARROW_AND_WIDE("Packs the selected files and folders into a ZIP archive and attaches it to a new mail message.")},
    {NARROW_AND_WIDE("Parvello Options..."), NARROW_AND_WIDE("ParvelloOptions"),
     NARROW_AND_WIDE("Shows and changes Parvello's settings.")},
};

}  // namespace

const MenuCommand& MenuCommandAt(UINT offset) { return kCommands[offset < kMenuCommandCount ? offset : 0]; }
