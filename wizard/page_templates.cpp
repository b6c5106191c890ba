// The pages' templates with the shell's dialog font, and room for it, for scales other than 100%.
#include "wizard/page_templates.h"

#include <string.h>

namespace {

constexpr wchar_t kShellDialogFont[] = L"MS Shell Dlg";

// Room for every page's copy; a page's template is well under 2 KB.
constexpr UINT kCopyRoom = 16384;
// Templates are read as DWORD-aligned records.
alignas(4) BYTE g_copies[kCopyRoom];
UINT g_used;

// Steps over a menu or class field (none, an ordinal, or a string) or a
// title; 0 when it would run past `end`.
const WORD* SkipNameOrOrdinal(const WORD* at, const WORD* end) {
  if (at >= end) return nullptr;
  if (*at == 0xFFFF) return at + 2 <= end ? at + 2 : nullptr;
  while (at < end && *at) ++at;
  return at < end ? at + 1 : nullptr;
}

const BYTE* AlignToDword(const BYTE* start, const BYTE* at) {
  return start + ((at - start + 3) & ~3);
}

// The shell's font sets its texts a little wider, against its dialog
// units, than "MS Sans Serif", for which the pages were laid out: the
// pages get this much more width (in percent), spread over every item.
constexpr int kWidening = 108;

void Widen(BYTE* field) {
  short value;
  memcpy(&value, field, sizeof value);
  value = static_cast<short>(MulDiv(value, kWidening, 100));
  memcpy(field, &value, sizeof value);
}

// Widens the dialog and moves and widens its `count` items, which begin
// at `item` (DWORD aligned, each in the plain or the extended form).
// 0 when an item runs past `end`.
int WidenItems(BYTE* dialogWidth, BYTE* item, const BYTE* end, WORD count, bool extended) {
  Widen(dialogWidth);
  const size_t fixedSize = extended ? 24 : 18;      // up to and with the id
  const size_t placeOffset = extended ? 12 : 8;     // x, y, cx, cy
  for (WORD i = 0; i < count; ++i) {
    if (item + fixedSize > end) return 0;
    short x, width;
    memcpy(&x, item + placeOffset, sizeof x);
    memcpy(&width, item + placeOffset + 4, sizeof width);
    // Both edges scaled: items that met still meet.
    short left = static_cast<short>(MulDiv(x, kWidening, 100));
    short right = static_cast<short>(MulDiv(x + width, kWidening, 100));
    short newWidth = static_cast<short>(right - left);
    memcpy(item + placeOffset, &left, sizeof left);
    memcpy(item + placeOffset + 4, &newWidth, sizeof newWidth);
    const WORD* field = reinterpret_cast<const WORD*>(item + fixedSize);
    const WORD* wordEnd = reinterpret_cast<const WORD*>(end);
    field = SkipNameOrOrdinal(field, wordEnd);             // class
    if (field) field = SkipNameOrOrdinal(field, wordEnd);  // text
    if (!field || field + 1 > wordEnd) return 0;
    const BYTE* next = reinterpret_cast<const BYTE*>(field + 1) + *field;  // creation data
    item = const_cast<BYTE*>(AlignToDword(item, next));
  }
  return 1;
}

}  // namespace

const DLGTEMPLATE* PageTemplateForDpi(HINSTANCE module, WORD id, UINT dpi) {
  if (dpi == 96) return nullptr;
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const BYTE* start = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!start) return nullptr;
  const BYTE* end = start + SizeofResource(module, found);

  // DIALOGEX headers open with version 1 and 0xFFFF; their style comes
  // after the help id and the extended style, and their font field holds
  // a weight, an italic flag and a character set before the face.
  const WORD* words = reinterpret_cast<const WORD*>(start);
  bool extended = end - start >= 4 && words[0] == 1 && words[1] == 0xFFFF;
  size_t headerSize = extended ? 26 : 18;
  size_t styleOffset = extended ? 12 : 0;
  if (static_cast<size_t>(end - start) < headerSize) return nullptr;
  DWORD style;
  memcpy(&style, start + styleOffset, sizeof style);
  if (!(style & DS_SETFONT)) return nullptr;

  const WORD* field = reinterpret_cast<const WORD*>(start + headerSize);
  const WORD* wordEnd = reinterpret_cast<const WORD*>(end);
  field = SkipNameOrOrdinal(field, wordEnd);               // menu
  if (field) field = SkipNameOrOrdinal(field, wordEnd);    // class
  if (field) field = SkipNameOrOrdinal(field, wordEnd);    // title
  const WORD* face = field ? field + (extended ? 3 : 1) : nullptr;  // after size (and weight, italic, charset)
  const WORD* afterFace = face ? SkipNameOrOrdinal(face, wordEnd) : nullptr;
  if (!afterFace || *face == 0xFFFF) return nullptr;
  const BYTE* items = AlignToDword(start, reinterpret_cast<const BYTE*>(afterFace));
  if (items > end) return nullptr;

  // The copy: the header as it is up to the face, the new face, then the
  // items from their own DWORD boundary on.
  size_t before = reinterpret_cast<const BYTE*>(face) - start;
  size_t faceBytes = sizeof kShellDialogFont;
  size_t headerBytes = (before + faceBytes + 3) & ~static_cast<size_t>(3);
  size_t total = headerBytes + (end - items);
  if (g_used + total > kCopyRoom) return nullptr;
  BYTE* copy = g_copies + g_used;
  memset(copy, 0, headerBytes);
  memcpy(copy, start, before);
  memcpy(copy + before, kShellDialogFont, faceBytes);
  memcpy(copy + headerBytes, items, end - items);
  WORD count;
  memcpy(&count, start + (extended ? 16 : 8), sizeof count);
  if (!WidenItems(copy + (extended ? 22 : 14), copy + headerBytes, copy + total, count, extended)) return nullptr;
  g_used += static_cast<UINT>((total + 3) & ~static_cast<size_t>(3));
  return reinterpret_cast<const DLGTEMPLATE*>(copy);
}
