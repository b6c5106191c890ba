// The wizard as people with other displays meet it: scaled to 125, 150
// and 200 percent, and in a dark high-contrast scheme. The scale and the colours are the prefix's own settings
// (HKCU\Control Panel), which every program started afterwards reads.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <memory>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/help_viewer.h"
#include "harness/product_state.h"
#include "harness/wizard_driver.h"

namespace {

constexpr int kPageTitle = 1029;
constexpr int kSidePicture = 1034;
constexpr int kLicenceBox = 1001;
constexpr int kUserDefinedClient = 1044;
const char kProductText[] = "Parvello";

// The screen's pixels under `window`, read in one copy, as 0x00RRGGBB.
std::vector<DWORD> Pixels(HWND window, int& width, int& height) {
  RECT area;
  GetWindowRect(window, &area);
  width = area.right - area.left;
  height = area.bottom - area.top;
  std::vector<DWORD> pixels(width > 0 && height > 0 ? width * height : 0);
  if (pixels.empty()) return pixels;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER header = {sizeof header, width, -height, 1, 32, BI_RGB};
  GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// Rows of `window` that hold a dark pixel: the height of its text's ink.
int InkRows(HWND window) {
  int width = 0, height = 0;
  std::vector<DWORD> pixels = Pixels(window, width, height);
  int rows = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      DWORD p = pixels[y * width + x];
      if (((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) < 3 * 96) {
        ++rows;
        break;
      }
    }
  return rows;
}

// The share of `window`'s pixels on the screen that are `colour`.
double ShareOf(HWND window, COLORREF colour) {
  RECT area;
  GetWindowRect(window, &area);
  return ShareOfColour(area, colour);
}

RECT InPage(HWND page, HWND control) {
  RECT area;
  GetWindowRect(control, &area);
  MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&area), 2);
  return area;
}

HWND ChildWithText(HWND page, const char* text) {
  for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ControlText(child) == text) return child;
  return nullptr;
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}


class Display : public ::testing::Test {
 protected:
  // The pixels are read from the screen: no help viewer of an earlier
  // test may lie over the setup.
  void SetUp() override {
    EndHelpViewers();
    ResetProductState();
  }
  void TearDown() override { ResetProductState(); }
};

// Every page at every scale: each control inside the page, no text
// needing more room than it has, the picture down the page's whole height
// at the bitmap's proportions, and text grown with the scale. At 100% the
// pages are as they always were. Every edit and list has its label just
// before it, where a screen reader looks for its name.
TEST_F(Display, EveryPageFitsAndGrowsWithTheScale) {
  struct Page {
    int index;
    const char* title;
  } const pages[] = {{0, kWelcomeTitle}, {1, kLicenceTitle},      {2, kCopyingTitle},
                     {3, kMailClientTitle}, {4, kUserDefinedTitle}, {5, kFinishTitle}};
  int productInk96 = 0, titleInk96 = 0;
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    ResetProductState();
    ControlPanelValue logPixels("Desktop", "LogPixels");
    ASSERT_TRUE(logPixels.SetDword(dpi));
    WizardDriver driver;
    ASSERT_TRUE(driver.Start());
    ASSERT_NE(driver.WaitForSheet(), nullptr);
    for (const Page& shown : pages) {
      SCOPED_TRACE(shown.title);
      // The User-defined page shows only for that choice, made on the way.
      if (shown.index == 4) {
        SendMessageA(GetDlgItem(driver.CurrentPage(), kUserDefinedClient), BM_CLICK, 0, 0);
        driver.Press(PSBTN_NEXT);
        ASSERT_TRUE(driver.WaitForPage(shown.title));
      } else {
        // Straight to the page, as Next would go but without the copy.
        PostMessageA(driver.Sheet(), PSM_SETCURSEL, shown.index, 0);
        ASSERT_TRUE(driver.WaitForPage(shown.title)) << "now on " << driver.PageTitle();
      }
      HWND page = driver.CurrentPage();
      RECT client;
      GetClientRect(page, &client);
      EXPECT_GE(client.bottom, MulDiv(210, dpi, 96)) << "the page grows";
      for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT area = InPage(page, child);
        std::string kind = ClassOf(child);
        std::string what = kind + " " + std::to_string(GetDlgCtrlID(child)) + " " + ControlText(child);
        // At 100% the pages are laid out as they always were (the picture
        // 3 pixels taller than the page, the title's line to its edge). At
        // other scales the title starts above the page in every template
        // (-2 dlu), and items that end at the page's edge in dialog units
        // may pass it by a pixel or two: the sheet, which sizes the page,
        // rounds its own way.
        const int rounding = 2;
        if (dpi != 96) {
          if (GetDlgCtrlID(child) != kPageTitle) EXPECT_GE(area.top, 0) << what;
          EXPECT_LE(area.bottom, client.bottom + rounding) << what;
          EXPECT_GE(area.left, 0) << what;
          EXPECT_LE(area.right, client.right + rounding) << what;
        }
        if (kind == "Edit" || kind == "ComboBox") {
          HWND label = GetWindow(child, GW_HWNDPREV);
          EXPECT_EQ(ClassOf(label), "Static") << GetDlgCtrlID(child);
          EXPECT_FALSE(ControlText(label).empty()) << GetDlgCtrlID(child);
        }
      }
      EXPECT_EQ(WizardDriver::ClippedTexts(page, dpi == 96 ? "MS Sans Serif" : "MS Shell Dlg", dpi),
                std::vector<std::string>{});

      RECT picture;
      GetClientRect(GetDlgItem(page, kSidePicture), &picture);
      if (dpi == 96) {
        EXPECT_EQ(picture.right, 96);
        EXPECT_EQ(picture.bottom, 222);
      } else {
        EXPECT_GE(picture.bottom, client.bottom) << "the picture covers the page's height";
        EXPECT_NEAR(picture.right, MulDiv(96, picture.bottom, 222), 1) << "in proportion";
      }
      RECT title;
      GetClientRect(GetDlgItem(page, kPageTitle), &title);
      EXPECT_LE(InkRows(GetDlgItem(page, kPageTitle)), title.bottom);

      if (shown.index == 0) {
        HWND product = ChildWithText(page, kProductText);
        ASSERT_NE(product, nullptr);
        driver.Screenshot(dpi == 144 ? "wizard-welcome-150" : "wizard-welcome-scaled");
        int productInk = InkRows(product), titleInk = InkRows(GetDlgItem(page, kPageTitle));
        if (dpi == 96) {
          productInk96 = productInk;
          titleInk96 = titleInk;
        } else {
          EXPECT_GE(productInk * 96 * 10, productInk96 * dpi * 8) << productInk << " rows of text ink";
          EXPECT_GE(titleInk * 96 * 10, titleInk96 * dpi * 7) << titleInk << " rows of title ink";
        }
      }
      if (shown.index == 3 && dpi == 144) driver.Screenshot("wizard-mail-client-150");
    }
    driver.Press(PSBTN_CANCEL);
    EXPECT_EQ(driver.WaitForExit(), 0u);
  }
}

// A dark high-contrast scheme: white text on black, links in yellow. The
// deliverable, told nothing of high contrast (Wine cannot switch it on),
// keeps its own black caption; the test build, told that it is on, draws
// the caption in the scheme's text colour and leaves the licence box to
// the scheme.
TEST_F(Display, AHighContrastSchemeColoursTheCaptionAndTheLicenceBox) {
  const struct {
    const char* name;
    const char* rgb;
  } scheme[] = {{"ButtonFace", "0 0 0"},     {"ButtonText", "255 255 255"}, {"Window", "0 0 0"},
                {"WindowText", "255 255 255"}, {"HotTrackingColor", "255 255 0"}, {"GrayText", "0 255 0"}};
  std::vector<std::unique_ptr<ControlPanelValue>> colours;
  for (const auto& colour : scheme) {
    colours.emplace_back(new ControlPanelValue("Colors", colour.name));
    ASSERT_TRUE(colours.back()->SetText(colour.rgb));
  }
  const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
  for (bool highContrast : {false, true}) {
    SCOPED_TRACE(highContrast ? "high contrast" : "the scheme without high contrast");
    SetEnvironmentVariableA("PARVELLO_TEST_HIGH_CONTRAST", highContrast ? "1" : nullptr);
    WizardDriver driver;
    ASSERT_TRUE(highContrast ? driver.StartCopy(TEST_BUILD_SETUP_EXE) : driver.Start());
    SetEnvironmentVariableA("PARVELLO_TEST_HIGH_CONTRAST", nullptr);
    ASSERT_NE(driver.WaitForSheet(), nullptr);
    ASSERT_TRUE(driver.WaitForPage(kWelcomeTitle));
    driver.Screenshot(highContrast ? "wizard-high-contrast" : "wizard-dark-scheme");
    HWND caption = GetDlgItem(driver.CurrentPage(), kPageTitle);
    if (highContrast) {
      EXPECT_GT(ShareOf(caption, white), 0.05) << "the headline in the scheme's text colour";
    } else {
      EXPECT_EQ(ShareOf(caption, white), 0) << "black, as always";
      EXPECT_EQ(ShareOf(caption, black), 1) << "black on the scheme's black";
    }
    ASSERT_TRUE(driver.NextTo(kLicenceTitle));
    driver.Screenshot(highContrast ? "wizard-licence-high-contrast" : "wizard-licence-dark-scheme");
    double paper = ShareOf(GetDlgItem(driver.CurrentPage(), kLicenceBox), white);
    if (highContrast)
      EXPECT_LT(paper, 0.5) << "the scheme's black box, not paper white";
    else
      EXPECT_GT(paper, 0.5) << "paper white";
    driver.Press(PSBTN_CANCEL);
    HWND question = driver.WaitForMessageBox();
    ASSERT_NE(question, nullptr);
    WizardDriver::Answer(question, IDYES);
    EXPECT_EQ(driver.WaitForExit(), 0u);
  }
}

}  // namespace
