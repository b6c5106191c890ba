// The program's texts: one slot per string-table entry, loaded once at
// start-up and read-only afterwards (also from the copy worker's thread).
#pragma once
#include <windows.h>

#include "resource_ids.h"

constexpr int kTextSize = 255;  // 254 characters and the terminator
constexpr int kTextCount = 20;

// Loads every slot from the module's string table. A missing entry leaves
// its slot empty.
void LoadTexts(HINSTANCE module);

// The loaded text with the given string id (IDS_...); an id that is not
// in the table gives the empty text.
const char* Text(UINT id);
