// CCaptionBar: turns a dialog's static text control into a page headline in
// extra-bold Arial whose cell height fills the control. It subclasses the
// static and its parent and answers the static's colour request itself
// (black, or the scheme's text colour in high contrast); the static still
// paints its own text.
#pragma once
#include <windows.h>

class CCaptionBar {
 public:
  CCaptionBar();
  virtual ~CCaptionBar();
  CCaptionBar(const CCaptionBar&) = delete;
  CCaptionBar& operator=(const CCaptionBar&) = delete;

  // 1 when attached; 0 for a non-window or when attached already.
  BOOL Attach(HWND control);
  void Detach();

  // The text attach gives the control; when empty, attach reads the
  // control's own text instead. Attached, it becomes the control's text.
  void SetText(const char* text);
  const char* GetText() const { return caption_; }
  void SetAlignment(int alignment);  // 0 left, 1 centred, 2 right; others stored only
  void SetSizeMode(UINT flags);      // bit 0: height = client height; bit 1: width = half of it
  void SetFont(HFONT font);
  HFONT GetFont();
  LOGFONTA* GetLogFont();
  void SetLogFont(const LOGFONTA* description);
  void Invalidate();

 private:
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void AdoptFont(HFONT font);
  LONG TextWidth();  // the caption's width in the owned font

  HWND control_;
  HFONT font_;
  LOGFONTA logFont_;
  char caption_[256];
  int alignment_;
  UINT sizeMode_;
  COLORREF textColour_;
  WNDPROC previousControlProc_;
  WNDPROC previousParentProc_;
};
