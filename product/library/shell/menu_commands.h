// The commands the product offers in the shell's menus, with their texts:
// one table serves the classic menu and Windows 11's first menu, so that
// the two cannot say different things.
#pragma once
#include <windows.h>

struct MenuCommand {
  const char* text;
  const wchar_t* textW;
  const char* verb;
  const wchar_t* verbW;
  const char* help;  // the status bar's text, and the new menu's tooltip
  const wchar_t* helpW;
};

// Offsets into the table, which are also the classic menu's command
// offsets.
constexpr UINT kSendCommand = 0;
constexpr UINT kOptionsCommand = 1;
constexpr UINT kMenuCommandCount = 2;

// The command at `offset` (below kMenuCommandCount).
const MenuCommand& MenuCommandAt(UINT offset);
