#include "controls/caption_bar.h"

#include <string.h>

#include "controls/subclassing.h"
#include "controls/system_look.h"

namespace {

constexpr char kProperty[] = "CaptionBar";
// The parent reflects a caption's WM_CTLCOLORSTATIC to it under the old
// WM_CTLCOLOR number, which no static control answers on its own.
constexpr UINT kColourRequest = 0x0019;
constexpr UINT kSizeToHeight = 1, kWidthHalfHeight = 2;
constexpr LONG kAlignmentBits = SS_CENTER | SS_RIGHT;  // the two lowest style bits

CCaptionBar* ObjectOf(HWND window) { return static_cast<CCaptionBar*>(GetPropA(window, kProperty)); }

}  // namespace

CCaptionBar::CCaptionBar()
    : control_(nullptr),
      font_(nullptr),
      logFont_(),
      caption_(),
      alignment_(0),
      sizeMode_(kSizeToHeight),
      textColour_(RGB(0, 0, 0)),
      previousControlProc_(nullptr),
      previousParentProc_(nullptr) {}

// The owned font goes with the object; the objects live until process exit.
CCaptionBar::~CCaptionBar() {
  Detach();
  if (font_) DeleteObject(font_);
}

BOOL CCaptionBar::Attach(HWND control) {
  if (!IsWindow(control) || control_) return FALSE;
  control_ = control;
  SubclassControl(control, kProperty, this, &CCaptionBar::ControlProc, &CCaptionBar::ParentProc,
                  &previousControlProc_, &previousParentProc_);

  if (caption_[0])
    SetWindowTextA(control, caption_);
  else
    GetWindowTextA(control, caption_, sizeof caption_ - 1);

  LOGFONTA* description = GetLogFont();
  description->lfWeight = FW_EXTRABOLD;
  description->lfOutPrecision = OUT_TT_PRECIS;
  description->lfQuality = PROOF_QUALITY;
  description->lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
  lstrcpynA(description->lfFaceName, "Arial", LF_FACESIZE);
  LOGFONTA headline = *description;
  SetLogFont(&headline);

  SetAlignment(alignment_);
  SetSizeMode(sizeMode_);
  return TRUE;
}

void CCaptionBar::Detach() {
  if (!control_) return;
  RestoreControl(control_, kProperty, this, previousControlProc_, previousParentProc_);
  caption_[0] = '\0';
  control_ = nullptr;
}

void CCaptionBar::SetText(const char* text) {
  if (!text) return;
  lstrcpynA(caption_, text, sizeof caption_ - 1);
  if (control_) {
    SetWindowTextA(control_, caption_);
    Invalidate();
  }
}

void CCaptionBar::SetAlignment(int alignment) {
  alignment_ = alignment;
  if (!control_) return;
  LONG bits;
  switch (alignment) {
    case 0: bits = SS_LEFT; break;
    case 1: bits = SS_CENTER; break;
    case 2: bits = SS_RIGHT; break;
    default: return;
  }
  LONG_PTR style = GetWindowLongPtrA(control_, GWL_STYLE);
  SetWindowLongPtrA(control_, GWL_STYLE, (style & ~kAlignmentBits) | bits);
  Invalidate();
}

void CCaptionBar::SetSizeMode(UINT flags) {
  sizeMode_ = flags;
  if (!control_) return;
  RECT client;
  GetClientRect(control_, &client);
  LONG height = client.bottom - client.top;
  LOGFONTA description = *GetLogFont();
  if (flags & kSizeToHeight) description.lfHeight = height;
  if (flags & kWidthHalfHeight) description.lfWidth = height / 2;
  SetLogFont(&description);
  // A face whose words run wider at some scale than the control was made
  // for gives up height until the whole title shows. At 100% the title
  // keeps the control's full height, as it always had.
  if ((flags & kSizeToHeight) && WindowDpi(control_) != 96) {
    LONG width = client.right - client.left;
    for (int tries = 0; tries < 8; ++tries) {
      LONG needed = TextWidth();
      if (needed <= width || description.lfHeight <= 1) break;
      LONG smaller = MulDiv(description.lfHeight, width, needed);
      description.lfHeight = smaller < description.lfHeight ? smaller : description.lfHeight - 1;
      if (flags & kWidthHalfHeight) description.lfWidth = description.lfHeight / 2;
      SetLogFont(&description);
    }
  }
  Invalidate();
}

LONG CCaptionBar::TextWidth() {
  HDC dc = GetDC(control_);
  if (!dc) return 0;
  HGDIOBJ previous = SelectObject(dc, font_);
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(dc, caption_, lstrlenA(caption_), &extent);
  SelectObject(dc, previous);
  ReleaseDC(control_, dc);
  return extent.cx;
}

void CCaptionBar::SetLogFont(const LOGFONTA* description) {
  if (!description) return;
  logFont_ = *description;
  HFONT previous = font_;
  font_ = CreateFontIndirectA(&logFont_);
  if (control_) {
    SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    Invalidate();
  }
  if (previous) DeleteObject(previous);
}

void CCaptionBar::SetFont(HFONT font) {
  if (!font) return;
  AdoptFont(font);
  if (control_) SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
}

// Owns a copy of `font`; the font itself stays its owner's.
void CCaptionBar::AdoptFont(HFONT font) {
  HFONT previous = font_;
  GetObjectA(font, sizeof logFont_, &logFont_);
  font_ = CreateFontIndirectA(&logFont_);
  if (previous) DeleteObject(previous);
}

HFONT CCaptionBar::GetFont() {
  if (control_) {
    HFONT current = reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0));
    if (current && current != font_) SetFont(current);
  }
  return font_;
}

LOGFONTA* CCaptionBar::GetLogFont() {
  HFONT font = GetFont();
  if (font) GetObjectA(font, sizeof logFont_, &logFont_);
  return &logFont_;
}

void CCaptionBar::Invalidate() {
  if (!control_) return;
  RECT area;
  GetWindowRect(control_, &area);
  HWND parent = GetParent(control_);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
  InvalidateRect(parent, &area, TRUE);
  InvalidateRect(control_, nullptr, TRUE);
}

LRESULT CALLBACK CCaptionBar::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CCaptionBar* self = ObjectOf(window);
  if (!self) return 0;
  switch (message) {
    case kColourRequest: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      // A high-contrast scheme's text on its own background, which is
      // what the page is painted with.
      SetTextColor(dc, HighContrastOn() ? GetSysColor(COLOR_BTNTEXT) : self->textColour_);
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
    default:
      return CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
  }
}

LRESULT CALLBACK CCaptionBar::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CCaptionBar* self = ObjectOf(window);
  if (!self) return 0;
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lParam);
      if (ObjectOf(control)) return SendMessageA(control, kColourRequest, wParam, 0);
      break;
    }
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // The scheme may have changed: the caption's colour is asked anew.
      self->Invalidate();
      break;
  }
  return CallWindowProcA(self->previousParentProc_, window, message, wParam, lParam);
}
