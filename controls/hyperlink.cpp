#include "controls/hyperlink.h"

#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>
#include <stddef.h>
#include <string.h>

#include "app/system_dlls.h"
#include "common/accessible_override.h"
#include "controls/subclassing.h"
#include "controls/system_look.h"

namespace {

constexpr char kProperty[] = "Hyperlink";
// The parent reflects a link's WM_CTLCOLORSTATIC to it under this number,
// which no static control answers on its own.
constexpr UINT kColourRequest = WM_USER + 1;
// A screen reader's "Jump" arrives as this, posted, so that the reader is
// not kept waiting by what the opening shows.
constexpr UINT kOpenRequest = WM_USER + 2;
constexpr int kTextSize = 255;  // 254 characters and the terminator
// The Windows Help program's pointing hand.
constexpr UINT kHelpProgramHand = 106;
constexpr UINT kProgramHand = 130;

// The tool information up to its lParam field: the form every comctl32
// since version 4.70 knows.
constexpr UINT kToolInfoSize = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM);
#ifndef _WIN64
static_assert(kToolInfoSize == 44, "tool information size");
#endif

CHyperlink* ObjectOf(HWND window) { return static_cast<CHyperlink*>(GetPropA(window, kProperty)); }

void CopyText(char* to, const char* from) {
  if (from) lstrcpynA(to, from, kTextSize);
}

struct OpenError {
  INT_PTR code;
  const char* text;
};
const OpenError kOpenErrors[] = {
    {0, "The operating system is out\nof memory or resources."},
    {SE_ERR_FNF, "The specified file was not found."},
    {SE_ERR_PNF, "The specified path was not found."},
    {SE_ERR_ACCESSDENIED, "The operating system denied\naccess to the specified file."},
    {SE_ERR_OOM, "There was not enough memory to complete the operation."},
    {ERROR_BAD_FORMAT, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {SE_ERR_SHARE, "A sharing violation occurred."},
    {SE_ERR_ASSOCINCOMPLETE, "The filename association is\nincomplete or invalid."},
    {SE_ERR_DDETIMEOUT, "The DDE transaction could not\nbe completed because the request timed out."},
    {SE_ERR_DDEFAIL, "The DDE transaction failed."},
    {SE_ERR_DDEBUSY, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {SE_ERR_NOASSOC, "There is no application associated\nwith the given filename extension."},
    {SE_ERR_DLLNOTFOUND, "The specified dynamic-link library was not found."},
};

}  // namespace

CHyperlink::CHyperlink()
    : control_(nullptr),
      tooltip_(nullptr),
      font_(nullptr),
      originalFont_(nullptr),
      cursor_(nullptr),
      text_(),
      url_(),
      normalColour_(RGB(0, 0, 238)),
      visitedColour_(RGB(85, 26, 139)),
      hoverColour_(RGB(238, 0, 0)),
      hovering_(FALSE),
      visited_(FALSE),
      underline_(TRUE),
      autoSize_(TRUE),
      pressedKey_(0),
      initialRect_(),
      textRect_(),
      previousControlProc_(nullptr),
      previousParentProc_(nullptr) {
  INITCOMMONCONTROLSEX classes = {8, 0xFF};  // ICC_WIN95_CLASSES
  SystemInitCommonControlsEx(&classes);
}

// The owned font and cursor go with the object; the objects live until
// process exit.
CHyperlink::~CHyperlink() {
  Detach();
  if (font_) DeleteObject(font_);
  if (cursor_) DestroyCursor(cursor_);
}

void CHyperlink::SetText(const char* text) {
  CopyText(text_, text);
  if (!control_) return;
  SetWindowTextA(control_, text_);
  SizeToText();
}

void CHyperlink::FillToolInfo(void* info) {
  TTTOOLINFOA* tool = static_cast<TTTOOLINFOA*>(info);
  memset(tool, 0, kToolInfoSize);
  tool->cbSize = kToolInfoSize;
  tool->uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool->hwnd = tooltip_;
  tool->uId = reinterpret_cast<UINT_PTR>(control_);
  GetClientRect(control_, &tool->rect);
  tool->lpszText = url_;
}

void CHyperlink::SetUrl(const char* url) {
  CopyText(url_, url);
  if (!control_) return;
  TTTOOLINFOA tool;
  FillToolInfo(&tool);
  SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

BOOL CHyperlink::Attach(HWND control) {
  if (!IsWindow(control) || control_) return FALSE;
  control_ = control;
  // Given back at detach: the owned font dies with the object, and a
  // static that outlives its link must not draw with a deleted font.
  originalFont_ = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  GetWindowRect(control, &initialRect_);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&initialRect_), 2);
  SubclassControl(control, kProperty, this, &CHyperlink::ControlProc, &CHyperlink::ParentProc,
                  &previousControlProc_, &previousParentProc_);

  if (!url_[0]) GetWindowTextA(control, url_, kTextSize);
  if (!text_[0]) GetWindowTextA(control, text_, kTextSize);
  if (GetWindowTextLengthA(control) == 0) SetWindowTextA(control, url_);
  if (!font_) SetFont(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SizeToText();

  char helpProgram[MAX_PATH + 16];
  UINT length = GetWindowsDirectoryA(helpProgram, MAX_PATH);
  if (length && length < MAX_PATH) {
    lstrcpynA(helpProgram + length, "\\WinHlp32.exe", 16);
    SetLinkCursor(kHelpProgramHand, helpProgram);
  }
  // Where the Windows Help program (or its hand) is missing, this
  // program's own hand stands in.
  if (!cursor_) SetLinkCursor(kProgramHand, nullptr);

  tooltip_ = CreateWindowExA(WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                             0, control, nullptr, nullptr, nullptr);
  TTTOOLINFOA tool;
  FillToolInfo(&tool);
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  return TRUE;
}

// The control lets go of the old owned font before it is deleted: it gets
// the new one, or its original font when the given one cannot be read.
void CHyperlink::SetFont(HFONT font) {
  HFONT previous = font_;
  font_ = nullptr;
  LOGFONTA description;
  if (font && GetObjectA(font, sizeof description, &description)) {
    description.lfUnderline = static_cast<BYTE>(underline_);
    font_ = CreateFontIndirectA(&description);
  }
  if (control_) {
    SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font_ ? font_ : originalFont_), TRUE);
    SizeToText();
  }
  if (previous) DeleteObject(previous);
}

// Always a copy of the cursor, so that the one held can always be
// destroyed: a cursor loaded from a module without a copy is shared.
void CHyperlink::SetLinkCursor(UINT id, const char* path) {
  if (cursor_) DestroyCursor(cursor_);
  cursor_ = nullptr;
  if (!path) {
    if (HCURSOR shared = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(LOWORD(id))))
      cursor_ = CopyIcon(shared);
    return;
  }
  // Only its resources are wanted: none of its code runs.
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) return;
  if (HCURSOR loaded = LoadCursorA(module, MAKEINTRESOURCEA(LOWORD(id)))) cursor_ = CopyIcon(loaded);
  FreeLibrary(module);
}

void CHyperlink::SizeToText() {
  if (!control_) return;
  if (!autoSize_) {
    Redraw();
    return;
  }
  RECT area = initialRect_;
  char text[kTextSize];
  int length = GetWindowTextA(control_, text, kTextSize);
  SIZE extent = {0, 0};
  HDC dc = GetDC(control_);
  HGDIOBJ previous = SelectObject(dc, font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(SYSTEM_FONT));
  GetTextExtentPoint32A(dc, text, length, &extent);
  SelectObject(dc, previous);
  ReleaseDC(control_, dc);

  LONG style = GetWindowLongA(control_, GWL_STYLE);
  // Signed halvings, rounding toward zero.
  if (style & SS_CENTERIMAGE) {
    LONG d = (area.bottom - area.top - extent.cy - 2) / 2;
    area.top += d;
    area.bottom -= d;
  } else {
    area.bottom = area.top + extent.cy;
  }
  if (style & SS_CENTER) {
    LONG d = (area.right - extent.cx - area.left - 2) / 2;
    area.left += d;
    area.right -= d;
  } else if (style & SS_RIGHT) {
    area.left = area.right - extent.cx;
  } else {
    area.right = area.left + extent.cx;
  }
  textRect_ = area;
  Redraw();
  SetWindowPos(control_, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top, SWP_NOZORDER);
}

void CHyperlink::Redraw() {
  if (!control_) return;
  RECT inner = {textRect_.left + 1, textRect_.top + 1, textRect_.right - 1, textRect_.bottom - 1};
  InvalidateRect(GetParent(control_), &inner, TRUE);
  InvalidateRect(control_, nullptr, TRUE);
  if (GetFocus() == control_) {
    SetFocus(control_);
    SetFocus(control_);
  }
}

// In a high-contrast scheme every state of the link shows in the scheme's
// link colour; the underline and the hand still tell it is a link.
COLORREF CHyperlink::TextColour() const {
  if (HighContrastOn()) return GetSysColor(COLOR_HOTLIGHT);
  return hovering_ ? hoverColour_ : visited_ ? visitedColour_ : normalColour_;
}

void CHyperlink::RepaintWhole() {
  RECT area;
  GetWindowRect(control_, &area);
  HWND parent = GetParent(control_);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
  RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// A dotted frame in the link's colour, drawn over whatever is there: the
// same on every paint, unlike the inverting focus rectangle.
void CHyperlink::DrawFocusMark() {
  HDC dc = GetDC(control_);
  if (!dc) return;
  RECT client;
  GetClientRect(control_, &client);
  LOGBRUSH ink = {BS_SOLID, TextColour(), 0};
  HPEN dots = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &ink, 0, nullptr);
  HGDIOBJ previousPen = SelectObject(dc, dots ? static_cast<HGDIOBJ>(dots) : GetStockObject(BLACK_PEN));
  HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, client.left, client.top, client.right, client.bottom);
  SelectObject(dc, previousBrush);
  SelectObject(dc, previousPen);
  if (dots) DeleteObject(dots);
  ReleaseDC(control_, dc);
}

void CHyperlink::Open() {
  ReleaseCapture();
  INT_PTR result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", url_, nullptr, nullptr, SW_SHOW));
  visited_ = result > 32;
  if (visited_) {
    hovering_ = FALSE;
    Redraw();
    return;
  }
  MessageBeep(MB_ICONEXCLAMATION);
  ShowOpenError(GetParent(control_), result);
}

int CHyperlink::ShowOpenError(HWND owner, INT_PTR code) {
  const char* reason = "Unknown Error occurred.";
  for (const OpenError& error : kOpenErrors)
    if (error.code == code) reason = error.text;
  char message[256];
  lstrcpynA(message, "Unable to open hyperlink:\n\n", sizeof message);
  lstrcpynA(message + lstrlenA(message), reason, static_cast<int>(sizeof message) - lstrlenA(message));
  return MessageBoxA(owner, message, "Hyperlink Control", MB_ICONEXCLAMATION | MB_OK);
}

void CHyperlink::Detach() {
  if (!control_) return;
  SetWindowPos(control_, nullptr, initialRect_.left, initialRect_.top, initialRect_.right - initialRect_.left,
               initialRect_.bottom - initialRect_.top, SWP_NOZORDER);
  if (tooltip_) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  text_[0] = url_[0] = '\0';
  SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(originalFont_), TRUE);
  RestoreControl(control_, kProperty, this, previousControlProc_, previousParentProc_);
  control_ = nullptr;
}

LRESULT CALLBACK CHyperlink::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CHyperlink* self = ObjectOf(window);
  if (!self) return 0;
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
      self->pressedKey_ = 0;
      // Painted afresh, page under it included: the focus frame shows
      // exactly while the link has the focus.
      self->RepaintWhole();
      return 0;
    case WM_PAINT:
      CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
      if (GetFocus() == window) self->DrawFocusMark();
      return 0;
    case WM_GETDLGCODE: {
      // Enter on the link is the link's, not the dialog's default button.
      LRESULT code = CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
      const MSG* key = reinterpret_cast<const MSG*>(lParam);
      if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      // A key that went down elsewhere (the Enter that closed the error
      // box) and comes up here opens nothing; held, it opens once.
      if ((wParam == VK_SPACE || wParam == VK_RETURN) && !(lParam & 0x40000000)) self->pressedKey_ = wParam;
      break;
    case kOpenRequest:
      self->Open();
      return 0;
    case WM_GETOBJECT: {
      DWORD state = STATE_SYSTEM_LINKED | STATE_SYSTEM_FOCUSABLE | (self->visited_ ? STATE_SYSTEM_TRAVERSED : 0);
      AccessibleFacts facts = {ROLE_SYSTEM_LINK, self->text_[0] ? self->text_ : nullptr, self->url_, "Jump", state,
                               kOpenRequest};
      if (LRESULT answer = AnswerAccessibleObject(window, wParam, lParam, facts)) return answer;
      break;
    }
    case WM_SETCURSOR:
      CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
      if (!self->cursor_) return 0;
      SetCursor(self->cursor_);
      return 1;
    case WM_KEYUP:
      CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
      if ((wParam == VK_SPACE || wParam == VK_RETURN) && self->pressedKey_ == wParam) {
        self->pressedKey_ = 0;
        self->Open();
      }
      return 0;
    case WM_MOUSEMOVE:
      CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
      if (!self->hovering_) {
        self->hovering_ = TRUE;
        self->Redraw();
        SetCapture(window);
      } else {
        // Left or above the control, the coordinates wrap to large ones.
        POINT point = {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
        RECT client;
        GetClientRect(window, &client);
        if (!PtInRect(&client, point)) {
          ReleaseCapture();
          self->hovering_ = FALSE;
          self->Redraw();
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      return 0;
    case WM_LBUTTONUP:
      CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
      self->Open();
      return 0;
    case kColourRequest: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, self->TextColour());
      SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
    }
  }
  return CallWindowProcA(self->previousControlProc_, window, message, wParam, lParam);
}

LRESULT CALLBACK CHyperlink::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CHyperlink* self = ObjectOf(window);
  if (!self) return 0;
  if (message == WM_CTLCOLORSTATIC && ObjectOf(reinterpret_cast<HWND>(lParam)))
    return SendMessageA(reinterpret_cast<HWND>(lParam), kColourRequest, wParam, 0);
  // The scheme may have changed: the link's colour is asked anew.
  if ((message == WM_SYSCOLORCHANGE || message == WM_SETTINGCHANGE) && self->control_) self->RepaintWhole();
  return CallWindowProcA(self->previousParentProc_, window, message, wParam, lParam);
}
