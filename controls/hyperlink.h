// CHyperlink: turns a dialog's static text control (with WS_TABSTOP) into
// a link: underlined text in link colours that change while the mouse is
// over it and after a visit (the scheme's link colour in high contrast), a
// hand cursor, a tooltip with the address, a focus frame, opening from the
// keyboard (Space, Enter: the link's, not the dialog's default button) and
// the mouse through the shell's "open" verb, the shell's error in a message
// box, and an accessible object that screen readers take for a link.
// Like the other controls it subclasses the static and its parent and
// finds its object through the window property "Hyperlink".
//
// Texts and addresses are cut at 254 characters.
#pragma once
#include <windows.h>

class CHyperlink {
 public:
  // Also makes the common controls' classes (the tooltip) available.
  CHyperlink();
  virtual ~CHyperlink();
  CHyperlink(const CHyperlink&) = delete;
  CHyperlink& operator=(const CHyperlink&) = delete;

  // Attached, the control shows the text and is fitted to it.
  void SetText(const char* text);
  // Attached, the tooltip shows the address.
  void SetUrl(const char* url);
  // 1 when attached; 0 for a non-window or when attached already.
  BOOL Attach(HWND control);
  // An underlined copy of `font` becomes the link's font.
  void SetFont(HFONT font);
  // Cursor `id` (low 16 bits) of the module at `path`, or of this program
  // when `path` is null. Without it, the static's own cursor shows.
  void SetLinkCursor(UINT id, const char* path);
  void SizeToText();
  void Redraw();
  // Opens the address; a failure beeps and is reported.
  void Open();
  // "Unable to open hyperlink:" and the text for the shell's `code`.
  int ShowOpenError(HWND owner, INT_PTR code);
  void Detach();

  const char* Text() const { return text_; }
  const char* Url() const { return url_; }
  HWND Tooltip() const { return tooltip_; }
  HCURSOR Cursor() const { return cursor_; }
  RECT TextRect() const { return textRect_; }
  BOOL Hovering() const { return hovering_; }
  BOOL Visited() const { return visited_; }

 private:
  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void FillToolInfo(void* info);
  COLORREF TextColour() const;
  void RepaintWhole();   // the control and the page under it
  void DrawFocusMark();

  HWND control_;
  HWND tooltip_;
  HFONT font_;
  HFONT originalFont_;  // the control's own, not owned; given back at detach
  HCURSOR cursor_;
  char text_[255];
  char url_[255];
  COLORREF normalColour_;
  COLORREF visitedColour_;
  COLORREF hoverColour_;
  BOOL hovering_;
  BOOL visited_;
  BOOL underline_;
  BOOL autoSize_;
  WPARAM pressedKey_;  // Space or Enter when it went down on the link
  RECT initialRect_;
  RECT textRect_;
  WNDPROC previousControlProc_;
  WNDPROC previousParentProc_;
};
