// The product's small icon drawn into a 32-bit menu bitmap with alpha.
#include "shell/menu_icon.h"

#include "shell/module.h"

namespace {

// A top-down 32-bit bitmap of `size` pixels a side, its pixels in `bits`.
HBITMAP MakeBitmap(HDC dc, int size, DWORD** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(bits), nullptr, 0);
}

}  // namespace

HBITMAP MakeMenuIcon() {
  const int size = GetSystemMetrics(SM_CXSMICON);
  HICON icon = static_cast<HICON>(LoadImageW(g_libraryModule, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
  if (!icon) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  DWORD *colour = nullptr, *mask = nullptr;
  HBITMAP picture = MakeBitmap(dc, size, &colour);
  HBITMAP outline = MakeBitmap(dc, size, &mask);
  bool drawn = false;
  if (dc && picture && outline) {
    // The icon's colours, and its mask: black where the icon covers.
    HGDIOBJ previous = SelectObject(dc, outline);
    drawn = DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_MASK);
    SelectObject(dc, picture);
    drawn = drawn && DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_IMAGE);
    SelectObject(dc, previous);
    GdiFlush();
    for (int i = 0; drawn && i < size * size; ++i)
      colour[i] = (mask[i] & 0xFFFFFF) == 0 ? (colour[i] | 0xFF000000) : 0;  // opaque, or wholly clear
  }
  if (outline) DeleteObject(outline);
  if (dc) DeleteDC(dc);
  DestroyIcon(icon);
  if (!drawn && picture) {
    DeleteObject(picture);
    picture = nullptr;
  }
  return picture;
}
