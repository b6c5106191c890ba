// The Options window: the settings shown, checked and written back.
#include "windows/options_window.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "base/text.h"
#include "common/accessible_override.h"
#include "common/architectures.h"
#include "common/help_viewer.h"
#include "common/mail_clients.h"
#include "packing/archive_folder.h"
#include "packing/archive_name.h"
#include "resource_ids.h"
#include "settings/options.h"
#include "shell/module.h"
#include "windows/help_topics.h"
#include "windows/thread_dpi_awareness.h"

namespace {

const wchar_t kCaption[] = L"Parvello Options";

// BCM_SETSHIELD, which the headers give only to programs for Vista and
// later: older systems ignore it.
constexpr UINT kSetShield = BCM_FIRST + 0x000C;

// The longest text each field takes: what the setup's own readers take
// back (its mail page and its archive folder read 259 characters).
constexpr int kLongestCommandLine = 259;
constexpr int kLongestTemplate = 519;
constexpr int kLongestFilters = 255;
constexpr int kLongestFolder = 259;
constexpr int kLongestDays = 5;
constexpr int kLongestKilobytes = 7;

// The name template's placeholders, as the archive's name fills them in.
const MacroItem kTemplateMacros[] = {
    {"Name of the clicked item", "$NAME"},
    {"Name of the folder the items lie in", "$FOLDER"},
    {"Today's date", "$DATE"},
    {"The time", "$TIME"},
};
constexpr UINT kFirstMailMacro = 2000;
constexpr UINT kFirstTemplateMacro = 2100;

// The two Insert menus: the button that opens each, the edit it fills and
// the macros it offers, with their commands' first id.
struct MacroMenu {
  int button;
  int edit;
  const MacroItem* items;
  UINT count;
  UINT firstCommand;
};
const MacroMenu kMacroMenus[] = {
    {IDC_OPT_COMMAND_MACRO, IDC_OPT_COMMAND_LINE, kMailMacros, sizeof kMailMacros / sizeof kMailMacros[0],
     kFirstMailMacro},
    {IDC_OPT_TEMPLATE_MACRO, IDC_OPT_TEMPLATE, kTemplateMacros, sizeof kTemplateMacros / sizeof kTemplateMacros[0],
     kFirstTemplateMacro},
};

// What a user may change; read-only, they are shown but disabled.
const int kInputs[] = {IDC_OPT_PREDEFINED,    IDC_OPT_MAIL_CLIENTS, IDC_OPT_USER_DEFINED, IDC_OPT_COMMAND_LINE,
                       IDC_OPT_COMMAND_MACRO, IDC_OPT_NAME_CLICKED, IDC_OPT_NAME_FOLDER,  IDC_OPT_NAME_TEMPLATE,
                       IDC_OPT_TEMPLATE,      IDC_OPT_TEMPLATE_MACRO, IDC_OPT_FILTERS,    IDC_OPT_FOLDER,
                       IDC_OPT_BROWSE,        IDC_OPT_RETENTION,    IDC_OPT_LOW_PRIORITY, IDC_OPT_SHOW_ICON,
                       IDC_OPT_SHOW_PROGRESS, IDC_OPT_ASK_ON_CANCEL, IDC_OPT_MESSAGE_BUDGET, IDC_OPT_CHECK_TYPES,
                       IDOK};

// The window's one instance: the settings as read, and what the controls
// said when they were filled. A value is written only when its control
// now says something else.
struct WindowState {
  ProductOptions stored;
  ProductOptions shown;
  bool readOnly;
};
WindowState g_window;

std::wstring ItemText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
  text.resize(GetWindowTextW(control, &text[0], static_cast<int>(text.size())));
  return text;
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

std::wstring ModulePath() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(g_libraryModule, path, MAX_PATH);
  return length && length < MAX_PATH ? std::wstring(path, length) : L"";
}

// The Rundll32 of this library's architecture, by its real folder: whoever
// starts it elevated on this process's behalf may be of the other one.
std::wstring Rundll32Path() {
  wchar_t folder[MAX_PATH];
  if (!SystemFolderOf(OwnMachine(), FolderName::kNamed, folder, MAX_PATH)) return L"rundll32.exe";
  return std::wstring(folder) + L"\\rundll32.exe";
}

// How the library names archives (see ArchiveBaseName): the template
// when there is one to use, else the clicked item, else its folder.
int NamingChoice(const ProductOptions& options) {
  if (options.useCustom && !options.nameTemplate.empty()) return IDC_OPT_NAME_TEMPLATE;
  if (options.useClicked) return IDC_OPT_NAME_CLICKED;
  if (options.useParentFolder) return IDC_OPT_NAME_FOLDER;
  return 0;
}

// The settings the controls say, the rest as `stored` has them. A number
// of days that is not one reads as the stored number (OK refuses it).
ProductOptions FromControls(HWND dialog, const ProductOptions& stored) {
  ProductOptions options = stored;
  if (Checked(dialog, IDC_OPT_PREDEFINED))
    options.mailer = static_cast<DWORD>(SendDlgItemMessageW(dialog, IDC_OPT_MAIL_CLIENTS, CB_GETCURSEL, 0, 0) + 1);
  else if (Checked(dialog, IDC_OPT_USER_DEFINED))
    options.mailer = 0;
  options.userDefinedCmdLine = ItemText(dialog, IDC_OPT_COMMAND_LINE);
  if (Checked(dialog, IDC_OPT_NAME_TEMPLATE)) {
    options.useCustom = 1;
  } else if (Checked(dialog, IDC_OPT_NAME_CLICKED)) {
    options.useCustom = 0;
    options.useClicked = 1;
  } else if (Checked(dialog, IDC_OPT_NAME_FOLDER)) {
    options.useCustom = 0;
    options.useClicked = 0;
    options.useParentFolder = 1;
  }
  options.nameTemplate = ItemText(dialog, IDC_OPT_TEMPLATE);
  options.fileFilters = ItemText(dialog, IDC_OPT_FILTERS);
  options.temporaryFolder = ItemText(dialog, IDC_OPT_FOLDER);
  BOOL number = FALSE;
  UINT days = GetDlgItemInt(dialog, IDC_OPT_RETENTION, &number, FALSE);
  if (number) options.retention = days;
  options.lowPriority = Checked(dialog, IDC_OPT_LOW_PRIORITY);
  options.showIcon = Checked(dialog, IDC_OPT_SHOW_ICON);
  options.hideProgressDialog = !Checked(dialog, IDC_OPT_SHOW_PROGRESS);
  options.askConfirmationOnCancel = Checked(dialog, IDC_OPT_ASK_ON_CANCEL);
  UINT kilobytes = GetDlgItemInt(dialog, IDC_OPT_MESSAGE_BUDGET, &number, FALSE);
  if (number) options.maxArchiveKilobytes = kilobytes;
  options.checkRejectedTypes = Checked(dialog, IDC_OPT_CHECK_TYPES);
  return options;
}

// Controls that mean something only with another one's choice.
void EnableDependents(HWND dialog) {
  if (g_window.readOnly) return;
  bool predefined = Checked(dialog, IDC_OPT_PREDEFINED), named = Checked(dialog, IDC_OPT_NAME_TEMPLATE);
  const struct {
    int id;
    bool enabled;
  } dependents[] = {
      {IDC_OPT_MAIL_CLIENTS, predefined},
      {IDC_OPT_COMMAND_LINE, !predefined},
      {IDC_OPT_COMMAND_MACRO, !predefined},
      {IDC_OPT_TEMPLATE, named},
      {IDC_OPT_TEMPLATE_MACRO, named},
      {IDC_OPT_ASK_ON_CANCEL, Checked(dialog, IDC_OPT_SHOW_PROGRESS)},
  };
  for (const auto& dependent : dependents) EnableWindow(GetDlgItem(dialog, dependent.id), dependent.enabled);
}

void Fill(HWND dialog, const ProductOptions& options) {
  HWND list = GetDlgItem(dialog, IDC_OPT_MAIL_CLIENTS);
  for (const char* name : kMailClientNames) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  // A number the product does not know sends as client 1, as the setup reads it.
  bool predefined = options.mailer != 0;
  DWORD client = options.mailer <= static_cast<DWORD>(kMailClientCount) ? options.mailer : 1;
  SendMessageW(list, CB_SETCURSEL, predefined ? client - 1 : 0, 0);
  CheckRadioButton(dialog, IDC_OPT_PREDEFINED, IDC_OPT_USER_DEFINED,
                   predefined ? IDC_OPT_PREDEFINED : IDC_OPT_USER_DEFINED);
  const struct {
    int id;
    const std::wstring& text;
    int longest;
  } edits[] = {
      {IDC_OPT_COMMAND_LINE, options.userDefinedCmdLine, kLongestCommandLine},
      {IDC_OPT_TEMPLATE, options.nameTemplate, kLongestTemplate},
      {IDC_OPT_FILTERS, options.fileFilters, kLongestFilters},
      // Without a folder of its own the product uses the default one: that
      // is the folder shown.
      {IDC_OPT_FOLDER, options.temporaryFolder.empty() ? DefaultArchiveFolder() : options.temporaryFolder,
       kLongestFolder},
      {IDC_OPT_RETENTION, Decimal(options.retention), kLongestDays},
      {IDC_OPT_MESSAGE_BUDGET, Decimal(options.maxArchiveKilobytes), kLongestKilobytes},
  };
  for (const auto& edit : edits) {
    SendDlgItemMessageW(dialog, edit.id, EM_LIMITTEXT, edit.longest, 0);
    SetDlgItemTextW(dialog, edit.id, edit.text.c_str());
  }
  if (int naming = NamingChoice(options)) CheckRadioButton(dialog, IDC_OPT_NAME_CLICKED, IDC_OPT_NAME_TEMPLATE, naming);
  const struct {
    int id;
    bool checked;
  } boxes[] = {
      {IDC_OPT_LOW_PRIORITY, options.lowPriority != 0},
      {IDC_OPT_SHOW_ICON, options.showIcon != 0},
      {IDC_OPT_SHOW_PROGRESS, options.hideProgressDialog == 0},
      {IDC_OPT_ASK_ON_CANCEL, options.askConfirmationOnCancel != 0},
      {IDC_OPT_CHECK_TYPES, options.checkRejectedTypes != 0},
  };
  for (const auto& box : boxes) CheckDlgButton(dialog, box.id, box.checked ? BST_CHECKED : BST_UNCHECKED);
}

// Everything shown, nothing changeable, and the way to administrator
// rights: the shield button.
void MakeReadOnly(HWND dialog) {
  g_window.readOnly = true;
  for (int id : kInputs) EnableWindow(GetDlgItem(dialog, id), FALSE);
  HWND elevate = GetDlgItem(dialog, IDC_OPT_ELEVATE);
  SendMessageW(elevate, kSetShield, 0, TRUE);
  ShowWindow(GetDlgItem(dialog, IDC_OPT_READ_ONLY_NOTE), SW_SHOW);
  ShowWindow(elevate, SW_SHOW);
  SetDlgItemTextW(dialog, IDCANCEL, L"Close");
  SendMessageW(dialog, DM_SETDEFID, IDC_OPT_ELEVATE, 0);
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(elevate), TRUE);
}

// The help's Settings topic; the window stays open when this one closes.
HWND g_helpViewer;

void Complain(HWND dialog, const std::wstring& problem, int control);

void ShowSettingsHelp(HWND dialog) {
  if (HWND viewer = OpenHelpTopic(kSettingsTopic))
    g_helpViewer = viewer;
  else
    Complain(dialog, L"Parvello's help cannot be opened: the file parvello.chm in the HELP folder of Windows, or "
                     L"the system's HTML Help, is missing.", 0);
}

void Complain(HWND dialog, const std::wstring& problem, int control) {
  MessageBoxW(dialog, problem.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  if (!control) return;
  HWND item = GetDlgItem(dialog, control);
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
  // A command line is mended by adding to it (Insert Macro); the other
  // fields by typing them anew.
  int end = GetWindowTextLengthW(item);
  if (control == IDC_OPT_COMMAND_LINE)
    SendMessageW(item, EM_SETSEL, end, end);
  else
    SendMessageW(item, EM_SETSEL, 0, -1);
}

// What is wrong with the changed settings, in words, and the control to
// mend it in; an empty text when nothing is. A changed archive folder
// that is missing is made here.
std::wstring Problem(HWND dialog, const ProductOptions& now, int& control) {
  const ProductOptions& shown = g_window.shown;
  const struct {
    int id;
    const wchar_t* ask;
  } numbers[] = {
      {IDC_OPT_RETENTION,
       L"Type the number of days Parvello keeps an archive: a whole number such as 7, or 0 to keep every archive."},
      {IDC_OPT_MESSAGE_BUDGET,
       L"Type the largest archive one message may carry, in kilobytes: a whole number such as 18000, or 0 for no "
       L"limit."},
  };
  for (const auto& field : numbers) {
    BOOL number = FALSE;
    GetDlgItemInt(dialog, field.id, &number, FALSE);
    if (!number || ItemText(dialog, field.id).find_first_not_of(L"0123456789") != std::wstring::npos) {
      control = field.id;
      return field.ask;
    }
  }
  bool mailChanged = now.mailer != shown.mailer || now.userDefinedCmdLine != shown.userDefinedCmdLine;
  if (now.mailer == 0 && mailChanged) {
    control = IDC_OPT_COMMAND_LINE;
    if (now.userDefinedCmdLine.find_first_not_of(L' ') == std::wstring::npos)
      return L"Type the command line of your mail client, or choose a predefined mail client.";
    if (now.userDefinedCmdLine.find(L"$NAME") == std::wstring::npos &&
        now.userDefinedCmdLine.find(L"$DOSNAME") == std::wstring::npos)
      return L"The command line holds neither $NAME nor $DOSNAME, so the mail client would never get the "
             L"archive. Use Insert Macro to put the archive's name on it.";
  }
  bool namingChanged = now.useCustom != shown.useCustom || now.nameTemplate != shown.nameTemplate;
  if (Checked(dialog, IDC_OPT_NAME_TEMPLATE) && namingChanged &&
      now.nameTemplate.find_first_not_of(L' ') == std::wstring::npos) {
    control = IDC_OPT_TEMPLATE;
    return L"Type a name template, such as $FOLDER $DATE, or choose another way to name the archives.";
  }
  if (now.temporaryFolder != shown.temporaryFolder) {
    control = IDC_OPT_FOLDER;
    ProductOptions typed;
    typed.temporaryFolder = now.temporaryFolder;
    std::wstring folder = now.temporaryFolder.find_first_not_of(L' ') == std::wstring::npos ? L"" : ArchiveFolder(typed);
    if (!IsFullPath(folder))
      return L"The archive folder must be a full path, such as C:\\Archives or %TEMP%\\Parvello.";
    DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return L"The archive folder " + folder + L" is a file. Choose a folder.";
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      DWORD error = MakeArchiveFolder(folder);
      if (error) return L"Parvello cannot make the archive folder " + folder + L":\n" + SystemMessage(error);
    }
  }
  control = 0;
  return L"";
}

// OK: the changed values go to the registry; the window closes when they
// are all there.
void Store(HWND dialog) {
  ProductOptions now = FromControls(dialog, g_window.stored);
  int control = 0;
  std::wstring problem = Problem(dialog, now, control);
  if (!problem.empty()) {
    Complain(dialog, problem, control);
    return;
  }
  // Only what the user changed: a value the controls show as it was stays
  // as stored, also one they cannot show exactly (ShowIcon 2, say).
  ProductOptions changed = WithChanges(g_window.stored, g_window.shown, now);
  DWORD error = ERROR_SUCCESS;
  if (WriteChangedOptions(g_window.stored, changed, error)) {
    EndDialog(dialog, IDOK);
    return;
  }
  if (error == ERROR_ACCESS_DENIED) {
    Complain(dialog,
             L"Only an administrator can change Parvello's settings. Choose Change settings to open this window with "
             L"administrator rights.",
             0);
    MakeReadOnly(dialog);
    return;
  }
  Complain(dialog, L"Parvello could not store its settings:\n" + SystemMessage(error), 0);
}

// The same window with administrator rights takes this one's place; when
// the user declines, this one stays.
void ReopenElevated(HWND dialog) {
  std::wstring rundll32 = Rundll32Path(), parameters = L"\"" + ModulePath() + L"\",Options";
  SHELLEXECUTEINFOW run = {};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  run.hwnd = dialog;
  run.lpVerb = L"runas";
  run.lpFile = rundll32.c_str();
  run.lpParameters = parameters.c_str();
  run.nShow = SW_SHOWNORMAL;
  if (ShellExecuteExW(&run)) {
    EndDialog(dialog, IDCANCEL);
    return;
  }
  DWORD error = GetLastError();
  if (error != ERROR_CANCELLED)
    Complain(dialog, L"Parvello could not ask for administrator rights:\n" + SystemMessage(error), 0);
}

int CALLBACK StartBrowsingAt(HWND browser, UINT message, LPARAM, LPARAM folder) {
  if (message == BFFM_INITIALIZED) SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, folder);
  return 0;
}

void BrowseForFolder(HWND dialog) {
  ProductOptions typed;
  typed.temporaryFolder = ItemText(dialog, IDC_OPT_FOLDER);
  // The browser finds a folder by its plain full name only.
  std::wstring typedFolder = ArchiveFolder(typed);
  wchar_t start[MAX_PATH];
  DWORD length = GetFullPathNameW(typedFolder.c_str(), MAX_PATH, start, nullptr);
  if (!length || length >= MAX_PATH) start[0] = L'\0';
  BROWSEINFOW browse = {};
  browse.hwndOwner = dialog;
  browse.lpszTitle = L"Choose the folder Parvello makes its archives in.";
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  browse.lpfn = StartBrowsingAt;
  browse.lParam = reinterpret_cast<LPARAM>(start);
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse);
  if (!item) return;
  wchar_t path[MAX_PATH];
  if (SHGetPathFromIDListW(item, path)) SetDlgItemTextW(dialog, IDC_OPT_FOLDER, path);
  CoTaskMemFree(item);
}

// The menu hangs below its button, right edges aligned; a macro goes in
// place of the edit's selection when the whole text still fits.
void OpenMacroMenu(HWND dialog, const MacroMenu& menu) {
  RECT area;
  GetWindowRect(GetDlgItem(dialog, menu.button), &area);
  HMENU popup = CreatePopupMenu();
  if (!popup) return;
  // The date and the time show as a name made now would have them.
  SYSTEMTIME now;
  GetLocalTime(&now);
  for (UINT i = 0; i < menu.count; ++i) {
    std::wstring item = Widened(menu.items[i].item);
    if (lstrcmpA(menu.items[i].text, "$DATE") == 0) item += L" (" + DateInName(now) + L")";
    if (lstrcmpA(menu.items[i].text, "$TIME") == 0) item += L" (" + TimeInName(now) + L")";
    AppendMenuW(popup, MF_STRING, menu.firstCommand + i, item.c_str());
  }
  UINT chosen = TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, area.right, area.bottom, 0,
                               dialog, nullptr);
  DestroyMenu(popup);
  if (chosen < menu.firstCommand || chosen >= menu.firstCommand + menu.count) return;
  HWND edit = GetDlgItem(dialog, menu.edit);
  const char* macro = menu.items[chosen - menu.firstCommand].text;
  LRESULT longest = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
  if (static_cast<LRESULT>(lstrlenA(macro)) + GetWindowTextLengthW(edit) > longest) return;
  SendMessageA(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(macro));
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
}

// Boxes whose label is a radio button, which a screen reader does not take
// for a label: each is named by its button's words.
struct LabelledBox {
  int box;
  int label;
};
constexpr LabelledBox kLabelledBoxes[] = {{IDC_OPT_MAIL_CLIENTS, IDC_OPT_PREDEFINED},
                                          {IDC_OPT_COMMAND_LINE, IDC_OPT_USER_DEFINED},
                                          {IDC_OPT_TEMPLATE, IDC_OPT_NAME_TEMPLATE}};

LRESULT CALLBACK NamedBoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR label) {
  if (message == WM_GETOBJECT) {
    // The button's words without its access key's mark and its colon.
    char words[128] = "", name[128];
    GetDlgItemTextA(GetParent(box), static_cast<int>(label), words, sizeof words);
    int length = 0;
    for (const char* at = words; *at; ++at)
      if (*at != '&') name[length++] = *at;
    while (length && (name[length - 1] == ':' || name[length - 1] == ' ')) --length;
    name[length] = '\0';
    AccessibleFacts facts = {0, name, nullptr, nullptr, 0, 0};
    if (LRESULT answer = AnswerAccessibleObject(box, wParam, lParam, facts)) return answer;
  }
  if (message == WM_NCDESTROY) RemoveWindowSubclass(box, NamedBoxProc, 0);
  return DefSubclassProc(box, message, wParam, lParam);
}

void SetUp(HWND dialog) {
  for (const LabelledBox& named : kLabelledBoxes)
    SetWindowSubclass(GetDlgItem(dialog, named.box), NamedBoxProc, 0, named.label);
  HICON icon = static_cast<HICON>(LoadImageW(g_libraryModule, MAKEINTRESOURCEW(IDI_PRODUCT), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (icon) SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  HICON big = LoadIconW(g_libraryModule, MAKEINTRESOURCEW(IDI_PRODUCT));
  if (big) SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  ReadProductOptions(g_window.stored);
  Fill(dialog, g_window.stored);
  g_window.shown = FromControls(dialog, g_window.stored);
  g_window.readOnly = false;
  EnableDependents(dialog);
  if (!MayChangeOptions()) MakeReadOnly(dialog);
  SetForegroundWindow(dialog);
}

INT_PTR CALLBACK OptionsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SetUp(dialog);
      return g_window.readOnly ? FALSE : TRUE;
    case WM_HELP:  // F1
      ShowSettingsHelp(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (!g_window.readOnly) Store(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case IDC_OPT_ELEVATE:
          ReopenElevated(dialog);
          return TRUE;
        case IDC_OPT_BROWSE:
          BrowseForFolder(dialog);
          return TRUE;
        case IDHELP:
          ShowSettingsHelp(dialog);
          return TRUE;
      }
      for (const MacroMenu& menu : kMacroMenus)
        if (LOWORD(wParam) == menu.button) OpenMacroMenu(dialog, menu);
      EnableDependents(dialog);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

extern "C" void CALLBACK Options(HWND, HINSTANCE, LPSTR, int) {
  // The common controls of the library's manifest draw the shield.
  ACTCTXW context = {};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.hModule = g_libraryModule;
  context.lpResourceName = MAKEINTRESOURCEW(IDR_WINDOWS_MANIFEST);
  HANDLE activation = CreateActCtxW(&context);
  ULONG_PTR cookie = 0;
  bool active = activation != INVALID_HANDLE_VALUE && ActivateActCtx(activation, &cookie);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  HRESULT ole = OleInitialize(nullptr);  // the folder browser's new style needs it
  HANDLE awareness = MakeThreadDpiAware();
  DialogBoxParamW(g_libraryModule, MAKEINTRESOURCEW(IDD_OPTIONS), nullptr, OptionsProc, 0);
  RestoreThreadDpiAwareness(awareness);
  ServeHelpViewer(g_helpViewer);
  if (SUCCEEDED(ole)) OleUninitialize();
  if (active) DeactivateActCtx(0, cookie);
  if (activation != INVALID_HANDLE_VALUE) ReleaseActCtx(activation);
}

int StartOptionsWindow() {
  std::wstring command = L"\"" + Rundll32Path() + L"\" \"" + ModulePath() + L"\",Options";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 1;
}
