// The Welcome, Licence and Finish pages of the real setup program, as a person
// meets them: the welcome texts, the whole licence in a white box that is
// entered without a selection, and Finish opening the installed help file
// at the overview in the platform's help viewer.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/help_viewer.h"
#include "harness/product_state.h"
#include "harness/wizard_driver.h"

namespace {

constexpr int kLicenceBox = 1001;
constexpr int kOpenOverview = 1027;

class InfoPages : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    EndHelpViewers();
  }
  void TearDown() override {
    EndHelpViewers();
    ResetProductState();
  }
  HWND Item(int id) const { return GetDlgItem(driver_.CurrentPage(), id); }
  RECT ScreenRect(HWND window) const {
    RECT area;
    GetWindowRect(window, &area);
    return area;
  }
  // Walks on from the Licence page to Finish.
  void WalkToFinish() {
    ASSERT_TRUE(driver_.NextTo(kCopyingTitle));
    ASSERT_TRUE(driver_.NextTo(kMailClientTitle));
    ASSERT_TRUE(driver_.NextTo(kFinishTitle));
  }
  WizardDriver driver_;
};

TEST_F(InfoPages, AReaderFindsTheWholeLicenceAndFinishOpensTheOverview) {
  ASSERT_TRUE(driver_.Start());
  ASSERT_NE(driver_.WaitForSheet(), nullptr);
  ASSERT_TRUE(driver_.WaitForPage(kWelcomeTitle));
  std::string welcome = StaticTexts(driver_.CurrentPage());
  for (const char* text : {"You are about to install Parvello", "Choose Next to continue.", "Parvello", "Version 1.1"})
    EXPECT_NE(welcome.find(text), std::string::npos) << text;

  ASSERT_TRUE(driver_.NextTo(kLicenceTitle));
  HWND box = Item(kLicenceBox);
  std::vector<unsigned char> input;
  ASSERT_TRUE(ReadFileBytes(WinePath(LICENCE_TEXT), input));
  ASSERT_EQ(input.size(), 3363u);
  EXPECT_EQ(ControlText(box), std::string(input.begin(), input.end())) << "every byte, nothing after";

  // Entered from the keyboard: nothing selected, the caret at the start.
  // The focus goes to Back first.
  HWND back = driver_.Button(kBackButton);
  PostMessageA(driver_.Sheet(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(back), TRUE);
  ASSERT_TRUE(WaitUntil([&] { return driver_.FocusOf(box) == back; })) << "focus moved away first";
  for (int step = 0; step < 8 && driver_.FocusOf(box) != box; ++step) {
    HWND focus = driver_.FocusOf(box);
    PostMessageA(focus, WM_KEYDOWN, VK_TAB, 0);
    WaitUntil([&] { return driver_.FocusOf(box) != focus; }, 2000);
  }
  ASSERT_EQ(driver_.FocusOf(box), box);
  EXPECT_EQ(SendMessageA(box, EM_GETSEL, 0, 0), 0) << "selection 0 to 0";

  // The box keeps neither Tab nor Escape: the multi-line edit hands them
  // to its parent, the page, which passes them to the sheet. Tab goes on
  // to the sheet's buttons; Escape is the sheet's Cancel, with its question.
  PostMessageA(box, WM_KEYDOWN, VK_TAB, 0);
  ASSERT_TRUE(WaitUntil([&] { return driver_.FocusOf(box) != box; })) << "Tab stays in the box";
  EXPECT_EQ(GetParent(driver_.FocusOf(box)), driver_.Sheet()) << "one of the sheet's buttons";
  PostMessageA(driver_.Sheet(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
  ASSERT_TRUE(WaitUntil([&] { return driver_.FocusOf(box) == box; }));
  PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
  HWND question = driver_.WaitForMessageBox();
  ASSERT_NE(question, nullptr) << "Escape asks to cancel";
  WizardDriver::Answer(question, IDNO);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(question); }));
  EXPECT_EQ(driver_.PageTitle(), kLicenceTitle);
  PostMessageA(driver_.Sheet(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(box), TRUE);
  ASSERT_TRUE(WaitUntil([&] { return driver_.FocusOf(box) == box; }));

  // White like paper, where the texts beside it keep the page's colour.
  driver_.Screenshot("wizard-licence");
  RECT boxArea = ScreenRect(box);
  RECT inside = {boxArea.left + 3, boxArea.top + 3, boxArea.right - GetSystemMetrics(SM_CXVSCROLL) - 3,
                 boxArea.bottom - 3};
  EXPECT_GT(ShareOfColour(inside, RGB(255, 255, 255)), 0.6);
  RECT page = ScreenRect(driver_.CurrentPage());
  RECT besideTitle = {page.left + 160, page.top + 35, page.left + 480, page.top + 100};
  EXPECT_LT(ShareOfColour(besideTitle, RGB(255, 255, 255)), 0.2);

  // Scrolled to the end, the last line of the text is in view.
  SendMessageA(box, WM_VSCROLL, SB_BOTTOM, 0);
  LRESULT lines = SendMessageA(box, EM_GETLINECOUNT, 0, 0);
  LRESULT lastLine = SendMessageA(box, EM_LINEINDEX, lines - 2, 0);  // the text ends with a line break
  LRESULT at = SendMessageA(box, EM_POSFROMCHAR, lastLine, 0);
  RECT client;
  GetClientRect(box, &client);
  EXPECT_GE(static_cast<short>(HIWORD(at)), 0);
  EXPECT_LT(static_cast<short>(HIWORD(at)), client.bottom);
  driver_.Screenshot("wizard-licence-end");

  ASSERT_NO_FATAL_FAILURE(WalkToFinish());
  EXPECT_EQ(SendMessageA(Item(kOpenOverview), BM_GETCHECK, 0, 0), BST_CHECKED);
  driver_.Screenshot("wizard-finish");
  driver_.Press(PSBTN_FINISH);
  HWND viewer = WaitForHelpViewer();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return HelpViewerText(viewer).rfind("Parvello overview\r", 0) == 0; }))
      << HelpViewerText(viewer).substr(0, 60);
  // The setup ends and leaves the viewer open.
  EXPECT_EQ(driver_.WaitForExit(), 0u);
  EXPECT_TRUE(IsWindowVisible(viewer));
  RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  SaveScreenshot("help-overview");
}

// Where the Windows Help program is gone (Windows 10 and later; here
// Wine's own Windows version of one program, set for the setup alone),
// Finish opens the same help as Compiled HTML Help: the HTML Help viewer,
// titled as the help, in the setup's process, which serves it after the
// sheet has closed and ends with 0 once it is closed. No WinHelp viewer.
TEST_F(InfoPages, WithoutTheWindowsHelpProgramFinishOpensTheCompiledHelp) {
  ScopedValue version(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\VOZAZIZA.EXE", "Version");
  ASSERT_TRUE(version.SetText("win10"));
  ASSERT_TRUE(driver_.Start());
  ASSERT_NE(driver_.WaitForSheet(), nullptr);
  ASSERT_TRUE(driver_.WaitForPage(kWelcomeTitle));
  ASSERT_TRUE(driver_.NextTo(kLicenceTitle));
  ASSERT_NO_FATAL_FAILURE(WalkToFinish());
  ASSERT_TRUE(FileExists(HelpDir() + "parvello.chm")) << "installed beside the WinHelp file";
  driver_.Press(PSBTN_FINISH);
  HWND viewer = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (viewer = FindVisibleWindow("HH Parent", driver_.Process().Id())) != nullptr; }))
      << "no HTML Help viewer in the setup's process";
  EXPECT_EQ(ControlText(viewer), "Parvello 1.1 Help");
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(driver_.Sheet()); })) << "the sheet closes";
  EXPECT_EQ(driver_.Process().ExitCode(), STILL_ACTIVE) << "the setup serves the viewer while it is open";
  EXPECT_EQ(WaitForHelpViewer(0, 1000), nullptr) << "no WinHelp viewer";
  SaveScreenshot("help-overview-chm");
  PostMessageA(viewer, WM_CLOSE, 0, 0);
  EXPECT_EQ(driver_.WaitForExit(), 0u);
}

TEST_F(InfoPages, FinishWithTheOverviewClearedJustCloses) {
  ASSERT_TRUE(driver_.Start());
  ASSERT_NE(driver_.WaitForSheet(), nullptr);
  ASSERT_TRUE(driver_.WaitForPage(kWelcomeTitle));
  ASSERT_TRUE(driver_.NextTo(kLicenceTitle));
  ASSERT_NO_FATAL_FAILURE(WalkToFinish());
  WizardDriver::Click(Item(kOpenOverview));
  ASSERT_TRUE(WaitUntil([&] { return SendMessageA(Item(kOpenOverview), BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
  driver_.Press(PSBTN_FINISH);
  EXPECT_EQ(driver_.WaitForExit(), 0u);
  EXPECT_EQ(WaitForHelpViewer(0, 1500), nullptr);
}

}  // namespace
