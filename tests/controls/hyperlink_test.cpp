// The hyperlink control on a real dialog under Xvfb: what attach takes
// from the control and gives it, how it fits itself to its text in every
// alignment, the colours a person sees with a real mouse, opening through
// the shell with its error box, the tooltip, the focus rectangle, detach.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>

#include <math.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/hyperlink.h"
#include "controls_test_ids.h"
#include "harness/box_answerer.h"
#include "harness/harness.h"

namespace {

const COLORREF kNormal = RGB(0, 0, 238), kHover = RGB(238, 0, 0), kVisited = RGB(85, 26, 139);

// How often the page's default button, OK, was pressed.
int g_okPressed;

INT_PTR CALLBACK LinkPageProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK) ++g_okPressed;
  return message == WM_INITDIALOG;
}

// Contrast of two colours as the accessibility guidelines measure it:
// (lighter + 0.05) / (darker + 0.05) of their relative luminances.
double Contrast(COLORREF a, COLORREF b) {
  auto luminance = [](COLORREF c) {
    auto channel = [](int value) {
      double v = value / 255.0;
      return v <= 0.03928 ? v / 12.92 : pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(GetRValue(c)) + 0.7152 * channel(GetGValue(c)) + 0.0722 * channel(GetBValue(c));
  };
  double la = luminance(a), lb = luminance(b);
  return la > lb ? (la + 0.05) / (lb + 0.05) : (lb + 0.05) / (la + 0.05);
}

class Hyperlink : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_LINK_PAGE), nullptr, LinkPageProc, 0);
    ASSERT_NE(page_, nullptr);
    pageProc_ = GetWindowLongPtrA(page_, GWLP_WNDPROC);
    Settle();
  }
  void TearDown() override { DestroyWindow(page_); }
  void Settle() {
    UpdateWindow(page_);
    WaitUntil([] { return !GetQueueStatus(QS_ALLINPUT); }, 2000);
  }
  HWND Item(int id) { return GetDlgItem(page_, id); }
  RECT InParent(HWND control) {
    RECT area;
    GetWindowRect(control, &area);
    MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&area), 2);
    return area;
  }
  SIZE Extent(HWND control, const std::string& text) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE extent;
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return extent;
  }
  // The share of the control's pixels in `colour`, repainted.
  double Share(HWND control, COLORREF colour) {
    RedrawWindow(page_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return ShareOfColour(control, colour);
  }
  // A key going down and up on `control`.
  static void Press(HWND control, WPARAM key) {
    SendMessageA(control, WM_KEYDOWN, key, 1);
    SendMessageA(control, WM_KEYUP, key, 0xC0000001);
  }
  static void MoveMouseTo(int x, int y) {
    SetCursorPos(x, y);
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &move, sizeof move);
  }

  // The dialog manager at work, as in a real dialog's loop: keys go
  // through IsDialogMessage, which knows Tab and the default button.
  bool PumpDialogUntil(const std::function<bool()>& done, DWORD timeoutMs = kPatienceMs) {
    DWORD start = GetTickCount();
    for (;;) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        if (!IsDialogMessageA(page_, &message)) {
          TranslateMessage(&message);
          DispatchMessageA(&message);
        }
      if (done()) return true;
      if (GetTickCount() - start >= timeoutMs) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
  }
  // Pixels of `colour` along the top, left and right edges of `control`:
  // where the focus frame is drawn and the text is not.
  int EdgePixels(HWND control, COLORREF colour) {
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    int count = 0;
    for (int x = 0; x < client.right; ++x) count += GetPixel(dc, x, 0) == colour;
    for (int y = 1; y < client.bottom - 1; ++y)
      count += (GetPixel(dc, 0, y) == colour) + (GetPixel(dc, client.right - 1, y) == colour);
    ReleaseDC(control, dc);
    return count;
  }

  HWND page_ = nullptr;
  LONG_PTR pageProc_ = 0;
};

TEST_F(Hyperlink, AttachTakesWhatItLacksFromTheControlAndRefusesTwice) {
  HWND empty = Item(IDC_LINK_EMPTY), left = Item(IDC_LINK_LEFT);
  RECT before = InParent(empty);
  LONG_PTR controlProc = GetWindowLongPtrA(empty, GWLP_WNDPROC);
  CHyperlink link;
  link.SetUrl("https://parvello.example/overview");
  EXPECT_FALSE(link.Attach(nullptr));
  EXPECT_FALSE(link.Attach(reinterpret_cast<HWND>(0x12345)));
  ASSERT_TRUE(link.Attach(empty));
  EXPECT_EQ(ControlText(empty), "https://parvello.example/overview") << "an empty text shows the address";
  EXPECT_STREQ(link.Text(), "") << "the object's text stays the control's, empty";
  EXPECT_TRUE(GetWindowLongPtrA(empty, GWL_STYLE) & SS_NOTIFY);
  EXPECT_EQ(GetPropA(empty, "Hyperlink"), &link);
  EXPECT_EQ(GetPropA(page_, "Hyperlink"), &link);
  LOGFONTA font;
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(empty, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_TRUE(font.lfUnderline);
  ASSERT_TRUE(IsWindow(link.Tooltip()));
  EXPECT_EQ(SendMessageA(link.Tooltip(), TTM_GETTOOLCOUNT, 0, 0), 1);
  EXPECT_NE(link.Cursor(), nullptr) << "the Windows Help program's hand, or this program's";
  EXPECT_FALSE(link.Attach(left)) << "a second attach";
  EXPECT_EQ(GetPropA(left, "Hyperlink"), nullptr);

  // SetText replaces the text and fits the control to it.
  link.SetText("Parvello on the web");
  EXPECT_EQ(ControlText(empty), "Parvello on the web");
  EXPECT_EQ(InParent(empty).right - InParent(empty).left, Extent(empty, "Parvello on the web").cx);

  // Detach: the rectangle, the tooltip, the properties and the procedures
  // are given back.
  HWND tooltip = link.Tooltip();
  link.Detach();
  RECT after = InParent(empty);
  EXPECT_TRUE(EqualRect(&after, &before));
  EXPECT_FALSE(IsWindow(tooltip));
  EXPECT_EQ(GetPropA(empty, "Hyperlink"), nullptr);
  EXPECT_EQ(GetPropA(page_, "Hyperlink"), nullptr);
  EXPECT_EQ(GetWindowLongPtrA(empty, GWLP_WNDPROC), controlProc);
  EXPECT_EQ(GetWindowLongPtrA(page_, GWLP_WNDPROC), pageProc_);

  // Text and address given first: nothing is read from the control.
  CHyperlink given;
  given.SetText("Given text");
  given.SetUrl("C:\\given.txt");
  ASSERT_TRUE(given.Attach(left));
  EXPECT_STREQ(given.Text(), "Given text");
  EXPECT_STREQ(given.Url(), "C:\\given.txt");
  EXPECT_EQ(ControlText(left), "Left-aligned link") << "the control keeps its template text";
}

// The link's font is its own and dies with it; a static that outlives the
// link draws with the font it had before, never with a deleted one. A font
// that cannot be read gives the control its own font back at once.
TEST_F(Hyperlink, AStaticThatOutlivesItsLinkHasItsOwnFontBack) {
  HWND control = Item(IDC_LINK_LEFT);
  HFONT own = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  LOGFONTA description;
  ASSERT_TRUE(GetObjectA(own, sizeof description, &description));
  ASSERT_FALSE(description.lfUnderline);
  HFONT gone = CreateFontIndirectA(&description);
  DeleteObject(gone);
  {
    CHyperlink link;
    ASSERT_TRUE(link.Attach(control));
    HFONT underlined = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    EXPECT_NE(underlined, own);
    link.SetFont(gone);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), own);
    EXPECT_FALSE(GetObjectA(underlined, sizeof description, &description)) << "the replaced font is deleted";
    link.SetFont(own);
    ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof description,
                           &description));
    EXPECT_TRUE(description.lfUnderline);
    link.Detach();
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), own) << "given back at detach";
    ASSERT_TRUE(link.Attach(control));
  }
  // The object is gone, with its font; the static draws its text with its own.
  HFONT now = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  EXPECT_EQ(now, own);
  EXPECT_TRUE(GetObjectA(now, sizeof description, &description));
  RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_GT(ShareOfColour(control, GetSysColor(COLOR_WINDOWTEXT)), 0.02) << "the text is drawn";
}

TEST_F(Hyperlink, ItFitsItselfToItsTextInEveryAlignment) {
  std::vector<CHyperlink> links(6);
  const int ids[] = {IDC_LINK_EMPTY,  IDC_LINK_LEFT,          IDC_LINK_CENTRE,
                     IDC_LINK_RIGHT,  IDC_LINK_CENTRE_MIDDLE, IDC_LINK_LEFT_MIDDLE};
  RECT initial[6];
  for (int i = 0; i < 6; ++i) {
    initial[i] = InParent(Item(ids[i]));
    links[i].SetUrl("https://parvello.example/");
    ASSERT_TRUE(links[i].Attach(Item(ids[i])));
  }
  Settle();
  SaveScreenshot("hyperlink-alignments");
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(ids[i]);
    HWND control = Item(ids[i]);
    RECT now = InParent(control), r = initial[i];
    SIZE text = Extent(control, ControlText(control));
    LONG style = GetWindowLongA(control, GWL_STYLE);
    LONG top = r.top, bottom = r.top + text.cy;
    if (style & SS_CENTERIMAGE) {
      LONG d = (r.bottom - r.top - text.cy - 2) / 2;
      top = r.top + d;
      bottom = r.bottom - d;
    }
    EXPECT_EQ(now.top, top);
    EXPECT_EQ(now.bottom, bottom);
    switch (ids[i]) {
      case IDC_LINK_CENTRE:
      case IDC_LINK_CENTRE_MIDDLE:
        EXPECT_EQ(now.left, r.left + (r.right - r.left - text.cx - 2) / 2);
        EXPECT_EQ(now.right, r.right - (r.right - r.left - text.cx - 2) / 2);
        break;
      case IDC_LINK_RIGHT:
        EXPECT_EQ(now.left, r.right - text.cx);
        EXPECT_EQ(now.right, r.right);
        break;
      default:
        EXPECT_EQ(now.left, r.left) << "left-aligned: exactly the text at the top-left corner";
        EXPECT_EQ(now.right, r.left + text.cx);
    }
  }

  // A centred rectangle 100 wide keeps (100 - text - 2) / 2 on each side
  // (61 pixels of text give 18). The text is measured in the prefix's font;
  // one that leaves an odd remainder shows that the halving truncates. A
  // text wider than the rectangle grows it on both sides (the halving is
  // signed). Links under one parent are detached in the reverse order of
  // their attachment.
  for (int i = 5; i >= 0; --i) links[i].Detach();
  EXPECT_EQ(GetWindowLongPtrA(page_, GWLP_WNDPROC), pageProc_);
  HWND centre = Item(IDC_LINK_CENTRE);
  RECT r = InParent(centre);
  MoveWindow(centre, r.left, r.top, 100, r.bottom - r.top, FALSE);
  std::string odd;
  LONG width = 0;
  for (char c = '!'; c <= '~' && odd.empty(); ++c)
    for (int n = 1; n < 60 && odd.empty(); ++n) {
      std::string candidate(n, c);
      width = Extent(centre, candidate).cx;
      if (width > 20 && width < 96 && (98 - width) % 2 == 1) odd = candidate;
    }
  ASSERT_FALSE(odd.empty()) << "no text in this font leaves an odd remainder";
  CHyperlink example;
  ASSERT_TRUE(example.Attach(centre));
  example.SetText(odd.c_str());
  // The underlined copy of the font has the same widths.
  ASSERT_EQ(Extent(centre, odd).cx, width);
  LONG margin = (98 - width - 1) / 2;
  EXPECT_EQ(InParent(centre).left, r.left + margin);
  EXPECT_EQ(InParent(centre).right, r.left + 100 - margin);
  std::string wide(40, 'W');
  LONG d = (100 - Extent(centre, wide).cx - 2) / 2;
  ASSERT_LT(d, 0);
  example.SetText(wide.c_str());
  EXPECT_EQ(InParent(centre).left, r.left + d);
  EXPECT_EQ(InParent(centre).right, r.left + 100 - d);
}

TEST_F(Hyperlink, APersonSeesTheLinkColoursChangeAndOpensIt) {
  HWND control = Item(IDC_LINK_LEFT);
  CHyperlink link;
  link.SetUrl(WinePath(DO_NOTHING_EXE).c_str());  // opens for real, and ends at once
  ASSERT_TRUE(link.Attach(control));
  // The tip would cover the text while the mouse rests on it.
  SendMessageA(link.Tooltip(), TTM_ACTIVATE, FALSE, 0);
  Settle();
  EXPECT_GT(Share(control, kNormal), 0.05);
  EXPECT_EQ(Share(control, kHover), 0);

  // The real cursor over the link, then away from it.
  RECT area;
  GetWindowRect(control, &area);
  MoveMouseTo((area.left + area.right) / 2, (area.top + area.bottom) / 2);
  ASSERT_TRUE(WaitUntil([&] { return link.Hovering(); }));
  EXPECT_EQ(GetCapture(), control);
  EXPECT_GT(Share(control, kHover), 0.05);
  EXPECT_EQ(Share(control, kNormal), 0);
  MoveMouseTo(area.right + 40, area.bottom + 40);
  ASSERT_TRUE(WaitUntil([&] { return !link.Hovering(); }));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_GT(Share(control, kNormal), 0.05);

  // A button pressed does nothing; the left one released opens.
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  SendMessageA(control, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(2, 2));
  EXPECT_FALSE(link.Visited());
  SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(link.Visited());
  EXPECT_GT(Share(control, kVisited), 0.05);
  SaveScreenshot("hyperlink-visited");

  // A later open that fails: the box, and the normal colour again.
  BoxAnswerer answerer("Hyperlink Control");
  link.SetUrl("C:\\no such file.txt");
  Press(control, VK_SPACE);
  EXPECT_FALSE(link.Visited());
  EXPECT_GT(Share(control, kNormal), 0.05);
  // An existing file of a type nothing opens.
  std::string orphan = "C:\\parvello-link-test.zzqq";
  ASSERT_TRUE(WriteFileBytes(orphan, "x", 1));
  link.SetUrl(orphan.c_str());
  Press(control, VK_RETURN);
  DeleteFileA(orphan.c_str());
  ASSERT_TRUE(WaitUntil([&] { return answerer.Seen().size() == 2; }));
  std::vector<std::string> seen = answerer.Seen();
  EXPECT_EQ(seen[0], "Hyperlink Control|Unable to open hyperlink:\n\nThe specified file was not found.")
      << "a missing file";
  EXPECT_EQ(seen[1],
            "Hyperlink Control|Unable to open hyperlink:\n\n"
            "There is no application associated\nwith the given filename extension.");
  // Other keys open nothing, nor a key that went down elsewhere.
  Press(control, 'A');
  SendMessageA(control, WM_KEYUP, VK_RETURN, 0);
  EXPECT_FALSE(WaitUntil([&] { return answerer.Seen().size() > 2; }, 300));
}

TEST_F(Hyperlink, EveryShellErrorHasItsText) {
  const struct {
    INT_PTR code;
    const char* text;
  } errors[] = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred."},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
      {4, "Unknown Error occurred."},
  };
  CHyperlink link;
  BoxAnswerer answerer("Hyperlink Control");
  for (const auto& error : errors) EXPECT_EQ(link.ShowOpenError(page_, error.code), IDOK);
  std::vector<std::string> seen = answerer.Seen();
  ASSERT_EQ(seen.size(), sizeof errors / sizeof errors[0]);
  for (size_t i = 0; i < seen.size(); ++i)
    EXPECT_EQ(seen[i], std::string("Hyperlink Control|Unable to open hyperlink:\n\n") + errors[i].text) << errors[i].code;
}

TEST_F(Hyperlink, TheTooltipShowsTheAddressAndTheFocusRectangleComesAndGoes) {
  HWND control = Item(IDC_LINK_CENTRE);
  CHyperlink link;
  link.SetUrl("https://parvello.example/help");
  ASSERT_TRUE(link.Attach(control));
  Settle();
  RECT area;
  GetWindowRect(control, &area);
  MoveMouseTo((area.left + area.right) / 2, (area.top + area.bottom) / 2);
  ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(link.Tooltip()) != 0; })) << "the tip shows";
  char tip[256] = "";
  TTTOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = link.Tooltip();
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = tip;
  SendMessageA(link.Tooltip(), TTM_GETTEXTA, sizeof tip, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(tip, "https://parvello.example/help");
  SaveScreenshot("hyperlink-tooltip");
  MoveMouseTo(area.right + 60, area.bottom + 60);
  ASSERT_TRUE(WaitUntil([&] { return !link.Hovering(); }));

  // Focus: an inverted dotted frame on the client rectangle, gone again
  // when the focus leaves (judged by changed and restored pixels).
  Settle();
  auto pixels = [&] {
    std::vector<COLORREF> line;
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    for (int x = 0; x < client.right; ++x) line.push_back(GetPixel(dc, x, 0));
    ReleaseDC(control, dc);
    return line;
  };
  std::vector<COLORREF> before = pixels();
  SetFocus(control);
  std::vector<COLORREF> focused = pixels();
  SetFocus(Item(IDOK));
  std::vector<COLORREF> after = pixels();
  EXPECT_NE(focused, before) << "the frame is drawn";
  EXPECT_EQ(after, before) << "and removed";
}

// With the keyboard alone: Tab reaches the link and its focus frame shows
// exactly while it has the focus, repaints included; Enter opens it once
// and presses no default button; the Enter that closes the error box opens
// nothing again.
TEST_F(Hyperlink, TheKeyboardOpensTheLinkOnceAndPressesNothingElse) {
  HWND control = Item(IDC_LINK_LEFT);
  CHyperlink link;
  link.SetUrl("C:\\no such file.txt");
  ASSERT_TRUE(link.Attach(control));
  SendMessageA(link.Tooltip(), TTM_ACTIVATE, FALSE, 0);
  g_okPressed = 0;
  SetForegroundWindow(page_);
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == page_; }));
  SetFocus(Item(IDC_LINK_EMPTY));
  Settle();
  int unfocused = EdgePixels(control, kNormal);
  TypeKeys({VK_TAB});
  ASSERT_TRUE(PumpDialogUntil([&] { return GetFocus() == control; }));
  PumpDialogUntil([] { return !GetQueueStatus(QS_ALLINPUT); }, 2000);
  RECT client;
  GetClientRect(control, &client);
  int frame = client.right / 4;
  EXPECT_GT(EdgePixels(control, kNormal), unfocused + frame) << "the frame at first focus";
  RedrawWindow(page_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_GT(EdgePixels(control, kNormal), unfocused + frame) << "and after a repaint";

  // A second thread closes the error box with a real Enter, as a person
  // does: the box is gone before the key comes up again.
  struct Closer {
    volatile LONG boxes = 0;
    volatile bool stop = false;
    static DWORD WINAPI Run(void* self) {
      auto* closer = static_cast<Closer*>(self);
      while (!closer->stop) {
        HWND box = nullptr;
        WaitUntil([&] { return closer->stop || (box = FindDialogOf(GetCurrentProcessId(), "Hyperlink Control")); },
                  INFINITE);
        if (!box) break;
        InterlockedIncrement(&closer->boxes);
        KeyStroke(VK_RETURN, false);
        WaitUntil([&] { return !IsWindow(box); }, 5000);
        KeyStroke(VK_RETURN, true);
      }
      return 0;
    }
  } closer;
  HANDLE thread = CreateThread(nullptr, 0, Closer::Run, &closer, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  TypeKeys({VK_RETURN});
  EXPECT_TRUE(PumpDialogUntil([&] { return closer.boxes == 1 && !FindDialogOf(GetCurrentProcessId(), "Hyperlink Control"); }));
  EXPECT_FALSE(PumpDialogUntil([&] { return closer.boxes > 1; }, 500)) << "opened again by the Enter that closed the box";
  EXPECT_EQ(g_okPressed, 0) << "Enter on the link is the link's";
  closer.stop = true;
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);

  // The focus gone, so is the frame.
  SetFocus(Item(IDOK));
  RedrawWindow(page_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_EQ(EdgePixels(control, kNormal), unfocused);
}

// What a screen reader asks of the link, as SysLink answers it: a link
// named by its text, its address as its value, "Jump" as its default
// action, which opens it.
TEST_F(Hyperlink, AScreenReaderMeetsALinkItCanFollow) {
#ifdef _WIN64
  // The object answers WM_GETOBJECT here too, but Wine 8's 64-bit oleacc
  // cannot take back what LresultFromObject marshals (E_NOINTERFACE for
  // IAccessible). The setup that ships is 32-bit, and this runs there.
  GTEST_SKIP() << "Wine's 64-bit oleacc does not unmarshal IAccessible";
#endif
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  HWND control = Item(IDC_LINK_LEFT);
  CHyperlink link;
  std::string address = WinePath(DO_NOTHING_EXE);
  link.SetUrl(address.c_str());
  ASSERT_TRUE(link.Attach(control));
  IAccessible* object = nullptr;
  ASSERT_EQ(AccessibleObjectFromWindow(control, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object)),
            S_OK);
  ASSERT_NE(object, nullptr);
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
    BSTR answer = nullptr;
    std::string narrow;
    if ((object->*get)(self, &answer) == S_OK && answer) {
      char buffer[512] = "";
      WideCharToMultiByte(CP_ACP, 0, answer, -1, buffer, sizeof buffer, nullptr, nullptr);
      narrow = buffer;
      SysFreeString(answer);
    }
    return narrow;
  };
  VARIANT role, state;
  ASSERT_EQ(object->get_accRole(self, &role), S_OK);
  EXPECT_EQ(role.vt, VT_I4);
  EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
  EXPECT_EQ(text(&IAccessible::get_accName), "Left-aligned link");
  EXPECT_EQ(text(&IAccessible::get_accValue), address);
  EXPECT_EQ(text(&IAccessible::get_accDefaultAction), "Jump");
  ASSERT_EQ(object->get_accState(self, &state), S_OK);
  EXPECT_TRUE(state.lVal & STATE_SYSTEM_LINKED);
  EXPECT_TRUE(state.lVal & STATE_SYSTEM_FOCUSABLE);
  EXPECT_FALSE(state.lVal & STATE_SYSTEM_TRAVERSED);
  EXPECT_EQ(object->accDoDefaultAction(self), S_OK);
  EXPECT_TRUE(WaitUntil([&] { return link.Visited() != 0; })) << "the default action opens the link";
  object->Release();
  CoUninitialize();
}

// In a dark high-contrast scheme the link takes the scheme's link colour,
// readable on the scheme's background; with the same colours but no high
// contrast it keeps its own. The scheme is the prefix's (a process reads
// it when it starts): this test sets it and runs itself again in a child
// of its own. Wine cannot switch high contrast on: the test build's
// controls are told it is on.
TEST_F(Hyperlink, AHighContrastSchemeGivesTheLinkItsLinkColour) {
  const COLORREF yellow = RGB(255, 255, 0);
  char child[2] = "";
  if (!GetEnvironmentVariableA("PARVELLO_TEST_SCHEME_CHILD", child, sizeof child)) {
    ControlPanelValue face("Colors", "ButtonFace"), text("Colors", "ButtonText"), link("Colors", "HotTrackingColor");
    ASSERT_TRUE(face.SetText("0 0 0") && text.SetText("255 255 255") && link.SetText("255 255 0"));
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SetEnvironmentVariableA("PARVELLO_TEST_SCHEME_CHILD", "1");
    DWORD exitCode = RunProgram(self, "--gtest_filter=Hyperlink.AHighContrastSchemeGivesTheLinkItsLinkColour");
    SetEnvironmentVariableA("PARVELLO_TEST_SCHEME_CHILD", nullptr);
    EXPECT_EQ(exitCode, 0u) << "the test in the dark scheme failed; its output is above";
    return;
  }
  ASSERT_EQ(GetSysColor(COLOR_HOTLIGHT), yellow) << "the child reads the scheme";
  HWND control = Item(IDC_LINK_LEFT);
  CHyperlink link;
  link.SetUrl("https://parvello.example/");
  ASSERT_TRUE(link.Attach(control));
  SendMessageA(link.Tooltip(), TTM_ACTIVATE, FALSE, 0);
  EXPECT_GT(Share(control, kNormal), 0.05) << "its own blue without high contrast";
  SetEnvironmentVariableA("PARVELLO_TEST_HIGH_CONTRAST", "1");
  EXPECT_GT(Share(control, yellow), 0.05);
  EXPECT_EQ(Share(control, kNormal), 0);
  SaveScreenshot("hyperlink-high-contrast");
  // What the screen shows: the link's colour against the page beside it.
  HDC dc = GetDC(page_);
  RECT area = InParent(control);
  COLORREF background = GetPixel(dc, area.right + 4, area.top + 2);
  ReleaseDC(page_, dc);
  EXPECT_EQ(background, RGB(0, 0, 0));
  EXPECT_GE(Contrast(yellow, background), 4.5);
  SetEnvironmentVariableA("PARVELLO_TEST_HIGH_CONTRAST", nullptr);
}

}  // namespace
