// The caption bar and the picture control on a real dialog under Xvfb,
// judged by what Windows reports: fonts, styles, procedures, properties,
// colour answers and painted pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "controls/caption_bar.h"
#include "controls/picture.h"
#include "controls_test_ids.h"
#include "harness/harness.h"

namespace {

constexpr UINT kColourRequest = 0x0019;
// What the page's own procedure answers for statics it draws itself.
HBRUSH OwnBrush() { return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)); }

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_CTLCOLORSTATIC) return reinterpret_cast<INT_PTR>(OwnBrush());
  return FALSE;
}

class Controls : public ::testing::Test {
 protected:
  void SetUp() override {
    page_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_TEST_PAGE), nullptr, PageProc, 0);
    ASSERT_NE(page_, nullptr);
    title_ = GetDlgItem(page_, IDC_TEST_TITLE);
    second_ = GetDlgItem(page_, IDC_TEST_SECOND);
    plain_ = GetDlgItem(page_, IDC_TEST_PLAIN);
    placeholder_ = GetDlgItem(page_, IDC_TEST_PICTURE);
    pageProc_ = GetWindowLongPtrA(page_, GWLP_WNDPROC);
    titleProc_ = GetWindowLongPtrA(title_, GWLP_WNDPROC);
    placeholderProc_ = GetWindowLongPtrA(placeholder_, GWLP_WNDPROC);
    Settle();
  }
  void TearDown() override { DestroyWindow(page_); }

  // Lets pending paint and X events through before anything is judged.
  void Settle() {
    UpdateWindow(page_);
    WaitUntil([] { return !GetQueueStatus(QS_ALLINPUT); }, 2000);
  }

  LOGFONTA FontOf(HWND control) {
    LOGFONTA font = {};
    HFONT handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    GetObjectA(handle, sizeof font, &font);
    return font;
  }
  int ClientHeight(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    return client.bottom;
  }

  HWND page_ = nullptr, title_ = nullptr, second_ = nullptr, plain_ = nullptr, placeholder_ = nullptr;
  LONG_PTR pageProc_ = 0, titleProc_ = 0, placeholderProc_ = 0;
};

TEST_F(Controls, CaptionIsExtraBoldArialFillingTheControl) {
  CCaptionBar caption;
  ASSERT_TRUE(caption.Attach(title_));
  LOGFONTA font = FontOf(title_);
  EXPECT_STREQ(font.lfFaceName, "Arial");
  EXPECT_EQ(font.lfWeight, FW_EXTRABOLD);
  EXPECT_EQ(font.lfHeight, ClientHeight(title_));
  EXPECT_EQ(font.lfQuality, PROOF_QUALITY);
  // The realised font's cell is the client height too.
  HDC dc = GetDC(title_);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(title_, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics;
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(title_, dc);
  EXPECT_EQ(metrics.tmHeight, ClientHeight(title_));
  EXPECT_TRUE(GetWindowLongPtrA(title_, GWL_STYLE) & SS_NOTIFY);
  EXPECT_EQ(GetPropA(title_, "CaptionBar"), &caption);
  EXPECT_EQ(GetPropA(page_, "CaptionBar"), &caption);
  EXPECT_STREQ(caption.GetText(), "Welcome to Parvello 1.1 Setup") << "read from the template";
  caption.Detach();
}

TEST_F(Controls, AttachIsRefusedForANonWindowAndASecondTime) {
  CCaptionBar caption;
  EXPECT_FALSE(caption.Attach(nullptr));
  EXPECT_FALSE(caption.Attach(reinterpret_cast<HWND>(0x12345)));
  EXPECT_EQ(GetWindowLongPtrA(page_, GWLP_WNDPROC), pageProc_);
  ASSERT_TRUE(caption.Attach(title_));
  LONG_PTR subclassed = GetWindowLongPtrA(title_, GWLP_WNDPROC);
  EXPECT_FALSE(caption.Attach(second_));
  EXPECT_EQ(GetPropA(second_, "CaptionBar"), nullptr);
  EXPECT_EQ(GetWindowLongPtrA(title_, GWLP_WNDPROC), subclassed);
  caption.Detach();

  CPicture picture;
  EXPECT_FALSE(picture.Attach(nullptr));
  ASSERT_TRUE(picture.Attach(placeholder_));
  EXPECT_FALSE(picture.Attach(plain_));
  EXPECT_TRUE(picture.Detach());
  EXPECT_FALSE(picture.Detach());
}

TEST_F(Controls, AGivenCaptionTextReplacesTheTemplateText) {
  CCaptionBar caption;
  caption.SetText("License Agreement");
  ASSERT_TRUE(caption.Attach(title_));
  char text[256];
  GetWindowTextA(title_, text, sizeof text);
  EXPECT_STREQ(text, "License Agreement");
  caption.Detach();
  EXPECT_STREQ(caption.GetText(), "") << "detach empties the object's text";
}

TEST_F(Controls, SizeModeZeroKeepsTheDialogFontHeightAndThreeHalvesTheWidth) {
  LONG dialogHeight = FontOf(title_).lfHeight;
  CCaptionBar keep;
  keep.SetSizeMode(0);
  ASSERT_TRUE(keep.Attach(title_));
  EXPECT_EQ(FontOf(title_).lfHeight, dialogHeight);
  EXPECT_EQ(FontOf(title_).lfWeight, FW_EXTRABOLD);
  keep.Detach();

  CCaptionBar wide;
  wide.SetSizeMode(3);
  ASSERT_TRUE(wide.Attach(second_));
  EXPECT_EQ(FontOf(second_).lfHeight, ClientHeight(second_));
  EXPECT_EQ(FontOf(second_).lfWidth, ClientHeight(second_) / 2);
  wide.Detach();
}

TEST_F(Controls, AlignmentBitsFollowTheSetterAndThreeChangesNothing) {
  CCaptionBar caption;
  ASSERT_TRUE(caption.Attach(title_));
  caption.SetAlignment(1);
  EXPECT_EQ(GetWindowLongPtrA(title_, GWL_STYLE) & 3, SS_CENTER);
  caption.SetAlignment(2);
  EXPECT_EQ(GetWindowLongPtrA(title_, GWL_STYLE) & 3, SS_RIGHT);
  LONG_PTR style = GetWindowLongPtrA(title_, GWL_STYLE);
  Settle();
  caption.SetAlignment(3);
  EXPECT_EQ(GetWindowLongPtrA(title_, GWL_STYLE), style);
  EXPECT_FALSE(GetUpdateRect(title_, nullptr, FALSE)) << "nothing to repaint";
  caption.SetAlignment(0);
  EXPECT_EQ(GetWindowLongPtrA(title_, GWL_STYLE) & 3, SS_LEFT);
  caption.Detach();
}

TEST_F(Controls, ColourRequestsAreAnsweredPerControl) {
  CCaptionBar first, second;
  ASSERT_TRUE(first.Attach(title_));
  LONG_PTR parentAfterFirst = GetWindowLongPtrA(page_, GWLP_WNDPROC);
  EXPECT_NE(parentAfterFirst, pageProc_);
  ASSERT_TRUE(second.Attach(second_));
  EXPECT_EQ(GetWindowLongPtrA(page_, GWLP_WNDPROC), parentAfterFirst) << "the parent is subclassed once";
  EXPECT_EQ(GetPropA(page_, "CaptionBar"), &first);

  HDC dc = CreateCompatibleDC(nullptr);
  for (HWND control : {title_, second_}) {
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkMode(dc, OPAQUE);
    LRESULT brush = SendMessageA(page_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  }
  // A static without a caption bar gets the page's own answer, untouched.
  SetTextColor(dc, RGB(255, 0, 0));
  LRESULT own = SendMessageA(page_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain_));
  EXPECT_EQ(own, reinterpret_cast<LRESULT>(OwnBrush()));
  EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
  // The control answers the request itself, too.
  EXPECT_EQ(SendMessageA(title_, kColourRequest, reinterpret_cast<WPARAM>(dc), 0),
            reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
  DeleteDC(dc);
  second.Detach();
  first.Detach();
}

// Sets a page up as the wizard does: caption bar, then the picture.
struct Decoration {
  CCaptionBar caption;
  CPicture picture;
  void Attach(HWND page, UINT bitmapId) {
    caption.Attach(GetDlgItem(page, IDC_TEST_TITLE));
    picture.SetBitmapResource(GetModuleHandleA(nullptr), bitmapId);
    picture.Attach(GetDlgItem(page, IDC_TEST_PICTURE));
    picture.SizeToBitmap();
  }
};

TEST_F(Controls, DetachInReverseOrderGivesBackTheOriginalProcedures) {
  {
    Decoration d;
    d.Attach(page_, IDB_SIDE_PICTURE);
    EXPECT_NE(GetWindowLongPtrA(page_, GWLP_WNDPROC), pageProc_);
    EXPECT_TRUE(d.picture.Detach());
    d.caption.Detach();
  }
  EXPECT_EQ(GetWindowLongPtrA(page_, GWLP_WNDPROC), pageProc_);
  EXPECT_EQ(GetWindowLongPtrA(title_, GWLP_WNDPROC), titleProc_);
  EXPECT_EQ(GetWindowLongPtrA(placeholder_, GWLP_WNDPROC), placeholderProc_);
  for (HWND window : {page_, title_, placeholder_}) {
    EXPECT_EQ(GetPropA(window, "CaptionBar"), nullptr);
    EXPECT_EQ(GetPropA(window, "CPicture"), nullptr);
  }
  // Destruction in reverse order of construction does the same.
  {
    Decoration d;
    d.Attach(page_, IDB_SIDE_PICTURE);
  }
  EXPECT_EQ(GetWindowLongPtrA(page_, GWLP_WNDPROC), pageProc_);
  EXPECT_EQ(GetWindowLongPtrA(title_, GWLP_WNDPROC), titleProc_);
}

TEST_F(Controls, PictureResizesThePlaceholderInPlace) {
  Decoration d;
  d.Attach(page_, IDB_SIDE_PICTURE);
  EXPECT_EQ(d.picture.Width(), 96);
  EXPECT_EQ(d.picture.Height(), 222);
  RECT area;
  GetWindowRect(placeholder_, &area);
  MapWindowPoints(nullptr, page_, reinterpret_cast<POINT*>(&area), 2);
  EXPECT_EQ(area.left, 0);
  EXPECT_EQ(area.top, 0);
  EXPECT_EQ(area.right - area.left, 96);
  EXPECT_EQ(area.bottom - area.top, 222);
  EXPECT_TRUE(GetWindowLongPtrA(placeholder_, GWL_STYLE) & SS_NOTIFY);
}

int PaletteEntries(HPALETTE palette) {
  WORD count = 0;
  if (!palette || !GetObjectA(palette, sizeof count, &count)) return 0;
  return count;
}

TEST_F(Controls, PaletteFollowsTheColourTable) {
  const struct {
    UINT id;
    int entries;
  } cases[] = {{IDB_SIDE_PICTURE, 256}, {IDB_TEST_8BIT, 256}, {IDB_TEST_4BIT, 16}, {IDB_TEST_24BIT, 0},
               {IDB_TEST_24BIT_20, 20}};
  for (const auto& c : cases) {
    CPicture picture;
    picture.SetBitmapResource(GetModuleHandleA(nullptr), c.id);
    ASSERT_NE(picture.Bitmap(), nullptr) << c.id;
    EXPECT_EQ(PaletteEntries(picture.Palette()), c.entries) << "bitmap " << c.id;
    EXPECT_EQ(picture.Palette() == nullptr, c.entries == 0) << "bitmap " << c.id;
  }
}

// The colour of pixel (x, y) as the bitmap resource itself describes it.
COLORREF ExpectedPixel(UINT id, int x, int y) {
  HRSRC found = FindResourceA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
  auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(GetModuleHandleA(nullptr), found)));
  DWORD colours = header->biClrUsed ? header->biClrUsed : (header->biBitCount <= 8 ? 1u << header->biBitCount : 0);
  auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(header) + header->biSize);
  const BYTE* bits = reinterpret_cast<const BYTE*>(table + colours);
  int stride = ((header->biWidth * header->biBitCount + 31) / 32) * 4;
  const BYTE* row = bits + (header->biHeight - 1 - y) * stride;
  if (header->biBitCount == 24) return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  int index = header->biBitCount == 8 ? row[x] : (x % 2 ? row[x / 2] & 0xF : row[x / 2] >> 4);
  return RGB(table[index].rgbRed, table[index].rgbGreen, table[index].rgbBlue);
}

void ExpectPaintedAsTheBitmap(HWND control, UINT id, int width, int height) {
  // The page may be shorter than the picture (it is, with Wine's dialog
  // font); only what the page shows can be read back.
  RECT page;
  GetClientRect(GetParent(control), &page);
  if (height > page.bottom) height = page.bottom;
  EXPECT_GT(height, 0);
  HDC dc = GetDC(control);
  int mismatches = 0;
  for (int y = 0; y < height; y += 3)
    for (int x = 0; x < width; x += 2) {
      COLORREF got = GetPixel(dc, x, y), expected = ExpectedPixel(id, x, y);
      if (got != expected && ++mismatches <= 5)
        ADD_FAILURE() << "bitmap " << id << " pixel " << x << "," << y << ": " << std::hex << got << " not "
                      << expected;
    }
  ReleaseDC(control, dc);
  EXPECT_EQ(mismatches, 0) << "bitmap " << id;
}

TEST_F(Controls, PaintsTheBitmapPixelForPixel) {
  for (UINT id : {IDB_SIDE_PICTURE, IDB_TEST_4BIT, IDB_TEST_24BIT, IDB_TEST_24BIT_20}) {
    Decoration d;
    d.Attach(page_, id);
    InvalidateRect(placeholder_, nullptr, TRUE);
    Settle();
    ExpectPaintedAsTheBitmap(placeholder_, id, d.picture.Width(), d.picture.Height());
    if (id == IDB_SIDE_PICTURE) SaveScreenshot("decorated-page");
    d.picture.Detach();
    d.caption.Detach();
  }
}

TEST_F(Controls, WithoutABitmapTheStaticPaintsItself) {
  CPicture picture;
  ASSERT_TRUE(picture.Attach(placeholder_));
  EXPECT_FALSE(picture.SizeToBitmap());
  InvalidateRect(placeholder_, nullptr, TRUE);
  UpdateWindow(placeholder_);
  EXPECT_FALSE(GetUpdateRect(placeholder_, nullptr, FALSE)) << "the static's own painting validated it";
  EXPECT_FALSE(picture.Paint());
  picture.Detach();
}

TEST_F(Controls, ASystemColourChangeReachesThePicture) {
  Decoration d;
  d.Attach(page_, IDB_SIDE_PICTURE);
  Settle();
  HBITMAP before = d.picture.Bitmap();
  SendMessageA(page_, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_NE(d.picture.Bitmap(), nullptr);
  EXPECT_NE(d.picture.Bitmap(), before) << "rebuilt";
  EXPECT_TRUE(GetUpdateRect(placeholder_, nullptr, FALSE)) << "repaint pending";
  Settle();
  ExpectPaintedAsTheBitmap(placeholder_, IDB_SIDE_PICTURE, 96, 222);
}

TEST_F(Controls, AnIdWithoutBitmapKeepsThePicture) {
  CPicture picture;
  picture.SetBitmapResource(GetModuleHandleA(nullptr), IDB_TEST_4BIT);
  HBITMAP kept = picture.Bitmap();
  ASSERT_NE(kept, nullptr);
  picture.SetBitmapResource(GetModuleHandleA(nullptr), 999);
  EXPECT_EQ(picture.Bitmap(), kept);
  EXPECT_EQ(picture.Width(), 37);
  picture.SetBitmapResource(GetModuleHandleA(nullptr), 0x10000 | IDB_TEST_8BIT);
  EXPECT_EQ(PaletteEntries(picture.Palette()), 256) << "only the id's low 16 bits count";
}

}  // namespace
