// Start-up: texts, directories, and the whole program started from outside
// for the usage message, the choice of road and the single-instance rule.
#include <gtest/gtest.h>

#include <string>

#include "app/directories.h"
#include "app/startup.h"
#include "app/texts.h"
#include "harness/harness.h"
#include "harness/wizard_driver.h"
#include "harness/product_state.h"

namespace {

const char kCaption[] = "Parvello 1.1 Setup";
const char kUsage[] =
    "Usage:\nInteractive setup:\tVOZAZIZA.EXE\nUnattended setup:\tVOZAZIZA.EXE <filename>\n\t\t<filename> - Unattended "
    "setup script";

class StartupInProcess : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1); }
};

TEST_F(StartupInProcess, LoadsAllTwentyTextsExactly) {
  const struct {
    UINT id;
    const char* text;
  } expected[] = {
      {1, "Parvello 1.1 Setup"},
      {2, "The setup process is not completed. Do you really want to exit Setup?"},
      {6, "Internal system error occured.\nThe operation can not be completed.\n\nPress OK to exit Setup."},
      {7, "Setup is unable to copy file %s\nto %s directory.\nSetup can not be continued.\n\nPress OK to exit setup."},
      {8, "CLSID\\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}"},
      {9, "CLSID\\{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}\\InProcServer32"},
      {10, "*\\shellex\\ContextMenuHandlers\\Parvello"},
      {12, "Directory\\shellex\\ContextMenuHandlers\\Parvello"},
      {14, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved"},
      {15, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parvello"},
      {17, "{5c2e81f0-3d47-4b9a-9e16-7a0f93d2c4b5}"},
      {18, "Parvello 1.1"},
      {19, "Rundll32.exe parvello.dll,Uninstall"},
      {20, "Parvello User Interface"},
      {22, "Setup is unable to register Parvello.\nSetup can not be continued.\n\nPress OK to exit setup."},
      {25, kUsage},
      {26, "Parvello setup was not completed succesfully."},
      {27, "SOFTWARE\\Quorvanta\\Parvello"},
      {28, "Internal registry error occured.\nThe operation can not be completed."},
      {29, "Unable to open file %s."},
  };
  for (const auto& e : expected) EXPECT_STREQ(Text(e.id), e.text) << "text " << e.id;
  EXPECT_STREQ(Text(3), "") << "ids outside the table have no text";
}

TEST_F(StartupInProcess, DirectoriesEndInABackslash) {
  EXPECT_EQ(std::string(g_windowsDir), WindowsDir());
  EXPECT_EQ(std::string(g_systemDir), SystemDir());
  EXPECT_EQ(std::string(g_helpDir), WindowsDir() + "HELP\\");
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string expectedTemp = temp;
  if (expectedTemp.back() != '\\') expectedTemp += '\\';
  EXPECT_EQ(std::string(g_tempDir), expectedTemp);
  EXPECT_STREQ(g_destinationDirs[0], g_windowsDir);
  EXPECT_STREQ(g_destinationDirs[1], g_systemDir);
  EXPECT_STREQ(g_destinationDirs[2], g_helpDir);
}

TEST_F(StartupInProcess, LoadsBothProgramIconsAtTheirSizes) {
  EXPECT_EQ(g_smallIcon, nullptr) << "not before the wizard needs them";
  LoadProgramIcons();
  ASSERT_NE(g_smallIcon, nullptr);
  ASSERT_NE(g_largeIcon, nullptr);
  ICONINFO info;
  BITMAP bitmap;
  ASSERT_TRUE(GetIconInfo(g_smallIcon, &info));
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 16);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  ASSERT_TRUE(GetIconInfo(g_largeIcon, &info));
  GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
}

TEST(StartupInProcessAlone, StepsAsideForARunningSetupWindow) {
  HWND other = CreateWindowExA(0, "#32770", kCaption, WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(InitSetup(GetModuleHandleA(nullptr)), 0);
  DestroyWindow(other);
  EXPECT_EQ(InitSetup(GetModuleHandleA(nullptr)), 1);
}

// The real setup program, judged from outside.
class StartupEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { ResetProductState(); }
  void TearDown() override { ResetProductState(); }

  // Starts the setup, waits for its usage box, checks it and closes it with
  // OK; returns the exit code.
  DWORD ExpectUsageBox(const std::string& arguments) {
    ChildProcess child;
    EXPECT_TRUE(child.Start(SetupPath(), arguments));
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (box = FindDialogOf(child.Id(), kCaption)) != nullptr; }))
        << "no usage box for [" << arguments << "]";
    if (!box) return 0xFFFFFFFF;
    EXPECT_EQ(StaticTexts(box), kUsage);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr) << "OK is the only button";
    if (arguments == "/?") SaveScreenshot("usage");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(child.Wait());
    return child.ExitCode();
  }

  // Starts the setup, expects the wizard and leaves it with Cancel; returns
  // the exit code.
  DWORD WizardExitCode(const std::string& arguments) {
    WizardDriver driver;
    EXPECT_TRUE(driver.Start(arguments));
    EXPECT_NE(driver.WaitForSheet(), nullptr) << "no wizard for [" << arguments.substr(0, 40) << "]";
    return driver.CancelSetup();
  }
};

TEST_F(StartupEndToEnd, UsageBoxForTheRequestWithOrWithoutBlanks) {
  EXPECT_EQ(ExpectUsageBox("/?"), 1u);
  EXPECT_EQ(ExpectUsageBox("   /?  \t"), 1u);
  EXPECT_EQ(ExpectUsageBox("/?" + std::string(300, ' ')), 1u);
}

TEST_F(StartupEndToEnd, OtherRequestsAndEmptyLinesOpenTheWizard) {
  for (const char* arguments : {"", "   ", "/?x", "-?", "help", "\"/?\""}) {
    EXPECT_EQ(WizardExitCode(arguments), 0u) << "[" << arguments << "]";
    EXPECT_FALSE(FileExists(kErrorLog)) << "[" << arguments << "] took the unattended road";
  }
}

TEST_F(StartupEndToEnd, AQuotedExistingScriptIsNotTakenAsAFile) {
  std::string script = WindowsDir() + "quoted.ini";
  ASSERT_TRUE(WriteFileBytes(script, "[Default Setup]\r\n", 17));
  EXPECT_EQ(WizardExitCode("\"" + script + "\""), 0u);
  EXPECT_FALSE(FileExists(kErrorLog));
  EXPECT_FALSE(FileExists(SystemDir() + "parvello.dll"));
  DeleteFileA(script.c_str());
}

TEST_F(StartupEndToEnd, AFolderTakesTheUnattendedRoadAndCannotBeOpened) {
  // Trailing blanks pass the existence test trimmed but reach the log.
  std::string folder = WindowsDir() + "system32";
  EXPECT_EQ(RunSetup(folder + "  "), 0u);
  std::vector<unsigned char> log;
  ASSERT_TRUE(ReadFileBytes(kErrorLog, log));
  std::string expected = "Unable to open file " + folder + "  .";
  expected.push_back('\0');
  EXPECT_EQ(std::string(log.begin(), log.end()), expected);
  EXPECT_FALSE(FileExists(SystemDir() + "parvello.dll"));
}

TEST_F(StartupEndToEnd, CommandLinesOfAnyLengthOpenTheWizardWithoutHarm) {
  EXPECT_EQ(WizardExitCode(std::string(255, 'x')), 0u);
  EXPECT_EQ(WizardExitCode(std::string(256, 'x')), 0u);
  EXPECT_EQ(WizardExitCode(std::string(32 * 1024 - 200, 'y')), 0u);
  EXPECT_FALSE(FileExists(kErrorLog));
}

TEST_F(StartupEndToEnd, ASecondStartBringsTheRunningSetupForward) {
  HWND other = CreateWindowExA(0, "#32770", kCaption, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 120, nullptr,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  ShowWindow(other, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(other) != 0; }));
  for (const char* arguments : {"/?", "", "C:\\windows"}) {
    ShowWindow(other, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(other) != 0; }));
    // Exit code 0, not the usage box's 1, and no error log: nothing ran.
    EXPECT_EQ(RunSetup(arguments), 0u) << "[" << arguments << "]";
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(other); })) << "not restored for [" << arguments << "]";
    EXPECT_FALSE(FileExists(kErrorLog));
  }
  DestroyWindow(other);
}

}  // namespace
