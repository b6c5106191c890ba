// Drives the setup's interactive setup from outside, as a person would: it
// finds the sheet, its current page and the message boxes, reads their
// texts and states, presses the sheet's buttons and answers the boxes.
// Every wait has a time-out; nothing sleeps for a fixed time.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "harness/harness.h"

extern const char kSetupCaption[];  // "Parvello 1.1 Setup"

// The pages' titles, as a person reads them on top of each page.
extern const char kWelcomeTitle[];
extern const char kLicenceTitle[];
extern const char kCopyingTitle[];
extern const char kMailClientTitle[];
extern const char kUserDefinedTitle[];
extern const char kFinishTitle[];

// The sheet's own buttons (comctl32's control ids).
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;
constexpr int kCancelButton = IDCANCEL;

class WizardDriver {
 public:
  // Starts the setup with `arguments` (none by default).
  bool Start(const std::string& arguments = "");
  // Starts another copy of the setup, without arguments.
  bool StartCopy(const std::string& exe);
  ChildProcess& Process() { return process_; }

  // The property sheet, once shown (a dialog with pages); null on time-out.
  HWND WaitForSheet(DWORD timeoutMs = kPatienceMs);
  HWND Sheet() const { return sheet_; }
  HWND CurrentPage() const;
  // The current page's title (control 1029), empty without a sheet.
  std::string PageTitle() const;
  bool WaitForPage(const char* title, DWORD timeoutMs = kPatienceMs);
  // Presses Next and waits for the page with `title`.
  bool NextTo(const char* title);
  // Starts the setup without arguments and walks to the Mail client page,
  // the copy done on the way; or only the walk, for a setup started before.
  bool StartAtMailClient();
  bool WalkToMailClient();

  // Posts PSM_PRESSBUTTON (PSBTN_...), as Wine's own tests press buttons.
  void Press(int psbtn) const;
  HWND Button(int id) const { return GetDlgItem(sheet_, id); }
  bool ButtonEnabled(int id) const;
  bool ButtonShown(int id) const;

  // A message box of the setup (a dialog with the setup caption and a
  // message text), or null on time-out.
  HWND WaitForMessageBox(DWORD timeoutMs = kPatienceMs) const;
  // The one showing `text`, when several may be open.
  HWND WaitForMessageBox(const std::string& text, DWORD timeoutMs = kPatienceMs) const;
  // The overwrite question: a dialog with Yes and No but no message text.
  HWND WaitForQuestionDialog(DWORD timeoutMs = kPatienceMs) const;
  static std::string MessageText(HWND box);
  // The button with the BS_DEFPUSHBUTTON style, or 0.
  static int DefaultButton(HWND box);
  // Presses button `id` of a dialog by its command, as a click would.
  static void Answer(HWND box, int id);
  // A real mouse click (the cursor moved there, button down and up) at the
  // middle of `window`, or at `x`, `y` on the screen.
  static void Click(HWND window);
  static void ClickAt(int x, int y);
  // The setup's visible popup menu window (class "#32768"), or null on
  // time-out.
  HWND WaitForPopupMenu(DWORD timeoutMs = kPatienceMs) const;

  // The window that has the keyboard focus in the setup's UI thread.
  HWND FocusOf(HWND window) const;

  // Has every window of the setup painted (the repaint is sent, so it has
  // happened when this returns), then saves the screen under `name`.
  bool Screenshot(const char* name) const;
  // The texts of `dialog`'s static controls that need more room than their
  // rectangles give, measured in the font of the program's templates
  // ("MS Sans Serif" 8) as the prefix draws it; the page title, drawn in a
  // font of its own, aside. A setup that runs at another scale than this
  // process is measured in its own face at its own `dpi`.
  static std::vector<std::string> ClippedTexts(HWND dialog, const char* face = "MS Sans Serif", int dpi = 0);

  // Cancel, then Yes to the question; the exit code as WaitForExit gives
  // it, or 0xFFFFFFFF when no question came.
  DWORD CancelSetup();

  // Waits for the process to end; its exit code, or 0xFFFFFFFF on time-out.
  DWORD WaitForExit(DWORD timeoutMs = kPatienceMs);
  bool Running() const;

 private:
  ChildProcess process_;
  HWND sheet_ = nullptr;
};
