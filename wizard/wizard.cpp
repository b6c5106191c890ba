#include "wizard/wizard.h"

#include <commctrl.h>
#include <prsht.h>

#include "app/startup.h"
#include "app/system_dlls.h"
#include "app/texts.h"
#include "common/owned.h"
#include "install/copy_worker.h"
#include "install/copying_files_page.h"
#include "controls/system_look.h"
#include "wizard/overview_help.h"
#include "wizard/page_templates.h"
#include "wizard/pages.h"

namespace {

struct WizardPage {
  WORD templateId;
  DLGPROC procedure;
};

// In sheet order.
constexpr WizardPage kPages[] = {
    {IDD_WELCOME_PAGE, WelcomePageProc},      {IDD_LICENCE_PAGE, LicencePageProc},
    {IDD_COPYING_FILES_PAGE, CopyingFilesPageProc}, {IDD_MAIL_CLIENT_PAGE, MailClientPageProc},
    {IDD_USER_DEFINED_PAGE, UserDefinedPageProc},   {IDD_FINISH_PAGE, FinishPageProc},
};
constexpr UINT kPageCount = sizeof kPages / sizeof kPages[0];

// The page records with the two header-title fields and the full header:
// the forms every comctl32 since Internet Explorer 4 knows. The sheet
// steps through the records by their size field, so the array must hold
// records of exactly that size.
#ifndef _WIN64
static_assert(sizeof(PROPSHEETPAGEA_V2) == 48, "page record size");
static_assert(sizeof(PROPSHEETHEADERA) == 52, "sheet header size");
#endif

PROPSHEETPAGEA_V2 g_pageRecords[kPageCount];
PROPSHEETHEADERA g_sheetHeader;

INT_PTR CALLBACK OverwriteQuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      // No is the safe answer; the focus starts there.
      SetFocus(GetDlgItem(dialog, IDNO));
      break;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDYES) EndDialog(dialog, 1);
      if (LOWORD(wParam) == IDNO || LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
      break;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      break;
  }
  return FALSE;
}

}  // namespace

int IsProductInstalled() {
  OwnedKey key;
  return RegOpenKeyExA(HKEY_CLASSES_ROOT, Text(IDS_CLASS_KEY), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

int RunSetupWizard() {
  // A failed dialog counts as Yes: the wizard is shown.
  if (IsProductInstalled() &&
      DialogBoxParamA(g_module, MAKEINTRESOURCEA(IDD_OVERWRITE_QUESTION), nullptr, OverwriteQuestionProc, 0) == 0)
    return 1;

  LoadProgramIcons();
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
  SystemInitCommonControlsEx(&classes);

  UINT dpi = WindowDpi(nullptr);
  for (UINT i = 0; i < kPageCount; ++i) {
    PROPSHEETPAGEA_V2& record = g_pageRecords[i];
    record.dwSize = sizeof record;
    record.dwFlags = PSP_DEFAULT;
    record.hInstance = g_module;
    record.pszTemplate = MAKEINTRESOURCEA(kPages[i].templateId);
    if (const DLGTEMPLATE* scaled = PageTemplateForDpi(g_module, kPages[i].templateId, dpi)) {
      record.dwFlags = PSP_DLGINDIRECT;
      record.pResource = scaled;
    }
    record.pfnDlgProc = kPages[i].procedure;
    record.lParam = 0;
  }
  g_sheetHeader.dwSize = sizeof g_sheetHeader;
  g_sheetHeader.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
  g_sheetHeader.hwndParent = nullptr;
  g_sheetHeader.hInstance = g_module;
  g_sheetHeader.pszCaption = Text(IDS_SETUP_CAPTION);
  g_sheetHeader.nPages = kPageCount;
  g_sheetHeader.nStartPage = 0;
  g_sheetHeader.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(g_pageRecords);
  SystemPropertySheet(&g_sheetHeader);

  WaitForCopyWorker();
  ServeOverviewViewer();
  return 1;
}
