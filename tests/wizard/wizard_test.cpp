// The interactive setup driven from outside: the setup started without
// arguments in the test prefix, its sheet, pages and message boxes found
// and answered as a person would, the installation judged by its files,
// registry entries and exit code.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "common/owned.h"
#include "harness/harness.h"
#include "harness/help_viewer.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "harness/wizard_driver.h"

namespace {

const char kWelcome[] = "Welcome to Parvello 1.1 Setup";
const char kLicence[] = "License Agreement";
const char kCopying[] = "Copying Files";
const char kMailClient[] = "Mail client";
const char kUserDefined[] = "User-defined mail client";
const char kFinish[] = "Setup Completed";
const char kCancelQuestion[] = "The setup process is not completed. Do you really want to exit Setup?";

constexpr int kPageTitle = 1029;
constexpr int kSidePicture = 1034;
constexpr int kProgress = 1003;
constexpr int kPredefinedClient = 1043;
constexpr int kUserDefinedClient = 1044;

class Wizard : public ::testing::Test {
 protected:
  // A finished wizard leaves the help viewer open at the overview, over
  // the next test's windows.
  void SetUp() override {
    EndHelpViewers();
    ResetProductState();
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    archiveFolder_ = std::string(temp) + "Temporary Archive Files";
    RemoveArchiveFolder();
  }
  void TearDown() override {
    EndHelpViewers();
    RemoveArchiveFolder();
    ResetProductState();
  }
  // The class key, by which the setup knows an earlier installation.
  void MarkInstalled() {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kClassKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void RemoveArchiveFolder() {
    ::RemoveArchiveFolder(archiveFolder_);
    DeleteFileA(archiveFolder_.c_str());
  }

  void StartAtWelcome() {
    ASSERT_TRUE(driver_.Start());
    ASSERT_NE(driver_.WaitForSheet(), nullptr);
    ASSERT_TRUE(driver_.WaitForPage(kWelcome));
  }
  void NextTo(const char* title) {
    driver_.Press(PSBTN_NEXT);
    ASSERT_TRUE(driver_.WaitForPage(title)) << "now on " << driver_.PageTitle();
  }
  void StartAtCopyingFiles() {
    ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
    ASSERT_NO_FATAL_FAILURE(NextTo(kLicence));
    ASSERT_NO_FATAL_FAILURE(NextTo(kCopying));
  }
  // Cancel, Yes: the sheet closes and the process ends with 0.
  void CancelTheSetup() { EXPECT_EQ(driver_.CancelSetup(), 0u); }

  // How many of the five steps have left their trace, in order.
  int StepsDone() {
    bool done[5] = {FileExists(SystemDir() + "parvello.dll"), FileExists(HelpDir() + "parvello.hlp"),
                    FileExists(HelpDir() + "parvello.cnt"), KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey),
                    (GetFileAttributesA(archiveFolder_.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                        GetFileAttributesA(archiveFolder_.c_str()) != INVALID_FILE_ATTRIBUTES};
    int count = 0;
    while (count < 5 && done[count]) ++count;
    return count;
  }
  HWND Progress() { return GetDlgItem(driver_.CurrentPage(), kProgress); }

  // Waits until the sheet shows exactly these buttons (they are posted).
  bool ButtonsBecome(bool back, bool next, bool cancel) {
    return WaitUntil([&] {
      return driver_.ButtonEnabled(kBackButton) == back && driver_.ButtonEnabled(kNextButton) == next &&
             driver_.ButtonEnabled(kCancelButton) == cancel;
    });
  }

  // The page as the frame leaves it: caption bar on its title, the side
  // picture sized to the bitmap.
  void ExpectDecorated(const char* title) {
    HWND page = driver_.CurrentPage();
    HWND caption = GetDlgItem(page, kPageTitle), picture = GetDlgItem(page, kSidePicture);
    EXPECT_NE(GetPropA(caption, "CaptionBar"), nullptr) << title;
    EXPECT_NE(GetPropA(picture, "CPicture"), nullptr) << title;
    RECT size;
    GetClientRect(picture, &size);
    EXPECT_EQ(size.right, 96) << title;
    EXPECT_EQ(size.bottom, 222) << title;
    char text[128] = "";
    GetWindowTextA(caption, text, sizeof text);
    EXPECT_STREQ(text, title);
    EXPECT_EQ(WizardDriver::ClippedTexts(page), std::vector<std::string>{}) << title;
  }

  WizardDriver driver_;
  std::string archiveFolder_;
};

TEST_F(Wizard, WithoutTheClassKeyTheWizardComesAtOnce) {
  ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
  EXPECT_EQ(driver_.WaitForQuestionDialog(0), nullptr);
  char caption[64] = "";
  GetWindowTextA(driver_.Sheet(), caption, sizeof caption);
  EXPECT_STREQ(caption, kSetupCaption);
  driver_.Screenshot("wizard-welcome");
  CancelTheSetup();
}

// No, Escape and the close box all mean "do not overwrite".
TEST_F(Wizard, TheOverwriteQuestionStartsOnNoAndEveryWayOutButYesEnds) {
  ASSERT_NO_FATAL_FAILURE(MarkInstalled());
  const char* ways[] = {"No", "Escape", "close box"};
  for (const char* way : ways) {
    SCOPED_TRACE(way);
    WizardDriver driver;
    ASSERT_TRUE(driver.Start());
    HWND question = driver.WaitForQuestionDialog();
    ASSERT_NE(question, nullptr);
    EXPECT_NE(StaticTexts(question).find("Parvello is already installed."), std::string::npos);
    EXPECT_EQ(WizardDriver::ClippedTexts(question), std::vector<std::string>{});
    HWND no = GetDlgItem(question, IDNO);
    EXPECT_TRUE(WaitUntil([&] { return driver.FocusOf(question) == no; }));
    EXPECT_EQ(WizardDriver::DefaultButton(question), IDNO);
    if (way == ways[0]) {
      driver.Screenshot("overwrite-question");
      WizardDriver::Answer(question, IDNO);
    } else if (way == ways[1]) {
      PostMessageA(driver.FocusOf(question), WM_KEYDOWN, VK_ESCAPE, 0);
    } else {
      PostMessageA(question, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    EXPECT_EQ(driver.WaitForExit(), 0u);
    EXPECT_EQ(driver.Sheet(), nullptr);
    EXPECT_EQ(StepsDone(), 0);
  }
}

TEST_F(Wizard, YesToTheOverwriteQuestionShowsTheWelcomePage) {
  ASSERT_NO_FATAL_FAILURE(MarkInstalled());
  ASSERT_TRUE(driver_.Start());
  HWND question = driver_.WaitForQuestionDialog();
  ASSERT_NE(question, nullptr);
  WizardDriver::Answer(question, IDYES);
  ASSERT_NE(driver_.WaitForSheet(), nullptr);
  EXPECT_TRUE(driver_.WaitForPage(kWelcome));
  CancelTheSetup();
}

// The whole road, page by page, compared with what the unattended setup
// installs.
TEST_F(Wizard, EveryPageIsDecoratedAndTheCopyInstallsWhatTheUnattendedSetupDoes) {
  std::string script = "C:\\wizard-test.ini";
  ASSERT_TRUE(WriteFileBytes(script, "[Default Setup]\r\n", 17));
  ASSERT_EQ(RunSetup(script), 0u);
  std::string unattended = InstalledProductState();
  DeleteFileA(script.c_str());
  ResetProductState();
  RemoveArchiveFolder();

  ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
  ExpectDecorated(kWelcome);
  EXPECT_TRUE(ButtonsBecome(false, true, true));

  ASSERT_NO_FATAL_FAILURE(NextTo(kLicence));
  ExpectDecorated(kLicence);
  EXPECT_TRUE(ButtonsBecome(true, true, true));
  driver_.Screenshot("wizard-licence");

  ASSERT_NO_FATAL_FAILURE(NextTo(kCopying));
  ExpectDecorated(kCopying);
  EXPECT_TRUE(ButtonsBecome(true, true, true));
  EXPECT_FALSE(IsWindowVisible(Progress()));
  driver_.Screenshot("wizard-copying-files");

  HWND copyingPage = driver_.CurrentPage();
  ASSERT_NO_FATAL_FAILURE(NextTo(kMailClient));
  HWND progress = GetDlgItem(copyingPage, kProgress);
  EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, TRUE, 0), 0);
  EXPECT_EQ(SendMessageA(progress, PBM_GETRANGE, FALSE, 0), 5);
  EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 5);
  EXPECT_EQ(StepsDone(), 5);
  EXPECT_EQ(InstalledProductState(), unattended);
  ExpectDecorated(kMailClient);
  EXPECT_TRUE(ButtonsBecome(false, true, true));

  // The User-defined page is shown only for the user-defined client; Back
  // leads to the Mail client page, where Outlook, chosen again, leads
  // past it to Finish.
  HWND mailPage = driver_.CurrentPage();
  SendMessageA(GetDlgItem(mailPage, kUserDefinedClient), BM_CLICK, 0, 0);
  ASSERT_NO_FATAL_FAILURE(NextTo(kUserDefined));
  ExpectDecorated(kUserDefined);
  EXPECT_TRUE(ButtonsBecome(true, true, true));
  driver_.Press(PSBTN_BACK);
  ASSERT_TRUE(driver_.WaitForPage(kMailClient));
  SendMessageA(GetDlgItem(mailPage, kPredefinedClient), BM_CLICK, 0, 0);
  ASSERT_NO_FATAL_FAILURE(NextTo(kFinish));
  ExpectDecorated(kFinish);
  // Of the settings, the wizard stores the mail client alone.
  EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, kSettingsKey), std::vector<std::string>{"Mailer"});
  DWORD mailer = 0;
  EXPECT_TRUE(ReadDwordValue(HKEY_LOCAL_MACHINE, kSettingsKey, "Mailer", mailer));
  EXPECT_EQ(mailer, 1u);
  // Finish replaces Next, and Cancel no longer cancels.
  EXPECT_TRUE(WaitUntil([&] {
    return driver_.ButtonShown(kFinishButton) && driver_.ButtonEnabled(kFinishButton) &&
           !driver_.ButtonEnabled(kBackButton) && !driver_.ButtonEnabled(kCancelButton);
  }));
  driver_.Screenshot("wizard-finish");
  driver_.Press(PSBTN_FINISH);
  EXPECT_EQ(driver_.WaitForExit(), 0u);
}

TEST_F(Wizard, GoingBackAndForthKeepsEachPageAsItWasMadeOnce) {
  ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
  HWND welcome = driver_.CurrentPage();
  LRESULT welcomeFont = SendMessageA(GetDlgItem(welcome, kPageTitle), WM_GETFONT, 0, 0);
  ASSERT_NO_FATAL_FAILURE(NextTo(kLicence));
  HWND licence = driver_.CurrentPage();
  LRESULT licenceFont = SendMessageA(GetDlgItem(licence, kPageTitle), WM_GETFONT, 0, 0);
  for (int round = 0; round < 2; ++round) {
    driver_.Press(PSBTN_BACK);
    ASSERT_TRUE(driver_.WaitForPage(kWelcome));
    EXPECT_EQ(driver_.CurrentPage(), welcome);
    ASSERT_NO_FATAL_FAILURE(NextTo(kLicence));
    EXPECT_EQ(driver_.CurrentPage(), licence);
  }
  // A second frame set-up would have made a new caption font.
  EXPECT_EQ(SendMessageA(GetDlgItem(welcome, kPageTitle), WM_GETFONT, 0, 0), welcomeFont);
  EXPECT_EQ(SendMessageA(GetDlgItem(licence, kPageTitle), WM_GETFONT, 0, 0), licenceFont);
  ExpectDecorated(kLicence);
  CancelTheSetup();
}

// On each page before the copy: the question, No as its default; No keeps
// the page. Yes at the end leaves nothing installed.
TEST_F(Wizard, CancelAsksWithNoAsDefaultAndNoKeepsThePage) {
  ASSERT_NO_FATAL_FAILURE(StartAtWelcome());
  const char* pages[] = {kWelcome, kLicence, kCopying};
  for (const char* title : pages) {
    SCOPED_TRACE(title);
    if (title != pages[0]) ASSERT_NO_FATAL_FAILURE(NextTo(title));
    driver_.Press(PSBTN_CANCEL);
    HWND box = driver_.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WizardDriver::MessageText(box), kCancelQuestion);
    EXPECT_EQ(WizardDriver::DefaultButton(box), IDNO);
    EXPECT_TRUE(WaitUntil([&] { return driver_.FocusOf(box) == GetDlgItem(box, IDNO); }));
    if (title == pages[1]) driver_.Screenshot("cancel-question");
    WizardDriver::Answer(box, IDNO);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    EXPECT_EQ(driver_.PageTitle(), title);
    EXPECT_TRUE(driver_.Running());
  }
  CancelTheSetup();
  EXPECT_EQ(StepsDone(), 0);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

// Next and Cancel pressed together: the question opens before the worker
// can begin more than its first step, and holds it there.
TEST_F(Wizard, CancelDuringTheCopyPausesItAndNoResumes) {
  ASSERT_NO_FATAL_FAILURE(StartAtCopyingFiles());
  HWND progress = Progress();
  driver_.Press(PSBTN_NEXT);
  driver_.Press(PSBTN_CANCEL);
  HWND box = driver_.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WizardDriver::MessageText(box), kCancelQuestion);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(progress) != 0; }));
  EXPECT_TRUE(ButtonsBecome(false, false, true));
  int paused = StepsDone();
  EXPECT_LE(paused, 1);
  driver_.Screenshot("copying-paused");

  // A Next that is not the worker's (Wine presses even a disabled one)
  // must neither end the process nor leave the page.
  driver_.Press(PSBTN_NEXT);
  EXPECT_FALSE(WaitUntil([&] { return StepsDone() > 1 || !driver_.Running() || driver_.PageTitle() != kCopying; },
                         1500));
  EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), StepsDone());

  WizardDriver::Answer(box, IDNO);
  ASSERT_TRUE(driver_.WaitForPage(kMailClient));
  EXPECT_EQ(StepsDone(), 5);
  EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 5);
  CancelTheSetup();
}

// The worker looks at the Cancel question one last time before it presses
// Next; the question can open right after that look. The page then holds
// the press until the answer: No goes on as pressed, Yes closes without
// it. A test build of the setup waits in that gap until the test has
// opened the question and lets it go on.
TEST_F(Wizard, TheWorkersPressWaitsForTheAnswerToTheCancelQuestion) {
  const std::string gate = "ParvelloPressGate-" + std::to_string(GetCurrentProcessId());
  OwnedHandle reached(CreateEventA(nullptr, TRUE, FALSE, (gate + "-reached").c_str()));
  OwnedHandle open(CreateEventA(nullptr, TRUE, FALSE, (gate + "-open").c_str()));
  ASSERT_TRUE(reached.IsValid() && open.IsValid());
  SetEnvironmentVariableA("PARVELLO_TEST_PRESS_GATE", gate.c_str());
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
    ResetEvent(reached.Get());
    ResetEvent(open.Get());
    ResetProductState();
    WizardDriver driver;
    ASSERT_TRUE(driver.StartCopy(WinePath(TEST_BUILD_SETUP_EXE)));
    ASSERT_NE(driver.WaitForSheet(), nullptr);
    ASSERT_TRUE(driver.WaitForPage(kWelcome));
    for (const char* title : {kLicence, kCopying}) {
      driver.Press(PSBTN_NEXT);
      ASSERT_TRUE(driver.WaitForPage(title));
    }
    driver.Press(PSBTN_NEXT);
    ASSERT_TRUE(WaitUntil([&] { return WaitForSingleObject(reached.Get(), 0) == WAIT_OBJECT_0; }));
    EXPECT_EQ(StepsDone(), 5);
    driver.Press(PSBTN_CANCEL);
    HWND box = driver.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    SetEvent(open.Get());
    // The worker's two messages, then one of the test's: when Back shows
    // the test's, the press before it has been handled.
    ASSERT_TRUE(WaitUntil([&] { return driver.ButtonEnabled(kNextButton); }));
    PostMessageA(driver.Sheet(), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK);
    ASSERT_TRUE(WaitUntil([&] { return driver.ButtonEnabled(kBackButton) && !driver.ButtonEnabled(kNextButton); }));
    ASSERT_TRUE(driver.Running()) << "the press ended the setup under the question";
    EXPECT_EQ(driver.PageTitle(), kCopying) << "the press moved the sheet under the question";
    EXPECT_TRUE(IsWindowVisible(box));

    WizardDriver::Answer(box, answer);
    if (answer == IDNO) {
      EXPECT_TRUE(driver.WaitForPage(kMailClient));
      EXPECT_EQ(driver.CancelSetup(), 0u);
    } else {
      EXPECT_EQ(driver.WaitForExit(), 0u);
    }
  }
  SetEnvironmentVariableA("PARVELLO_TEST_PRESS_GATE", nullptr);
}

TEST_F(Wizard, CancelDuringTheCopyWithYesStopsBeforeTheNextStepSilently) {
  ASSERT_NO_FATAL_FAILURE(StartAtCopyingFiles());
  driver_.Press(PSBTN_NEXT);
  driver_.Press(PSBTN_CANCEL);
  HWND box = driver_.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  WizardDriver::Answer(box, IDYES);
  EXPECT_EQ(driver_.WaitForExit(), 0u);
  EXPECT_LE(StepsDone(), 1);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
}

TEST_F(Wizard, AHelpFileInUseIsNamedWithItsDirectoryAndEndsTheSetupWithCode1) {
  // Either form of the help: the WinHelp file, or the Compiled HTML Help
  // installed in the same step after it.
  for (const std::string name : {"parvello.hlp", "parvello.chm"}) {
    SCOPED_TRACE(name);
    ResetProductState();
    OwnedHandle held(CreateFileA((HelpDir() + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held.IsValid());
    ASSERT_NO_FATAL_FAILURE(StartAtCopyingFiles());
    driver_.Press(PSBTN_NEXT);
    HWND box = driver_.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WizardDriver::MessageText(box), "Setup is unable to copy file " + name + "\nto " + HelpDir() +
                                                  " directory.\nSetup can not be continued.\n\nPress OK to exit setup.");
    if (name == "parvello.hlp") driver_.Screenshot("copy-failed");
    // The failure is final: Next stays with the worker until OK.
    EXPECT_TRUE(driver_.Running());
    WizardDriver::Answer(box, IDOK);
    EXPECT_EQ(driver_.WaitForExit(), 1u);
    EXPECT_TRUE(FileExists(SystemDir() + "parvello.dll"));
    if (name == "parvello.chm") EXPECT_TRUE(FileExists(HelpDir() + "parvello.hlp")) << "installed before the CHM";
    EXPECT_FALSE(FileExists(HelpDir() + "parvello.cnt")) << "the next step";
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
  }
}

// The worker's failure box is open and the user presses Cancel: the
// question opens over it. After OK on the failure the worker waits for the
// answer before it presses Next: Yes ends the setup silently with 0, No
// lets the failure end it with 1.
TEST_F(Wizard, AFailureReportedWhileTheCancelQuestionIsOpenWaitsForTheAnswer) {
  OwnedHandle held(CreateFileA((HelpDir() + "parvello.hlp").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held.IsValid());
  const std::string failure = "Setup is unable to copy file parvello.hlp\nto " + HelpDir() +
                              " directory.\nSetup can not be continued.\n\nPress OK to exit setup.";
  for (int answer : {IDYES, IDNO}) {
    SCOPED_TRACE(answer == IDYES ? "Yes" : "No");
    WizardDriver driver;
    ASSERT_TRUE(driver.Start());
    ASSERT_TRUE(driver.WaitForSheet() && driver.WaitForPage(kWelcome) && driver.NextTo(kLicence) &&
                driver.NextTo(kCopying));
    driver.Press(PSBTN_NEXT);
    HWND failureBox = driver.WaitForMessageBox(failure);
    ASSERT_NE(failureBox, nullptr);
    driver.Press(PSBTN_CANCEL);
    HWND question = driver.WaitForMessageBox(kCancelQuestion);
    ASSERT_NE(question, nullptr);
    WizardDriver::Answer(failureBox, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(failureBox); }));
    EXPECT_FALSE(WaitUntil([&] { return !driver.Running() || !IsWindowVisible(question); }, 1500))
        << "the failure ended the setup under the open question";
    EXPECT_EQ(driver.PageTitle(), kCopying);
    WizardDriver::Answer(question, answer);
    EXPECT_EQ(driver.WaitForExit(), answer == IDYES ? 0u : 1u);
  }
}

// Back and Next again while the worker's failure box is open (Wine presses
// disabled buttons by message): the page refuses a second copy, and still
// takes the worker's own Next, which ends the setup with 1.
TEST_F(Wizard, ANextWhileTheWorkerReportsCannotStartASecondCopy) {
  OwnedHandle held(CreateFileA((HelpDir() + "parvello.hlp").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(held.IsValid());
  ASSERT_NO_FATAL_FAILURE(StartAtCopyingFiles());
  driver_.Press(PSBTN_NEXT);
  HWND failureBox = driver_.WaitForMessageBox();
  ASSERT_NE(failureBox, nullptr);
  driver_.Press(PSBTN_BACK);
  ASSERT_TRUE(driver_.WaitForPage(kLicence));
  ASSERT_NO_FATAL_FAILURE(NextTo(kCopying));
  EXPECT_TRUE(ButtonsBecome(false, false, true)) << "a worker runs: the buttons stay off";
  driver_.Press(PSBTN_NEXT);
  EXPECT_FALSE(WaitUntil([&] { return DialogsOf(driver_.Process().Id(), kSetupCaption).size() > 2; }, 1000))
      << "a second worker reports a second failure";
  WizardDriver::Answer(failureBox, IDOK);
  EXPECT_EQ(driver_.WaitForExit(10000), 1u);
}

TEST_F(Wizard, ARegistrationFailureIsShownAndEndsTheSetupWithCode1) {
  DeniedKey denied(HKEY_CLASSES_ROOT, kClassKey);
  ASSERT_TRUE(denied.Armed());
  ASSERT_NO_FATAL_FAILURE(StartAtCopyingFiles());
  driver_.Press(PSBTN_NEXT);
  HWND box = driver_.WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(WizardDriver::MessageText(box),
            "Setup is unable to register Parvello.\nSetup can not be continued.\n\nPress OK to exit setup.");
  WizardDriver::Answer(box, IDOK);
  EXPECT_EQ(driver_.WaitForExit(), 1u);
  EXPECT_EQ(StepsDone(), 3);
}

TEST_F(Wizard, AnArchiveFolderThatCannotBeMadeDoesNotStopTheSetup) {
  ASSERT_TRUE(WriteFileBytes(archiveFolder_, "x", 1));
  ASSERT_NO_FATAL_FAILURE(StartAtCopyingFiles());
  ASSERT_NO_FATAL_FAILURE(NextTo(kMailClient));
  EXPECT_EQ(StepsDone(), 4);
  EXPECT_FALSE(GetFileAttributesA(archiveFolder_.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  CancelTheSetup();
}

}  // namespace
