// The sheet window as the start page leaves it, checked in this process:
// menus and icons are handles that another process cannot look into.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <set>

#include "app/startup.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/wizard_driver.h"
#include "wizard/wizard.h"

namespace {

DWORD WINAPI WizardThread(void*) { return RunSetupWizard(); }

HWND OwnSetupDialog(bool withPages) {
  HWND found = nullptr;
  WaitUntil([&] {
    for (HWND dialog : DialogsOf(GetCurrentProcessId(), kSetupCaption))
      if ((FindWindowExA(dialog, nullptr, "#32770", nullptr) != nullptr) == withPages) found = dialog;
    return found != nullptr;
  });
  return found;
}

TEST(Sheet, HasCaptionMoveAndCloseOnlyTheIconsAndSitsInTheMiddle) {
  ResetProductState();
  ASSERT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1);
  // Wine sets its display driver up on first use; the wizard's thread and
  // this one doing so at once deadlock. The setup has one UI thread only.
  ReleaseDC(nullptr, GetDC(nullptr));
  HANDLE thread = CreateThread(nullptr, 0, WizardThread, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  HWND sheet = OwnSetupDialog(true);
  ASSERT_NE(sheet, nullptr);

  LONG style = GetWindowLongA(sheet, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(GetWindowLongA(sheet, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(sheet, IDHELP)));

  std::set<UINT> commands;
  HMENU menu = GetSystemMenu(sheet, FALSE);
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    UINT id = GetMenuItemID(menu, i);
    // Wine adds its own "About Wine" (SC_SCREENSAVE + 1) to every system menu.
    if (id != 0 && id != static_cast<UINT>(-1) && id != SC_SCREENSAVE + 1) commands.insert(id);
  }
  EXPECT_EQ(commands, (std::set<UINT>{SC_MOVE, SC_CLOSE}));

  ASSERT_NE(g_smallIcon, nullptr);
  ASSERT_NE(g_largeIcon, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(sheet, WM_GETICON, ICON_SMALL, 0)), g_smallIcon);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(sheet, WM_GETICON, ICON_BIG, 0)), g_largeIcon);

  RECT frame;
  GetWindowRect(sheet, &frame);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  EXPECT_NEAR(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, 1);
  EXPECT_NEAR(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 1);

  PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  HWND box = OwnSetupDialog(false);
  ASSERT_NE(box, nullptr);
  WizardDriver::Answer(box, IDYES);
  EXPECT_TRUE(WaitUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }));
  DWORD result = 0;
  GetExitCodeThread(thread, &result);
  EXPECT_EQ(result, 1u);
  CloseHandle(thread);
  EXPECT_FALSE(FileExists(SystemDir() + "parvello.dll"));
}

}  // namespace
