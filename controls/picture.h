// CPicture: turns a placeholder static control into the page's side
// picture. The bitmap resource is converted once into a device-dependent
// bitmap with a palette from its colour table; painting is one BitBlt.
#pragma once
#include <windows.h>

class CPicture {
 public:
  CPicture();
  virtual ~CPicture();
  CPicture(const CPicture&) = delete;
  CPicture& operator=(const CPicture&) = delete;

  // Loads BITMAP resource `id` (low 16 bits) of `module`; an id without a
  // bitmap keeps the picture the object had.
  void SetBitmapResource(HINSTANCE module, UINT id);
  // Rebuilds bitmap, size and palette from the stored resource; 0 leaves
  // the object without a bitmap.
  BOOL Reload();
  BOOL Attach(HWND control);          // 0 for a non-window or when attached already
  // Shows the picture `height` pixels tall, its width in proportion,
  // stretched once into the bitmap that painting copies; 0 shows it at
  // its own size. It takes effect at once when a bitmap is held.
  void SetShownHeight(int height);
  BOOL SizeToBitmap();                // 0 when detached or without bitmap; the shown size
  BOOL Paint();                       // the WM_PAINT work; 0 when detached or without bitmap
  BOOL Detach();                      // 0 when not attached

  int Width() const { return width_; }
  int Height() const { return height_; }
  int ShownWidth() const { return shownHeight_ ? shownWidth_ : width_; }
  int ShownHeight() const { return shownHeight_ ? shownHeight_ : height_; }
  HPALETTE Palette() const { return palette_; }
  HBITMAP Bitmap() const { return bitmap_; }

 private:
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Release();
  HBITMAP StretchedBitmap(HDC screen, const BITMAPINFO* info, const void* bits);

  HWND control_;
  WNDPROC previousControlProc_;
  WNDPROC previousParentProc_;
  HINSTANCE module_;
  HRSRC resource_;
  HBITMAP bitmap_;
  int width_;
  int height_;
  HPALETTE palette_;
  int shownWidth_;   // 0 while the picture shows at its own size
  int shownHeight_;
};
