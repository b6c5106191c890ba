// The product's small icon as a menu item's picture: a 32-bit bitmap with
// its transparency in the alpha channel, which menus draw the same on a
// light or a dark background, at the size of the display's small icons
// (which follows its scaling).
#pragma once
#include <windows.h>

// A new bitmap (the caller deletes it), or null when the icon cannot be
// drawn.
HBITMAP MakeMenuIcon();
