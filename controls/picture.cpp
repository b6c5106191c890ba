#include "controls/picture.h"

#include <oleacc.h>

#include "common/accessible_override.h"
#include "controls/subclassing.h"

namespace {

constexpr char kProperty[] = "CPicture";

CPicture* ObjectOf(HWND window) { return static_cast<CPicture*>(GetPropA(window, kProperty)); }

// Entries in the colour table that follows the header.
DWORD ColourCount(const BITMAPINFOHEADER& header) {
  if (header.biClrUsed) return header.biClrUsed;
  return header.biBitCount <= 8 ? 1u << header.biBitCount : 0;
}

HPALETTE CreatePaletteFrom(const RGBQUAD* colours, DWORD count) {
  SIZE_T size = sizeof(LOGPALETTE) + (count - 1) * sizeof(PALETTEENTRY);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (!memory) return nullptr;
  HPALETTE palette = nullptr;
  auto* logical = static_cast<LOGPALETTE*>(GlobalLock(memory));
  if (logical) {
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    for (DWORD i = 0; i < count; ++i) {
      logical->palPalEntry[i].peRed = colours[i].rgbRed;
      logical->palPalEntry[i].peGreen = colours[i].rgbGreen;
      logical->palPalEntry[i].peBlue = colours[i].rgbBlue;
      logical->palPalEntry[i].peFlags = 0;
    }
    palette = CreatePalette(logical);
    GlobalUnlock(memory);
  }
  GlobalFree(memory);
  return palette;
}

}  // namespace

CPicture::CPicture()
    : control_(nullptr),
      previousControlProc_(nullptr),
      previousParentProc_(nullptr),
      module_(nullptr),
      resource_(nullptr),
      bitmap_(nullptr),
      width_(0),
      height_(0),
      palette_(nullptr),
      shownWidth_(0),
      shownHeight_(0) {}

CPicture::~CPicture() {
  Detach();
  Release();
}

void CPicture::Release() {
  if (bitmap_) DeleteObject(bitmap_);
  if (palette_) DeleteObject(palette_);
  bitmap_ = nullptr;
  palette_ = nullptr;
  width_ = height_ = 0;
}

void CPicture::SetBitmapResource(HINSTANCE module, UINT id) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(LOWORD(id)), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (!found) return;
  module_ = module;
  resource_ = found;
  Reload();
}

BOOL CPicture::Reload() {
  Release();
  if (!resource_) return FALSE;
  HGLOBAL loaded = LoadResource(module_, resource_);
  if (!loaded) return FALSE;
  const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(loaded));
  if (!header) {
    FreeResource(loaded);
    return FALSE;
  }
  DWORD colours = ColourCount(*header);
  const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
  if (colours) palette_ = CreatePaletteFrom(table, colours);

  HDC screen = GetDC(nullptr);
  HPALETTE previous = nullptr;
  if (palette_) {
    previous = SelectPalette(screen, palette_, FALSE);
    RealizePalette(screen);
  }
  const BYTE* bits = reinterpret_cast<const BYTE*>(header) + header->biSize + colours * sizeof(RGBQUAD);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(header);
  width_ = header->biWidth;
  height_ = header->biHeight;
  if (shownHeight_ && height_ > 0) {
    shownWidth_ = MulDiv(width_, shownHeight_, height_);
    bitmap_ = StretchedBitmap(screen, info, bits);
  } else {
    bitmap_ = CreateDIBitmap(screen, header, CBM_INIT, bits, info, DIB_RGB_COLORS);
  }
  if (previous) SelectPalette(screen, previous, FALSE);
  ReleaseDC(nullptr, screen);
  FreeResource(loaded);
  return TRUE;
}

// The picture at its shown size, made once on the screen's terms (and its
// palette, selected into the screen context by the caller), so that
// painting stays one copy at any scale. Halftone keeps its gradients.
HBITMAP CPicture::StretchedBitmap(HDC screen, const BITMAPINFO* info, const void* bits) {
  HBITMAP stretched = CreateCompatibleBitmap(screen, shownWidth_, shownHeight_);
  HDC memory = CreateCompatibleDC(screen);
  if (!stretched || !memory) {
    if (memory) DeleteDC(memory);
    if (stretched) DeleteObject(stretched);
    return nullptr;
  }
  if (palette_) {
    SelectPalette(memory, palette_, FALSE);
    RealizePalette(memory);
  }
  HGDIOBJ previous = SelectObject(memory, stretched);
  SetStretchBltMode(memory, HALFTONE);
  SetBrushOrgEx(memory, 0, 0, nullptr);
  StretchDIBits(memory, 0, 0, shownWidth_, shownHeight_, 0, 0, width_, height_, bits, info, DIB_RGB_COLORS,
                SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  return stretched;
}

void CPicture::SetShownHeight(int height) {
  shownHeight_ = height > 0 ? height : 0;
  shownWidth_ = 0;
  if (bitmap_) Reload();
}

BOOL CPicture::Attach(HWND control) {
  if (!IsWindow(control) || control_) return FALSE;
  control_ = control;
  SubclassControl(control, kProperty, this, &CPicture::ControlProc, &CPicture::ParentProc, &previousControlProc_,
                  &previousParentProc_);
  return TRUE;
}

BOOL CPicture::SizeToBitmap() {
  if (!control_ || !bitmap_) return FALSE;
  SetWindowPos(control_, nullptr, 0, 0, ShownWidth(), ShownHeight(), SWP_NOMOVE);
  return TRUE;
}

BOOL CPicture::Paint() {
  if (!control_ || !bitmap_) return FALSE;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(control_, &paint);
  HDC memory = CreateCompatibleDC(dc);
  if (palette_) {
    SelectPalette(dc, palette_, FALSE);
    RealizePalette(dc);
    SelectPalette(memory, palette_, FALSE);
    RealizePalette(memory);
  }
  HGDIOBJ previous = SelectObject(memory, bitmap_);
  BitBlt(dc, 0, 0, ShownWidth(), ShownHeight(), memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  EndPaint(control_, &paint);
  return TRUE;
}

BOOL CPicture::Detach() {
  if (!control_) return FALSE;
  RestoreControl(control_, kProperty, this, previousControlProc_, previousParentProc_);
  control_ = nullptr;
  return TRUE;
}

LRESULT CALLBACK CPicture::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CPicture* self = ObjectOf(window);
  if (!self) return 0;
  switch (message) {
    case WM_PAINT:
      if (self->Paint()) return 0;
      break;
    case WM_GETOBJECT: {
      // A screen reader meets a picture named by the control's text, not
      // an empty text.
      char name[128] = "";
      GetWindowTextA(window, name, sizeof name);
      AccessibleFacts facts = {ROLE_SYSTEM_GRAPHIC, name, nullptr, nullptr, STATE_SYSTEM_READONLY, 0};
      if (LRESULT answer = AnswerAccessibleObject(window, wParam, lParam, facts)) return answer;
      break;
    }
    case WM_SYSCOLORCHANGE:
      if (self->bitmap_) {
        self->Reload();
        InvalidateRect(window, nullptr, TRUE);
        return 0;
      }
      break;
  }
  return CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
}

LRESULT CALLBACK CPicture::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CPicture* self = ObjectOf(window);
  if (!self) return 0;
  if (message == WM_SYSCOLORCHANGE && self->control_) SendMessageA(self->control_, WM_SYSCOLORCHANGE, 0, 0);
  return CallWindowProcA(self->previousParentProc_, window, message, wParam, lParam);
}
