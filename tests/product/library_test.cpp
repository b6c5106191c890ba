// The product's library as the shell uses it: installed by the real 32-bit
// VOZAZIZA.EXE, which on 64-bit Windows installs and registers both
// architectures; created through COM from the registry view of this host's
// own architecture (Explorer is 64-bit, a 32-bit program's file dialog
// 32-bit), with the settings the setup stored; given a real selection, its
// command invoked; the archives it writes are handed to the host's own
// ZIP reader afterwards (see check_archives.py), the mail programs are
// stand-ins that record what they were given.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/owned.h"
#include "harness/box_answerer.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "product/drop_data.h"
#include "product/shell_host.h"

namespace {

const CLSID kStranger = {0x5c2e81f0, 0x3d47, 0x4b9a, {0x9e, 0x16, 0x7a, 0x0f, 0x93, 0xd2, 0xc4, 0xb6}};
const char kRoot[] = "C:\\parvello-library-test";
const char kArchives[] = "C:\\parvello-library-test\\archives";
const char kRecord[] = "C:\\parvello-library-test\\mail-record.txt";
const char kFilters[] = "*.bak; ~*";

bool WriteWide(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

bool SetAge(const std::string& path, int days) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER time = {{now.dwLowDateTime, now.dwHighDateTime}};
  time.QuadPart -= static_cast<ULONGLONG>(days) * 24 * 3600 * 10000000ULL;
  FILETIME then = {time.LowPart, time.HighPart};
  BOOL ok = SetFileTime(file, nullptr, nullptr, &then);
  CloseHandle(file);
  return ok != 0;
}

std::string ShortPath(const std::string& path) {
  char shortPath[MAX_PATH] = "";
  DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
  return length && length < MAX_PATH ? shortPath : "";
}

std::string Record(const char* path) {
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes)) return "";
  DeleteFileA(path);
  return std::string(bytes.begin(), bytes.end());
}

// One archive for the host's ZIP reader: the copy to read, and each
// selected item with the name it must have at the archive's top.
struct ArchiveExpectation {
  std::string copy;
  std::vector<std::pair<std::string, std::string>> items;  // Unix path, top name
  std::string filters;
  std::vector<std::string> excluded;  // Unix paths not packed (the archive folder, files left out)
};
std::vector<ArchiveExpectation> g_expectations;

std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Shows `popup` as the shell shows a context menu, over a window that
// lists the selection, and picks the item at `position` with the keyboard
// as a person would (taking a screenshot with it highlighted). Returns
// the command id TrackPopupMenu answers, 0 when nothing was picked.
struct MenuPick {
  HMENU popup;
  int position;
  volatile bool highlighted;
};

DWORD WINAPI PickWithKeys(void* param) {
  auto* pick = static_cast<MenuPick*>(param);
  HWND menu = nullptr;
  WaitUntil([&] { return (menu = FindVisibleWindow("#32768", GetCurrentProcessId())) != nullptr; });
  if (!menu) return 0;
  for (int i = 0; i <= pick->position; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  RECT item = {};
  pick->highlighted = WaitUntil([&] {
    return (GetMenuState(pick->popup, pick->position, MF_BYPOSITION) & MF_HILITE) &&
           GetMenuItemRect(nullptr, pick->popup, pick->position, &item) &&
           ShareOfColour(item, GetSysColor(COLOR_HIGHLIGHT)) > 0.3;
  });
  SaveScreenshot("library-context-menu");
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
  return 0;
}

UINT PickFromMenu(HMENU popup, int position, const std::vector<std::wstring>& selection, bool& highlighted) {
  HWND owner = CreateWindowExW(0, L"LISTBOX", L"Reports and more - select, then right-click",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE | LBS_EXTENDEDSEL, 60, 60, 520, 260, nullptr, nullptr, nullptr, nullptr);
  if (!owner) return 0;
  for (const std::wstring& path : selection)
    SendMessageW(owner, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str() + path.find_last_of(L'\\') + 1));
  SendMessageW(owner, LB_SETSEL, TRUE, -1);
  SetForegroundWindow(owner);
  MenuPick pick = {popup, position, false};
  HANDLE picker = CreateThread(nullptr, 0, PickWithKeys, &pick, 0, nullptr);
  UINT command = TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, 160, 110, 0, owner, nullptr);
  WaitForSingleObject(picker, 10000);
  CloseHandle(picker);
  DestroyWindow(owner);
  highlighted = pick.highlighted;
  return command;
}

class ProductLibrary : public ::testing::Test {
 public:
  // The source tree lies in the build tree, where the host's reader finds
  // it as well: two levels of folders, an empty folder, names outside
  // ASCII, files the filters leave out, an empty file, a text of several
  // blocks and one of exactly two, noise of three blocks (stored), a text
  // that turns to noise after its first block, and many small files (the
  // packing puts several in one piece of work).
  static void SetUpTestSuite() {
    checkDir_ = WinePath(LIBRARY_CHECK_DIR);
    DeleteTree(checkDir_);
    CreateDirectoryA(checkDir_.c_str(), nullptr);
    std::wstring source = Wide(checkDir_ + "\\source");
    CreateDirectoryW(source.c_str(), nullptr);
    for (const wchar_t* folder : {L"\\Reports", L"\\Reports\\2026", L"\\Reports\\empty", L"\\Reports\\many"})
      CreateDirectoryW((source + folder).c_str(), nullptr);
    std::string text;
    for (int i = 0; text.size() < 1300000; ++i) text += "Line " + std::to_string(i) + " of the quarterly log.\r\n";
    std::string noise(700000, '\0');
    unsigned seed = 12345;
    for (char& c : noise) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
    for (int i = 0; i < 400; ++i) {
      // Sizes from nothing to a few kilobytes; every fifth one noise.
      std::string small = i % 5 ? text.substr(static_cast<size_t>(i) * 37, static_cast<size_t>(i) * 11)
                                : noise.substr(static_cast<size_t>(i) * 101, static_cast<size_t>(i) * 7);
      ASSERT_TRUE(WriteWide(source + L"\\Reports\\many\\note-" + std::to_wstring(i) + L".txt", small));
    }
    const std::pair<const wchar_t*, std::string> files[] = {
        {L"\\Reports\\summary.txt", "Summary of the year.\r\n"},
        {L"\\Reports\\old.bak", "left out"},
        {L"\\Reports\\~lock.tmp", "left out"},
        {L"\\Reports\\big.log", text},
        {L"\\Reports\\noise.bin", noise},
        {L"\\Reports\\two blocks.log", text.substr(0, 512 * 1024)},
        {L"\\Reports\\turns to noise.bin", text.substr(0, 300000) + noise.substr(0, 400000)},
        {L"\\Reports\\empty.txt", ""},
        {L"\\Reports\\2026\\q1.txt", "First quarter."},
        {L"\\Reports\\2026\\q2.TXT.BAK", "left out"},
        {L"\\\u00dcberblick.txt", "\u00dcberblick in UTF-8 is not the point; the name is."},
        {L"\\\u6771\u4eac.txt", "A name no ANSI code page of the west holds."},
        {L"\\notes.bak", "left out"},
    };
    for (const auto& file : files) ASSERT_TRUE(WriteWide(source + file.first, file.second));
  }

  static void TearDownTestSuite() {
    std::string json = "[\n";
    for (const ArchiveExpectation& e : g_expectations) {
      json += " {\"archive\": " + JsonText(e.copy) + ", \"filters\": " + JsonText(e.filters) + ", \"items\": [";
      for (size_t i = 0; i < e.items.size(); ++i)
        json += std::string(i ? ", " : "") + "[" + JsonText(e.items[i].first) + ", " + JsonText(e.items[i].second) + "]";
      json += "], \"excluded\": [";
      for (size_t i = 0; i < e.excluded.size(); ++i) json += std::string(i ? ", " : "") + JsonText(e.excluded[i]);
      json += "]}" + std::string(&e == &g_expectations.back() ? "" : ",") + "\n";
    }
    json += "]\n";
    WriteFileBytes(checkDir_ + "\\expectations.json", json.data(), json.size());
  }

 protected:
  void SetUp() override {
    // The filters come from the script: the library of either architecture
    // finds what the 32-bit setup stored.
    ASSERT_TRUE(InstallFromScript(kRoot, std::string("TemporaryFolder=") + kArchives + "\r\nFileFilters=" + kFilters +
                                              "\r\n"));
    ASSERT_TRUE(FileExists(SystemDir() + "parvello.dll"));
    ASSERT_TRUE(SetSetting("Mailer", 0));
    ASSERT_TRUE(SetSetting("UserDefinedCmdLine", MailProgramLine()));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  }

  void TearDown() override {
    CoUninitialize();
    DeleteTree(kRoot);
    ResetProductState();
  }

  static std::string MailProgramLine() {
    return "\"" + WinePath(MAIL_RECORDER_EXE) + "\" \"" + kRecord + "\" $NAME $DOSNAME";
  }
  static std::wstring Source(const wchar_t* name) { return Wide(checkDir_ + "\\source\\") + name; }
  static std::string UnixSource(const std::string& name) { return std::string(LIBRARY_CHECK_DIR) + "/source/" + name; }

  // Copies an archive out for the host's reader, with what it must hold.
  void ExpectForReader(const std::string& archive, const std::vector<std::pair<std::string, std::string>>& items,
                       const std::vector<std::string>& excluded = {}) {
    std::string copy = "archive-" + std::to_string(g_expectations.size()) + ".zip";
    ASSERT_TRUE(CopyFileA(archive.c_str(), (checkDir_ + "\\" + copy).c_str(), FALSE)) << archive;
    g_expectations.push_back({std::string(LIBRARY_CHECK_DIR) + "/" + copy, items, kFilters, excluded});
  }

  static std::string checkDir_;
};
std::string ProductLibrary::checkDir_;

TEST_F(ProductLibrary, TheShellsWayFromTheRegistryToTheMailProgram) {
  // Created from the registry: the installed copy, not the build's.
  IShellExtInit* init = nullptr;
  ASSERT_EQ(CoCreateInstance(kParvelloClass, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                             reinterpret_cast<void**>(&init)),
            S_OK);
  HMODULE library = GetModuleHandleA("parvello.dll");
  ASSERT_NE(library, nullptr);
  char loaded[MAX_PATH] = "";
  GetModuleFileNameA(library, loaded, MAX_PATH);
  EXPECT_EQ(lstrcmpiA(loaded, (SystemDir() + "parvello.dll").c_str()), 0) << loaded;
  auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(GetProcAddress(library, "DllCanUnloadNow"));
  auto getClass = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      GetProcAddress(library, "DllGetClassObject"));
  ASSERT_TRUE(canUnload && getClass);
  EXPECT_EQ(canUnload(), S_FALSE) << "an object lives";

  IContextMenu* menu = nullptr;
  ASSERT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
  IUnknown *identity1 = nullptr, *identity2 = nullptr;
  init->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity1));
  menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity2));
  EXPECT_EQ(identity1, identity2) << "one object behind both interfaces";
  identity1->Release();
  identity2->Release();
  void* none = &none;
  EXPECT_EQ(menu->QueryInterface(IID_IDataObject, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  // Nothing usable selected: no command.
  DropData* empty = new DropData({});
  EXPECT_EQ(init->Initialize(nullptr, empty, nullptr), E_INVALIDARG);
  empty->Release();
  HMENU popup = CreatePopupMenu();
  EXPECT_EQ(menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL), S_OK);
  EXPECT_EQ(GetMenuItemCount(popup), 0);
  EXPECT_EQ(InvokeByOffset(menu, 0, true), E_UNEXPECTED);

  // A real selection: one command, where the shell asked for it.
  std::vector<std::wstring> selection = {Source(L"Reports"), Source(L"\u00dcberblick.txt"), Source(L"notes.bak")};
  DropData* data = new DropData(selection);
  ASSERT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
  data->Release();
  AppendMenuA(popup, MF_STRING, 1, "Open");
  AppendMenuA(popup, MF_STRING, 2, "Print");
  HRESULT added = menu->QueryContextMenu(popup, 1, 100, 200, CMF_NORMAL);
  EXPECT_TRUE(SUCCEEDED(added));
  EXPECT_EQ(HRESULT_CODE(added), 1) << "one command id used";
  ASSERT_EQ(GetMenuItemCount(popup), 3);
  EXPECT_EQ(GetMenuItemID(popup, 1), 100u);
  char item[64] = "";
  GetMenuStringA(popup, 1, item, sizeof item, MF_BYPOSITION);
  EXPECT_STREQ(item, "Send with Parvello");
  // ShowIcon (1 as the setup stores it): the product's small icon beside
  // the command, its transparency in the alpha channel, so that a light
  // and a dark menu show it alike; none with ShowIcon 0.
  MENUITEMINFOW picture = {};
  picture.cbSize = sizeof picture;
  picture.fMask = MIIM_BITMAP;
  ASSERT_TRUE(GetMenuItemInfoW(popup, 1, TRUE, &picture));
  ASSERT_NE(picture.hbmpItem, nullptr);
  DIBSECTION dib = {};
  ASSERT_EQ(GetObjectW(picture.hbmpItem, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmWidth, GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
  const DWORD* pixels = static_cast<const DWORD*>(dib.dsBm.bmBits);
  int opaque = 0, clear = 0;
  for (int i = 0; i < dib.dsBm.bmWidth * dib.dsBm.bmHeight; ++i) {
    opaque += (pixels[i] >> 24) == 0xFF;
    clear += pixels[i] == 0;
  }
  EXPECT_GT(opaque, 0);
  EXPECT_GT(clear, 0);
  EXPECT_EQ(opaque + clear, dib.dsBm.bmWidth * dib.dsBm.bmHeight) << "each pixel wholly there or wholly clear";
  ASSERT_TRUE(SetSetting("ShowIcon", 0));
  HMENU plain = CreatePopupMenu();
  ASSERT_TRUE(SUCCEEDED(menu->QueryContextMenu(plain, 0, 100, 200, CMF_NORMAL)));
  ASSERT_TRUE(GetMenuItemInfoW(plain, 0, TRUE, &picture));
  EXPECT_EQ(picture.hbmpItem, nullptr);
  DestroyMenu(plain);
  ASSERT_TRUE(SetSetting("ShowIcon", 1));
  HMENU defaults = CreatePopupMenu();
  EXPECT_EQ(menu->QueryContextMenu(defaults, 0, 100, 200, CMF_DEFAULTONLY), S_OK) << "not the default command";
  EXPECT_EQ(GetMenuItemCount(defaults), 0);
  DestroyMenu(defaults);

  char verb[64] = "";
  wchar_t verbW[64] = L"";
  EXPECT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, verb, sizeof verb), S_OK);
  EXPECT_STREQ(verb, "ParvelloSend");
  EXPECT_EQ(menu->GetCommandString(0, GCS_VERBW, nullptr, reinterpret_cast<char*>(verbW), 64), S_OK);
  EXPECT_STREQ(verbW, L"ParvelloSend");
  char help[256] = "";
  wchar_t helpW[256] = L"";
  EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, help, sizeof help), S_OK);
  EXPECT_EQ(menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(helpW), 256), S_OK);
  EXPECT_NE(strstr(help, "ZIP archive"), nullptr) << help;
  EXPECT_EQ(Utf8(helpW), help);
  char small[5] = "";
  EXPECT_EQ(menu->GetCommandString(0, GCS_VERBA, nullptr, small, sizeof small), S_OK);
  EXPECT_STREQ(small, "Parv") << "cut to the buffer";
  EXPECT_EQ(menu->GetCommandString(0, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(menu->GetCommandString(2, GCS_VERBA, nullptr, verb, sizeof verb), E_INVALIDARG);

  // Picked from the menu, invoked by its offset as the shell does: the
  // archive, named after the clicked item, handed to the mail program
  // with its long and its short path.
  bool highlighted = false;
  UINT picked = PickFromMenu(popup, 1, selection, highlighted);
  DestroyMenu(popup);
  EXPECT_TRUE(highlighted) << "the command was not seen highlighted";
  ASSERT_EQ(picked, 100u);
  ASSERT_EQ(InvokeByOffset(menu, picked - 100), S_OK);
  std::string archive = std::string(kArchives) + "\\Reports.zip";
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); })) << "the mail program did not run";
  std::string shortArchive = ShortPath(archive);
  ASSERT_NE(shortArchive, "");
  EXPECT_NE(shortArchive, archive) << "the folder's long name has a short form";
  EXPECT_EQ(Record(kRecord), "\"" + WinePath(MAIL_RECORDER_EXE) + "\" \"" + kRecord + "\" \"" + archive + "\" \"" +
                                shortArchive + "\"");
  EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{"Reports.zip"});
  ExpectForReader(archive, {{UnixSource("Reports"), "Reports"},
                            {UnixSource("\xc3\x9c" "berblick.txt"), "\xc3\x9c" "berblick.txt"},
                            {UnixSource("notes.bak"), "notes.bak"}});

  // By verb, ANSI and wide: two more archives beside the first.
  EXPECT_EQ(InvokeByVerb(menu, "ParvelloSend"), S_OK);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  EXPECT_NE(Record(kRecord).find(std::string(kArchives) + "\\Reports (2).zip"), std::string::npos);
  // The same selection packs to the same bytes, whatever order the
  // deflating threads finished in.
  std::vector<unsigned char> firstBytes, secondBytes;
  ASSERT_TRUE(ReadFileBytes(archive, firstBytes));
  ASSERT_TRUE(ReadFileBytes(std::string(kArchives) + "\\Reports (2).zip", secondBytes));
  EXPECT_TRUE(firstBytes == secondBytes) << firstBytes.size() << " and " << secondBytes.size() << " bytes";
  CMINVOKECOMMANDINFOEX wide = {};
  wide.cbSize = sizeof wide;
  wide.fMask = CMIC_MASK_UNICODE;
  wide.lpVerb = "ParvelloSend";
  wide.lpVerbW = L"parvellosend";
  wide.nShow = SW_SHOWNORMAL;
  EXPECT_EQ(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&wide)), S_OK);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  Record(kRecord);

  // Anything else (offset 1 is the Options window's) is refused and does
  // nothing.
  EXPECT_EQ(InvokeByOffset(menu, 2), E_INVALIDARG);
  EXPECT_EQ(InvokeByVerb(menu, "open"), E_INVALIDARG);
  wide.lpVerbW = L"open";
  EXPECT_EQ(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&wide)), E_INVALIDARG);
  // A Unicode call for another verb with no ANSI verb at all.
  wide.lpVerb = nullptr;
  wide.lpVerbW = L"delete";
  EXPECT_EQ(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&wide)), E_INVALIDARG);
  CMINVOKECOMMANDINFO truncated = {};
  truncated.cbSize = sizeof truncated - 4;
  EXPECT_EQ(menu->InvokeCommand(&truncated), E_INVALIDARG);
  EXPECT_EQ(FilesIn(kArchives), (std::vector<std::string>{"Reports (2).zip", "Reports (3).zip", "Reports.zip"}));
  EXPECT_FALSE(FileExists(kRecord));

  // The counts behind DllCanUnloadNow: objects and server locks.
  menu->Release();
  EXPECT_EQ(init->Release(), 0u);
  EXPECT_EQ(canUnload(), S_OK);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(kParvelloClass, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(canUnload(), S_FALSE) << "the factory lives";
  IUnknown* outer = factory;
  void* aggregated = &aggregated;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &aggregated), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(aggregated, nullptr);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnload(), S_FALSE) << "the server is locked";
  ASSERT_EQ(getClass(kParvelloClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnload(), S_OK);
  void* stranger = &stranger;
  EXPECT_EQ(getClass(kStranger, IID_IClassFactory, &stranger), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(stranger, nullptr);
}

// Windows 11's first menu: the command as an IExplorerCommand, taken from
// the installed 64-bit library's DllGetClassObject as the package's
// surrogate takes it, asked about files, a folder and items without a
// path, then invoked with real shell items.
TEST_F(ProductLibrary, TheFirstMenusCommandSendsAsTheClassicOneDoes) {
  HMODULE library = LoadLibraryA((SystemDir() + "parvello.dll").c_str());
  ASSERT_NE(library, nullptr);
  auto getClass = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      GetProcAddress(library, "DllGetClassObject"));
  ASSERT_NE(getClass, nullptr);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClass(kExplorerCommandClass, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  IExplorerCommand* command = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IExplorerCommand, reinterpret_cast<void**>(&command)), S_OK);
  factory->Release();
  void* other = &other;
  EXPECT_EQ(command->QueryInterface(IID_IContextMenu, &other), E_NOINTERFACE) << "a class of its own";

  // The texts are the classic menu's.
  IContextMenu* classic = MenuFor({Source(L"Reports")});
  ASSERT_NE(classic, nullptr);
  HMENU popup = CreatePopupMenu();
  ASSERT_TRUE(SUCCEEDED(classic->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL)));
  wchar_t classicTitle[64] = L"", classicHelp[256] = L"";
  GetMenuStringW(popup, 0, classicTitle, 64, MF_BYPOSITION);
  DestroyMenu(popup);
  classic->GetCommandString(0, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(classicHelp), 256);
  classic->Release();
  LPWSTR text = nullptr;
  ASSERT_EQ(command->GetTitle(nullptr, &text), S_OK);
  EXPECT_STREQ(text, L"Send with Parvello");
  EXPECT_STREQ(text, classicTitle);
  CoTaskMemFree(text);
  ASSERT_EQ(command->GetToolTip(nullptr, &text), S_OK);
  EXPECT_STREQ(text, classicHelp);
  CoTaskMemFree(text);
  EXPCMDFLAGS flags = ~0u;
  EXPECT_EQ(command->GetFlags(&flags), S_OK);
  EXPECT_EQ(flags, static_cast<EXPCMDFLAGS>(ECF_DEFAULT));
  IEnumExplorerCommand* children = reinterpret_cast<IEnumExplorerCommand*>(&other);
  EXPECT_TRUE(FAILED(command->EnumSubCommands(&children))) << "no sub-commands";
  EXPECT_EQ(children, nullptr);

  // The icon: the installed library's own, which loads at every size the
  // menu draws at, from the picture the classic menu's is made of.
  ASSERT_EQ(command->GetIcon(nullptr, &text), S_OK);
  std::wstring icon = text;
  CoTaskMemFree(text);
  size_t comma = icon.rfind(L',');
  ASSERT_NE(comma, std::wstring::npos) << Utf8(icon);
  EXPECT_EQ(lstrcmpiW(icon.substr(0, comma).c_str(), Wide(SystemDir() + "parvello.dll").c_str()), 0) << Utf8(icon);
  int id = _wtoi(icon.c_str() + comma + 1);
  ASSERT_LT(id, 0) << "a resource id, not an index";
  for (int size : {16, 20, 24, 32, 48}) {
    HICON loaded = static_cast<HICON>(LoadImageW(library, MAKEINTRESOURCEW(-id), IMAGE_ICON, size, size, 0));
    EXPECT_NE(loaded, nullptr) << size;
    if (loaded) DestroyIcon(loaded);
  }
  ASSERT_TRUE(SetSetting("ShowIcon", 0));
  text = reinterpret_cast<LPWSTR>(&other);
  EXPECT_TRUE(FAILED(command->GetIcon(nullptr, &text))) << "no icon, as in the classic menu";
  EXPECT_EQ(text, nullptr);
  ASSERT_TRUE(SetSetting("ShowIcon", 1));

  // Offered for files and folders with paths; hidden for anything else.
  PIDLIST_ABSOLUTE folder = nullptr, file = nullptr, computer = nullptr, root = nullptr;
  ASSERT_EQ(SHParseDisplayName(Source(L"Reports").c_str(), nullptr, &folder, 0, nullptr), S_OK);
  ASSERT_EQ(SHParseDisplayName(Source(L"\u00dcberblick.txt").c_str(), nullptr, &file, 0, nullptr), S_OK);
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer), S_OK);
  ASSERT_EQ(SHParseDisplayName(L"C:\\", nullptr, &root, 0, nullptr), S_OK);
  auto stateOf = [&](std::vector<PCIDLIST_ABSOLUTE> items) {
    IShellItemArray* array = nullptr;
    EXPECT_EQ(SHCreateShellItemArrayFromIDLists(static_cast<UINT>(items.size()), items.data(), &array), S_OK);
    EXPCMDSTATE state = ECS_DISABLED;
    EXPECT_EQ(command->GetState(array, TRUE, &state), S_OK);
    if (array) array->Release();
    return state;
  };
  EXPECT_EQ(stateOf({folder, file}), ECS_ENABLED);
  EXPECT_EQ(stateOf({file}), ECS_ENABLED);
  EXPECT_EQ(stateOf({computer}), ECS_HIDDEN) << "an item without a path";
  EXPECT_EQ(stateOf({file, computer}), ECS_HIDDEN) << "one item without a path";
  EXPECT_EQ(stateOf({root}), ECS_HIDDEN) << "a drive's root, as in the classic menu";
  EXPCMDSTATE state = ECS_ENABLED;
  EXPECT_EQ(command->GetState(nullptr, FALSE, &state), S_OK);
  EXPECT_EQ(state, ECS_HIDDEN) << "nothing selected";

  // Invoked: it returns at once and the archive of both items, named after
  // the first, reaches the mail program as the classic command's does.
  IShellItemArray* array = nullptr;
  PCIDLIST_ABSOLUTE both[] = {folder, file};
  ASSERT_EQ(SHCreateShellItemArrayFromIDLists(2, both, &array), S_OK);
  EXPECT_EQ(command->Invoke(array, nullptr), S_OK);
  array->Release();
  EXPECT_EQ(command->Release(), 0u);
  std::string archive = std::string(kArchives) + "\\Reports.zip";
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); })) << "the mail program did not run";
  EXPECT_EQ(Record(kRecord), "\"" + WinePath(MAIL_RECORDER_EXE) + "\" \"" + kRecord + "\" \"" + archive + "\" \"" +
                                ShortPath(archive) + "\"");
  ExpectForReader(archive, {{UnixSource("Reports"), "Reports"},
                            {UnixSource("\xc3\x9c" "berblick.txt"), "\xc3\x9c" "berblick.txt"}});
  for (PIDLIST_ABSOLUTE pidl : {folder, file, computer, root}) CoTaskMemFree(pidl);
  // The send held the library while it ran, and lets it go.
  FreeLibrary(library);
  EXPECT_TRUE(WaitUntil([] {
    CoFreeUnusedLibrariesEx(0, 0);
    return GetModuleHandleA("parvello.dll") == nullptr;
  })) << "the library stays loaded after the send";
}

// A caller that lets the command run on (CMIC_MASK_ASYNCOK, as a shell
// window that must not wait does): the call returns at once, the job keeps
// the library loaded after every object is gone and unused libraries are
// unloaded, and lets go of it when it is done.
TEST_F(ProductLibrary, ACommandLetRunOnOutlivesItsObjects) {
  IContextMenu* menu = MenuFor({Source(L"Reports")});
  ASSERT_NE(menu, nullptr);
  CMINVOKECOMMANDINFO invocation = {};
  invocation.cbSize = sizeof invocation;
  invocation.fMask = CMIC_MASK_ASYNCOK;
  invocation.lpVerb = MAKEINTRESOURCEA(0);
  ASSERT_EQ(menu->InvokeCommand(&invocation), S_OK);
  EXPECT_EQ(menu->Release(), 0u);
  CoFreeUnusedLibrariesEx(0, 0);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); })) << "the job did not hand the archive over";
  EXPECT_NE(Record(kRecord).find(std::string(kArchives) + "\\Reports.zip"), std::string::npos);
  EXPECT_TRUE(WaitUntil([] {
    CoFreeUnusedLibrariesEx(0, 0);
    return GetModuleHandleA("parvello.dll") == nullptr;
  })) << "the library stays loaded after the job";
  ExpectForReader(std::string(kArchives) + "\\Reports.zip", {{UnixSource("Reports"), "Reports"}});
}

// Several sends of one folder at the same time, as impatient clicks make
// them: every one gets an archive of its own, none fails on a name the
// other took.
TEST_F(ProductLibrary, SendsAtTheSameTimeEachGetAnArchive) {
  // The mail programs of these sends record elsewhere: one may still write
  // after the test, and the next test's record must be its own.
  const std::string elsewhere = std::string(kRoot) + "\\concurrent-record.txt";
  ASSERT_TRUE(SetSetting("UserDefinedCmdLine", "\"" + WinePath(MAIL_RECORDER_EXE) + "\" \"" + elsewhere + "\" $NAME"));
  IContextMenu* menu = MenuFor({Source(L"Reports\\2026")});
  ASSERT_NE(menu, nullptr);
  CMINVOKECOMMANDINFO invocation = {};
  invocation.cbSize = sizeof invocation;
  invocation.fMask = CMIC_MASK_ASYNCOK | CMIC_MASK_FLAG_NO_UI;
  invocation.lpVerb = MAKEINTRESOURCEA(0);
  constexpr size_t kSends = 6;
  for (size_t i = 0; i < kSends; ++i) ASSERT_EQ(menu->InvokeCommand(&invocation), S_OK);
  menu->Release();
  std::vector<std::string> expected = {"2026.zip"};
  for (size_t n = 2; n <= kSends; ++n) expected.push_back("2026 (" + std::to_string(n) + ").zip");
  std::sort(expected.begin(), expected.end());
  EXPECT_TRUE(WaitUntil([&] { return FilesIn(kArchives) == expected; })) << FilesIn(kArchives).size();
  EXPECT_TRUE(WaitUntil([] {
    CoFreeUnusedLibrariesEx(0, 0);
    return GetModuleHandleA("parvello.dll") == nullptr;
  })) << "a job is still running";
  for (const std::string& name : expected)
    ExpectForReader(std::string(kArchives) + "\\" + name, {{UnixSource("Reports/2026"), "2026"}});
}

TEST_F(ProductLibrary, RetentionDeletesOnlyTheProductsOwnOldArchives) {
  IContextMenu* menu = MenuFor({Source(L"Reports\\2026")});
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(InvokeByOffset(menu, 0), S_OK);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  Record(kRecord);
  std::string made = std::string(kArchives) + "\\2026.zip";
  ASSERT_TRUE(FileExists(made));
  const std::pair<const char*, int> olds[] = {{"product, 8 days.zip", 8}, {"product, 6 days.zip", 6}};
  for (const auto& old : olds) {
    std::string path = std::string(kArchives) + "\\" + old.first;
    ASSERT_TRUE(CopyFileA(made.c_str(), path.c_str(), FALSE));
    ASSERT_TRUE(SetAge(path, old.second));
  }
  // A stranger's archive of the same age, an empty archive without the
  // product's mark, a text file.
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ReadFileBytes(made, bytes));
  bytes.back() ^= 1;  // its comment differs by one letter
  ASSERT_TRUE(WriteFileBytes(std::string(kArchives) + "\\stranger.zip", bytes.data(), bytes.size()));
  ASSERT_TRUE(WriteFileBytes(std::string(kArchives) + "\\empty.zip", "PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22));
  ASSERT_TRUE(WriteFileBytes(std::string(kArchives) + "\\notes.txt", "x", 1));
  // The product's archives the user renamed to keep them: "*.zip" finds
  // them through their short names, yet they are not .zip files.
  for (const char* kept : {"kept.zip_old", "kept.zipx"})
    ASSERT_TRUE(CopyFileA(made.c_str(), (std::string(kArchives) + "\\" + kept).c_str(), FALSE));
  for (const char* name : {"stranger.zip", "empty.zip", "notes.txt", "kept.zip_old", "kept.zipx"})
    ASSERT_TRUE(SetAge(std::string(kArchives) + "\\" + name, 30));
  ASSERT_TRUE(DeleteFileA(made.c_str()));

  ASSERT_TRUE(SetSetting("Retention", 7));
  ASSERT_EQ(InvokeByOffset(menu, 0), S_OK);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  Record(kRecord);
  EXPECT_EQ(FilesIn(kArchives), (std::vector<std::string>{"2026.zip", "empty.zip", "kept.zip_old", "kept.zipx",
                                                          "notes.txt", "product, 6 days.zip", "stranger.zip"}));
  // 0 keeps every archive.
  ASSERT_TRUE(SetAge(std::string(kArchives) + "\\product, 6 days.zip", 400));
  ASSERT_TRUE(SetSetting("Retention", 0));
  ASSERT_EQ(InvokeByOffset(menu, 0), S_OK);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  Record(kRecord);
  EXPECT_TRUE(FileExists(std::string(kArchives) + "\\product, 6 days.zip"));
  EXPECT_TRUE(FileExists(std::string(kArchives) + "\\2026 (2).zip"));
  ExpectForReader(std::string(kArchives) + "\\2026 (2).zip", {{UnixSource("Reports/2026"), "2026"}});
  menu->Release();
}

TEST_F(ProductLibrary, ANameTemplateNamesTheArchive) {
  IContextMenu* menu = MenuFor({Source(L"Reports\\summary.txt"), Source(L"Reports\\2026")});
  ASSERT_NE(menu, nullptr);
  ASSERT_TRUE(SetSetting("UseCustom", 1));
  ASSERT_TRUE(SetSetting("NameTemplate", "%COMPUTERNAME% $FOLDER-$NAME $DATE"));
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  ASSERT_EQ(InvokeByOffset(menu, 0), S_OK);
  GetLocalTime(&after);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  Record(kRecord);
  auto named = [](const SYSTEMTIME& day) {
    char date[16];
    wsprintfA(date, "%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
    return ComputerName() + " Reports-summary " + date + ".zip";
  };
  std::vector<std::string> files = FilesIn(kArchives);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0] == named(before) || files[0] == named(after)) << files[0];
  ExpectForReader(std::string(kArchives) + "\\" + files[0],
                  {{UnixSource("Reports/summary.txt"), "summary.txt"}, {UnixSource("Reports/2026"), "2026"}});

  // Characters no file name holds are replaced; a template that gives
  // nothing falls back to the product's name.
  for (const char* nameTemplate : {"a:b|c", "  ..."}) {
    ASSERT_TRUE(SetSetting("NameTemplate", nameTemplate));
    ASSERT_EQ(InvokeByOffset(menu, 0), S_OK);
    ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
    Record(kRecord);
  }
  files = FilesIn(kArchives);
  EXPECT_EQ(files.size(), 3u);
  EXPECT_NE(std::find(files.begin(), files.end(), "a_b_c.zip"), files.end());
  EXPECT_NE(std::find(files.begin(), files.end(), "Parvello archive.zip"), files.end());
  menu->Release();
}

// The arguments the mail program is started with, as it parses them.
std::vector<std::string> ArgumentsOf(const std::string& line) {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(Wide(line).c_str(), &count);
  std::vector<std::string> out;
  for (int i = 0; arguments && i < count; ++i) out.push_back(Utf8(arguments[i]));
  LocalFree(arguments);
  return out;
}

// The archive reaches the mail program as one argument whatever blanks or
// dashes its path holds: the default folder's name has blanks, and a file
// may be named to look like options. An unquoted program path with a blank
// runs that program, never a shorter one planted at the blank; "$NAME"
// quoted in the template stays one argument; a path that names no program
// is refused in words.
TEST_F(ProductLibrary, TheMailProgramGetsTheArchiveAsOneArgument) {
  const std::string root = kRoot;
  const std::string archives = root + "\\Temporary Archive Files";
  ASSERT_TRUE(SetSetting("TemporaryFolder", archives));
  ASSERT_TRUE(CreateDirectoryA((root + "\\Mail Client").c_str(), nullptr));
  const std::string mailer = root + "\\Mail Client\\mailer.exe";
  ASSERT_TRUE(CopyFileA(WinePath(MAIL_RECORDER_EXE).c_str(), mailer.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(WinePath(MAIL_RECORDER_EXE).c_str(), (root + "\\Mail.exe").c_str(), FALSE));
  const std::wstring tricky = Wide(root + "\\report -silent -to someone@example.com.txt");
  ASSERT_TRUE(WriteWide(tricky, "figures"));
  IContextMenu* menu = MenuFor({tricky});
  ASSERT_NE(menu, nullptr);
  const std::string archive = archives + "\\report -silent -to someone@example.com.zip";

  ASSERT_TRUE(SetSetting("UserDefinedCmdLine", mailer + " \"" + kRecord + "\" /a $NAME"));
  ASSERT_EQ(InvokeByOffset(menu, 0), S_OK);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); })) << "the mailer did not run";
  EXPECT_EQ(ArgumentsOf(Record(kRecord)), (std::vector<std::string>{mailer, kRecord, "/a", archive}));

  ASSERT_TRUE(SetSetting("UserDefinedCmdLine", "\"" + mailer + "\" \"" + kRecord + "\" /a \"$NAME\""));
  ASSERT_EQ(InvokeByOffset(menu, 0), S_OK);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  std::string line = Record(kRecord);
  const std::string second = archives + "\\report -silent -to someone@example.com (2).zip";
  EXPECT_EQ(ArgumentsOf(line), (std::vector<std::string>{mailer, kRecord, "/a", second}));
  EXPECT_EQ(line.find("\"\""), std::string::npos) << line;

  // Variables in the line are the user's; one in an archive's name stays as it is.
  SetEnvironmentVariableA("PARVELLO_MAIL_DIR", (root + "\\Mail Client").c_str());
  const std::wstring variable = Wide(root + "\\%PARVELLO_MAIL_DIR%.txt");
  ASSERT_TRUE(WriteWide(variable, "figures"));
  IContextMenu* named = MenuFor({variable});
  ASSERT_NE(named, nullptr);
  ASSERT_TRUE(SetSetting("UserDefinedCmdLine", "%PARVELLO_MAIL_DIR%\\mailer.exe \"" + std::string(kRecord) + "\" $NAME"));
  ASSERT_EQ(InvokeByOffset(named, 0), S_OK);
  named->Release();
  SetEnvironmentVariableA("PARVELLO_MAIL_DIR", nullptr);
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); })) << "the mailer did not run";
  EXPECT_EQ(ArgumentsOf(Record(kRecord)),
            (std::vector<std::string>{mailer, kRecord, archives + "\\%PARVELLO_MAIL_DIR%.zip"}));

  BoxAnswerer answerer("Parvello");
  ASSERT_TRUE(SetSetting("UserDefinedCmdLine", root + "\\No Such Client\\mailer.exe $NAME"));
  EXPECT_EQ(InvokeByOffset(menu, 0), HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION));
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_NE(answerer.Seen()[0].find("program cannot be found"), std::string::npos) << answerer.Seen()[0];
  menu->Release();
}

// What a send does with the names it meets, as a user would expect:
// two selected files of one name, placeholders inside a file's name, a
// long name cut at an emoji, an archive folder given with a trailing
// backslash or with variables, or one lying inside the selection.
TEST_F(ProductLibrary, NamesAndFoldersComeOutAsAUserExpects) {
  const std::wstring source = Wide(checkDir_ + "\\source");
  CreateDirectoryW((source + L"\\Twins").c_str(), nullptr);
  CreateDirectoryW((source + L"\\Twins\\a").c_str(), nullptr);
  CreateDirectoryW((source + L"\\Twins\\b").c_str(), nullptr);
  ASSERT_TRUE(WriteWide(source + L"\\Twins\\a\\report.txt", "first"));
  ASSERT_TRUE(WriteWide(source + L"\\Twins\\b\\REPORT.txt", "second"));
  const std::string archivesWithSlash = std::string(kArchives) + "\\";
  ASSERT_TRUE(SetSetting("TemporaryFolder", archivesWithSlash));
  auto send = [&](const std::vector<std::wstring>& selection) {
    IContextMenu* menu = MenuFor(selection);
    EXPECT_NE(menu, nullptr);
    HRESULT result = menu ? InvokeByOffset(menu, 0) : E_FAIL;
    if (menu) menu->Release();
    if (result != S_OK) return std::vector<std::string>{};
    EXPECT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
    return ArgumentsOf(Record(kRecord));
  };

  // The second "report.txt" is numbered before its extension; the folder's
  // trailing backslash is not doubled in the path handed over.
  std::vector<std::string> handed = send({source + L"\\Twins\\a\\report.txt", source + L"\\Twins\\b\\REPORT.txt"});
  ASSERT_EQ(handed.size(), 4u);
  EXPECT_EQ(handed[2], std::string(kArchives) + "\\report.zip");
  ExpectForReader(handed[2], {{UnixSource("Twins/a/report.txt"), "report.txt"},
                              {UnixSource("Twins/b/REPORT.txt"), "REPORT (2).txt"}});

  // A placeholder inside the clicked item's name stays as it is.
  ASSERT_TRUE(WriteWide(source + L"\\$DATE-plan.txt", "plan"));
  ASSERT_TRUE(SetSetting("UseCustom", 1));
  ASSERT_TRUE(SetSetting("NameTemplate", "$NAME"));
  handed = send({source + L"\\$DATE-plan.txt"});
  ASSERT_EQ(handed.size(), 4u);
  EXPECT_EQ(handed[2], std::string(kArchives) + "\\$DATE-plan.zip");

  // A name cut at 120 characters where an emoji's two halves stand at 120
  // and 121: the cut falls before the emoji.
  std::wstring longName = std::wstring(119, L'a') + L"\U0001F600" + L"b.txt";
  ASSERT_TRUE(WriteWide(source + L"\\" + longName, "long"));
  handed = send({source + L"\\" + longName});
  ASSERT_EQ(handed.size(), 4u);
  EXPECT_EQ(handed[2], std::string(kArchives) + "\\" + std::string(119, 'a') + ".zip");
  ASSERT_TRUE(SetSetting("UseCustom", 0));

  // A deep archive folder: the name is cut to keep the path within
  // MAX_PATH, never refused with a reason that is not so.
  const std::string deep = std::string(kRoot) + "\\" + std::string(235 - strlen(kRoot) - 1, 'd');
  ASSERT_TRUE(SetSetting("TemporaryFolder", deep));
  const std::wstring wordy = source + L"\\" + std::wstring(60, L'w') + L".txt";
  ASSERT_TRUE(WriteWide(wordy, "wordy"));
  handed = send({wordy});
  ASSERT_EQ(handed.size(), 4u);
  EXPECT_EQ(handed[2], deep + "\\" + std::string(MAX_PATH - 1 - deep.size() - 5, 'w') + ".zip");
  handed = send({wordy});
  ASSERT_EQ(handed.size(), 4u);
  EXPECT_EQ(handed[2], deep + "\\" + std::string(MAX_PATH - 1 - deep.size() - 9, 'w') + " (2).zip");
  DeleteTree(deep);
  ASSERT_TRUE(SetSetting("TemporaryFolder", archivesWithSlash));

  // Variables in the folder, as REG_SZ and as REG_EXPAND_SZ.
  char temp[MAX_PATH];
  GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
  const std::string expandedFolder = std::string(temp) + "\\parvello-expanded";
  for (DWORD type : {static_cast<DWORD>(REG_SZ), static_cast<DWORD>(REG_EXPAND_SZ)}) {
    const char folder[] = "%TEMP%\\parvello-expanded";
    ASSERT_TRUE(WriteSettingsValue("TemporaryFolder", type, folder, sizeof folder));
    handed = send({source + L"\\Twins\\a\\report.txt"});
    ASSERT_EQ(handed.size(), 4u) << type;
    EXPECT_EQ(handed[2].rfind(expandedFolder + "\\report", 0), 0u) << handed[2];
  }
  DeleteTree(expandedFolder);

  // A folder that is no full path is named in the message.
  BoxAnswerer answerer("Parvello");
  ASSERT_TRUE(SetSetting("TemporaryFolder", "archives"));
  EXPECT_EQ(send({source + L"\\Twins\\a\\report.txt"}), std::vector<std::string>{});
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_NE(answerer.Seen()[0].find("archives, is not a full path"), std::string::npos) << answerer.Seen()[0];

  // The archive folder inside the selection is left out of the archive.
  const std::wstring inside = source + L"\\Twins\\archives here";
  ASSERT_TRUE(SetSetting("TemporaryFolder", Utf8(inside)));
  handed = send({source + L"\\Twins"});
  ASSERT_EQ(handed.size(), 4u);
  EXPECT_EQ(handed[2], Utf8(inside) + "\\Twins.zip");
  ExpectForReader(handed[2], {{UnixSource("Twins"), "Twins"}}, {UnixSource("Twins/archives here")});
  // Also when the setting spells it otherwise: short names, other case, a
  // trailing separator, "\\?\".
  wchar_t shortInside[MAX_PATH] = L"";
  ASSERT_NE(GetShortPathNameW(inside.c_str(), shortInside, MAX_PATH), 0u);
  ASSERT_NE(Utf8(shortInside), Utf8(inside));
  std::wstring respelled = shortInside;
  CharUpperBuffW(&respelled[0], static_cast<DWORD>(respelled.size()));
  for (const std::wstring& spelling : {respelled + L"\\", L"\\\\?\\" + inside}) {
    SCOPED_TRACE(Utf8(spelling));
    ASSERT_TRUE(SetSetting("TemporaryFolder", Utf8(spelling)));
    handed = send({source + L"\\Twins"});
    ASSERT_EQ(handed.size(), 4u);
    ExpectForReader(handed[2], {{UnixSource("Twins"), "Twins"}}, {UnixSource("Twins/archives here")});
  }
  ASSERT_TRUE(SetSetting("TemporaryFolder", kArchives));
}

// The archive folder the settings name may be one this user cannot write
// in (the unattended setup records the installing administrator's own
// temporary folder): the send goes on in the user's own default folder.
TEST_F(ProductLibrary, AFolderTheUserCannotWriteInGivesWayToTheUsersOwn) {
  const std::string locked = WinePath(LOCKED_FOLDER);
  HANDLE probe = CreateFileA((locked + "\\probe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    DeleteFileA((locked + "\\probe").c_str());
    GTEST_SKIP() << "the host could not lock " << LOCKED_FOLDER;
  }
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(SetSetting("TemporaryFolder", locked));
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string own = std::string(temp) + "Temporary Archive Files";
  DeleteTree(own);
  IContextMenu* menu = MenuFor({Source(L"Reports\\summary.txt")});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(InvokeByOffset(menu, 0, true), S_OK);
  menu->Release();
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  EXPECT_EQ(ArgumentsOf(Record(kRecord)).at(2), own + "\\summary.zip");
  DeleteTree(own);
}

// The progress window of this process's sends: a dialog captioned
// "Parvello" that holds a progress bar; null when none shows.
HWND ProgressWindow() {
  for (HWND dialog : DialogsOf(GetCurrentProcessId(), "Parvello"))
    if (FindWindowExA(dialog, nullptr, "msctls_progress32", nullptr)) return dialog;
  return nullptr;
}

// The question a Cancel asks, when it asks: a "Parvello" dialog without a
// progress bar.
HWND CancelQuestion() {
  for (HWND dialog : DialogsOf(GetCurrentProcessId(), "Parvello"))
    if (!FindWindowExA(dialog, nullptr, "msctls_progress32", nullptr)) return dialog;
  return nullptr;
}

// Bytes that do not compress, the same for one seed: a send of them takes a while.
// Letters in no order: they deflate to about half, slowly, so that every
// block of a large file keeps a deflater busy.
std::string Noise(size_t bytes, unsigned seed) {
  std::string noise(bytes, '\0');
  for (char& c : noise) {
    seed = seed * 1103515245 + 12345;
    c = static_cast<char>('A' + ((seed >> 16) & 0x0F));
  }
  return noise;
}

// The send command, let run on as Explorer lets it (CMIC_MASK_ASYNCOK).
HRESULT InvokeLetRunOn(IContextMenu* menu) {
  CMINVOKECOMMANDINFO invocation = {};
  invocation.cbSize = sizeof invocation;
  invocation.fMask = CMIC_MASK_ASYNCOK;
  invocation.lpVerb = MAKEINTRESOURCEA(0);
  return menu->InvokeCommand(&invocation);
}

// The threads of this process that run below normal priority.
int ThreadsBelowNormal() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != GetCurrentProcessId()) continue;
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (thread && GetThreadPriority(thread) == THREAD_PRIORITY_BELOW_NORMAL) ++count;
    if (thread) CloseHandle(thread);
  }
  CloseHandle(snapshot);
  return count;
}

// A send that takes a while shows its progress: the file being packed and
// how far the selection is. Cancel stops it at once, in the middle of a
// large file (asked first when AskConfirmationOnCancel is set; No goes
// on): no archive stays, no mail program starts. With LowPriority every
// packing thread runs below normal: the one that reads and one that
// deflates per logical processor.
TEST_F(ProductLibrary, ALongSendShowsItsProgressAndCancelStopsIt) {
  const std::wstring large = Wide(checkDir_) + L"\\source\\Large";
  CreateDirectoryW(large.c_str(), nullptr);
  std::string noise = Noise(32 * 1024 * 1024, 7);
  for (int i = 0; i < 6; ++i) ASSERT_TRUE(WriteWide(large + L"\\part" + std::to_wstring(i) + L".bin", noise));
  noise.clear();
  IContextMenu* menu = MenuFor({large});
  ASSERT_NE(menu, nullptr);
  for (DWORD ask : {0u, 1u}) {
    SCOPED_TRACE(ask);
    ASSERT_TRUE(SetSetting("AskConfirmationOnCancel", ask));
    const DWORD lowPriority = ask ? 0 : 1;
    ASSERT_TRUE(SetSetting("LowPriority", lowPriority));
    ASSERT_EQ(InvokeLetRunOn(menu), S_OK);
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = ProgressWindow()) != nullptr; })) << "no progress window";
    EXPECT_TRUE(WaitUntil([&] { return StaticTexts(window).find("part") != std::string::npos; }))
        << "the file being packed: " << StaticTexts(window);
    // The bar counts the bytes packed.
    HWND bar = FindWindowExA(window, nullptr, "msctls_progress32", nullptr);
    ASSERT_NE(bar, nullptr);
    const LRESULT most = SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(bar, PBM_GETPOS, 0, 0) > 0; }));
    EXPECT_LT(SendMessageA(bar, PBM_GETPOS, 0, 0), most) << "the bar is full while packing";
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const int packingThreads = 1 + static_cast<int>(std::min<DWORD>(system.dwNumberOfProcessors, 8));
    if (lowPriority)
      EXPECT_GE(ThreadsBelowNormal(), packingThreads) << system.dwNumberOfProcessors << " processors";
    else
      EXPECT_EQ(ThreadsBelowNormal(), 0);
    if (ask) SaveScreenshot("library-progress");
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    if (ask) {
      HWND question = nullptr;
      ASSERT_TRUE(WaitUntil([&] { return (question = CancelQuestion()) != nullptr; }));
      EXPECT_NE(StaticTexts(question).find("Stop packing?"), std::string::npos) << StaticTexts(question);
      SaveScreenshot("library-cancel-question");
      // No: the packing goes on, in a window of its own again (the
      // cancelled one closes).
      PostMessageA(question, WM_COMMAND, IDNO, 0);
      const HWND cancelled = window;
      ASSERT_TRUE(WaitUntil([&] {
        return !IsWindow(question) && !IsWindow(cancelled) && (window = ProgressWindow()) != nullptr;
      }));
      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
      ASSERT_TRUE(WaitUntil([&] { return (question = CancelQuestion()) != nullptr; }));
      PostMessageA(question, WM_COMMAND, IDYES, 0);
    }
    menu->Release();
    EXPECT_TRUE(WaitUntil([] {
      CoFreeUnusedLibrariesEx(0, 0);
      return GetModuleHandleA("parvello.dll") == nullptr;
    })) << "the send did not end";
    EXPECT_EQ(ProgressWindow(), nullptr);
    EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{}) << "a cancelled send leaves no archive";
    EXPECT_FALSE(FileExists(kRecord)) << "nor starts the mail program";
    // The library went with the send: the next one starts it afresh.
    menu = MenuFor({large});
    ASSERT_NE(menu, nullptr);
  }
  menu->Release();
  DeleteTree(Utf8(large));
}

// Cancel pressed and asked about: when the packing ends before the answer,
// the hand-over waits for it. No sends the whole archive; Yes removes it
// and sends nothing.
TEST_F(ProductLibrary, ACancelStillBeingAskedHoldsTheHandOver) {
  const std::wstring large = Wide(checkDir_) + L"\\source\\Held";
  CreateDirectoryW(large.c_str(), nullptr);
  ASSERT_TRUE(WriteWide(large + L"\\part.bin", Noise(48 * 1024 * 1024, 11)));
  ASSERT_TRUE(SetSetting("AskConfirmationOnCancel", 1));
  ASSERT_TRUE(SetSetting("MaxArchiveKilobytes", 0));  // one message, however large
  for (int answer : {IDNO, IDYES}) {
    SCOPED_TRACE(answer == IDNO ? "No" : "Yes");
    IContextMenu* menu = MenuFor({large});
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(InvokeLetRunOn(menu), S_OK);
    menu->Release();
    HWND window = nullptr, question = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = ProgressWindow()) != nullptr; })) << "no progress window";
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return (question = CancelQuestion()) != nullptr; }));
    // The packing goes on under the question and ends.
    ASSERT_TRUE(WaitUntil([&] { return FilesIn(kArchives) == std::vector<std::string>{"Held.zip"}; }, 60000));
    EXPECT_FALSE(WaitUntil([] { return FileExists(kRecord); }, 1500)) << "handed over before the answer";
    PostMessageA(question, WM_COMMAND, answer, 0);
    EXPECT_TRUE(WaitUntil([] {
      CoFreeUnusedLibrariesEx(0, 0);
      return GetModuleHandleA("parvello.dll") == nullptr;
    })) << "the send did not end";
    if (answer == IDNO) {
      ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); })) << "No sends";
      std::string line = Record(kRecord);
      EXPECT_NE(line.find(std::string(kArchives) + "\\Held.zip"), std::string::npos) << line;
      ASSERT_TRUE(DeleteFileA((std::string(kArchives) + "\\Held.zip").c_str()));
    } else {
      EXPECT_FALSE(FileExists(kRecord)) << "Yes sends nothing";
      EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{}) << "and keeps no archive";
    }
  }
  DeleteTree(Utf8(large));
}

// Bytes that do not deflate at all: each member is stored, its size known.
std::string Random(size_t bytes, unsigned seed) {
  std::string random(bytes, '\0');
  for (char& c : random) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
  return random;
}

// A "Parvello" question of this process's send whose text holds `words`.
HWND QuestionWith(const char* words) {
  for (HWND dialog : DialogsOf(GetCurrentProcessId(), "Parvello"))
    if (StaticTexts(dialog).find(words) != std::string::npos) return dialog;
  return nullptr;
}

// A selection too large for one message, with a program and a script in
// a folder: both named in one question and left out, then the archive in
// parts that each open alone, the folder's members together, the file
// larger than the budget alone and named; the mail program runs once per
// part, and the whole archive does not stay.
TEST_F(ProductLibrary, AnArchiveTooLargeForOneMessageGoesInPartsWithoutTheTypesServicesReject) {
  const std::wstring large = Source(L"Large");
  for (const wchar_t* folder : {L"", L"\\album", L"\\tools"}) CreateDirectoryW((large + folder).c_str(), nullptr);
  const std::pair<const wchar_t*, std::string> files[] = {
      {L"\\album\\a.bin", Random(1500000, 1)},  {L"\\album\\b.bin", Random(1500000, 2)},
      {L"\\huge.bin", Random(5000000, 3)},      {L"\\small1.bin", Random(1000000, 4)},
      {L"\\small2.bin", Random(1000000, 5)},    {L"\\tools\\setup.exe", Random(20000, 6)},
      {L"\\tools\\run.js", "WScript.Echo(1);"}, {L"\\tools\\readme.txt", "Run setup.exe."}};
  for (const auto& file : files) ASSERT_TRUE(WriteWide(large + file.first, file.second));
  ASSERT_TRUE(SetSetting("MaxArchiveKilobytes", 4000));
  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD_EACH", "1");

  IContextMenu* menu = MenuFor({large + L"\\album", large + L"\\huge.bin", large + L"\\small1.bin",
                                large + L"\\small2.bin", large + L"\\tools"});
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(InvokeLetRunOn(menu), S_OK);
  menu->Release();
  HWND question = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (question = QuestionWith("reject")) != nullptr; }));
  std::string text = StaticTexts(question);
  EXPECT_NE(text.find("tools/setup.exe"), std::string::npos) << text;
  EXPECT_NE(text.find("tools/run.js"), std::string::npos) << text;
  EXPECT_EQ(text.find("readme"), std::string::npos) << text;
  PostMessageA(question, WM_COMMAND, IDYES, 0);  // leave them out
  ASSERT_TRUE(WaitUntil([&] { return (question = QuestionWith("messages")) != nullptr; }));
  text = StaticTexts(question);
  EXPECT_NE(text.find("send it in 3 messages"), std::string::npos) << text;
  EXPECT_NE(text.find("huge.bin"), std::string::npos) << "the file larger than the budget, by name: " << text;
  // The picture once the whole box is on the screen, its last button drawn.
  EXPECT_TRUE(WaitUntil([&] {
    RECT cancel;
    GetWindowRect(GetDlgItem(question, IDCANCEL), &cancel);
    return ShareOfColour(cancel, GetSysColor(COLOR_BTNTEXT)) > 0.02;
  }));
  SaveScreenshot("library-split-question");
  PostMessageA(question, WM_COMMAND, IDYES, 0);

  // Named after the clicked item, as a whole archive would be.
  const std::vector<std::string> parts = {"album (part 1 of 3).zip", "album (part 2 of 3).zip",
                                          "album (part 3 of 3).zip"};
  std::vector<std::string> records;
  ASSERT_TRUE(WaitUntil([&] {
    records.clear();
    for (const std::string& name : FilesIn(kRoot))
      if (name.rfind("mail-record.txt.", 0) == 0 && name.find(".part") == std::string::npos) records.push_back(name);
    return records.size() == 3;
  })) << "the mail program runs once per part";
  // The send's thread lets go of the library as it ends: the next test
  // installs a fresh one.
  EXPECT_TRUE(WaitUntil([] {
    CoFreeUnusedLibrariesEx(0, 0);
    return GetModuleHandleA("parvello.dll") == nullptr;
  })) << "the send did not end";
  std::string handed;
  for (const std::string& name : records) handed += Record((std::string(kRoot) + "\\" + name).c_str());
  for (const std::string& part : parts)
    EXPECT_NE(handed.find(std::string(kArchives) + "\\" + part), std::string::npos) << part << " in " << handed;
  EXPECT_EQ(FilesIn(kArchives), parts) << "the whole archive gives way to its parts";
  for (size_t i = 0; i < parts.size(); ++i) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((std::string(kArchives) + "\\" + parts[i]).c_str(), GetFileExInfoStandard, &data));
    if (i != 1) EXPECT_LE(data.nFileSizeLow, 4000u * 1024) << parts[i] << " within the budget";
  }
  ExpectForReader(std::string(kArchives) + "\\" + parts[0], {{UnixSource("Large/album"), "album"}});
  ExpectForReader(std::string(kArchives) + "\\" + parts[1], {{UnixSource("Large/huge.bin"), "huge.bin"}});
  ExpectForReader(std::string(kArchives) + "\\" + parts[2],
                  {{UnixSource("Large/small1.bin"), "small1.bin"},
                   {UnixSource("Large/small2.bin"), "small2.bin"},
                   {UnixSource("Large/tools"), "tools"}},
                  {UnixSource("Large/tools/setup.exe"), UnixSource("Large/tools/run.js")});
  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD_EACH", nullptr);  // the host's reader reads the sources later
}

// Names Windows' own path rules would bend are packed as they are: a
// device name with an extension, names ending in a dot or a blank; a
// drive's root is no item the command is offered for.
TEST_F(ProductLibrary, EveryNameTheFileSystemHoldsIsPacked) {
  const std::wstring odd = L"\\\\?\\" + Wide(checkDir_) + L"\\source\\Odd names";
  CreateDirectoryW(odd.c_str(), nullptr);
  for (const wchar_t* name : {L"CON.txt", L"nul.txt", L"ends in a dot.", L"ends in a blank "})
    ASSERT_TRUE(WriteWide(odd + L"\\" + name, "odd")) << Utf8(name);
  IContextMenu* menu = MenuFor({Source(L"Odd names")});
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(InvokeByOffset(menu, 0, true), S_OK);
  menu->Release();
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  Record(kRecord);
  ExpectForReader(std::string(kArchives) + "\\Odd names.zip", {{UnixSource("Odd names"), "Odd names"}});

  IShellExtInit* init = nullptr;
  ASSERT_EQ(CoCreateInstance(kParvelloClass, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                             reinterpret_cast<void**>(&init)),
            S_OK);
  DropData* root = new DropData({L"C:\\", Source(L"Reports")});
  EXPECT_EQ(init->Initialize(nullptr, root, nullptr), E_INVALIDARG) << "no command for a drive's root";
  root->Release();
  init->Release();
}

// The example script as an administrator would use it, its per-computer
// section renamed after this computer: the mail program it names gets the
// archive as one argument.
TEST_F(ProductLibrary, TheExampleScriptSetsUpAMailProgramThatGetsTheArchive) {
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ReadFileBytes(WinePath(EXAMPLE_SCRIPT), bytes));
  std::string text(bytes.begin(), bytes.end());
  size_t section = text.find("[MAILROOM-01]");
  ASSERT_NE(section, std::string::npos);
  text.replace(section, 13, "[" + ComputerName() + "]");
  const std::string script = std::string(kRoot) + "\\example.ini";
  ASSERT_TRUE(WriteFileBytes(script, text.data(), text.size()));
  const std::string folder = "C:\\Program Files\\Mailer", archives = "C:\\Parvello Archives";
  CreateDirectoryA(folder.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(WinePath(MAIL_RECORDER_EXE).c_str(), (folder + "\\mailer.exe").c_str(), FALSE));
  ASSERT_EQ(RunProgram(DeliverablePath(), script), 0u);
  ASSERT_FALSE(FileExists(kErrorLog));
  std::string stored;
  ASSERT_TRUE(ReadStringValue(HKEY_LOCAL_MACHINE, kSettingsKey, "UserDefinedCmdLine", stored, nullptr, kSettingsView));
  EXPECT_EQ(stored, "\"C:\\Program Files\\Mailer\\mailer.exe\" /attach $NAME");

  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD", kRecord);
  IContextMenu* menu = MenuFor({Source(L"Reports\\summary.txt")});
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(InvokeByOffset(menu, 0), S_OK);
  menu->Release();
  EXPECT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD", nullptr);
  EXPECT_EQ(ArgumentsOf(Record(kRecord)), (std::vector<std::string>{folder + "\\mailer.exe", "/attach",
                                                                      archives + "\\summary.zip"}));
  DeleteTree(archives);
  DeleteTree(folder);
}

TEST_F(ProductLibrary, AFailureIsShownOnceAndLeavesNoPartialArchive) {
  IContextMenu* menu = MenuFor({Source(L"Reports")});
  ASSERT_NE(menu, nullptr);

  // A file another program holds open without sharing, deep in the
  // selection, is never left out silently: told to be quiet, the send
  // fails and names it; asked, No sends nothing and Yes sends the archive
  // without it.
  const std::wstring q1 = Source(L"Reports\\2026\\q1.txt");
  {
    OwnedHandle held(CreateFileW(q1.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    EXPECT_EQ(InvokeByOffset(menu, 0, true), E_FAIL);
    EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{}) << "no partial archive";
    {
      BoxAnswerer no("Parvello", IDNO);
      EXPECT_EQ(InvokeByOffset(menu, 0), HRESULT_FROM_WIN32(ERROR_CANCELLED));
      ASSERT_EQ(no.Seen().size(), 1u);
      EXPECT_NE(no.Seen()[0].find(Utf8(q1)), std::string::npos) << no.Seen()[0];
      EXPECT_NE(no.Seen()[0].find("Send the archive without them?"), std::string::npos) << no.Seen()[0];
    }
    EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{});
    EXPECT_FALSE(FileExists(kRecord)) << "nothing handed over";
    BoxAnswerer yes("Parvello", IDYES);
    EXPECT_EQ(InvokeByOffset(menu, 0), S_OK);
    EXPECT_EQ(yes.Seen().size(), 1u);
  }
  ASSERT_TRUE(WaitUntil([] { return FileExists(kRecord); }));
  Record(kRecord);
  const std::string withoutQ1 = std::string(kArchives) + "\\Reports.zip";
  ExpectForReader(withoutQ1, {{UnixSource("Reports"), "Reports"}}, {UnixSource("Reports/2026/q1.txt")});
  ASSERT_TRUE(DeleteFileA(withoutQ1.c_str()));

  // A file of 4 GiB (sparse: nothing is read) is more than a member holds.
  const std::wstring huge = Wide(kRoot) + L"\\Films";
  ASSERT_TRUE(CreateDirectoryW(huge.c_str(), nullptr));
  {
    OwnedHandle film(CreateFileW((huge + L"\\holiday.mkv").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    ASSERT_TRUE(film.IsValid());
    LARGE_INTEGER size;
    size.QuadPart = 0x100000000LL;
    ASSERT_TRUE(SetFilePointerEx(film.Get(), size, nullptr, FILE_BEGIN) && SetEndOfFile(film.Get()));
  }
  IContextMenu* films = MenuFor({huge});
  ASSERT_NE(films, nullptr);
  {
    BoxAnswerer tooLarge("Parvello");
    EXPECT_EQ(InvokeByOffset(films, 0), E_FAIL);
    ASSERT_EQ(tooLarge.Seen().size(), 1u);
    EXPECT_NE(tooLarge.Seen()[0].find("a file of 4 GB or more"), std::string::npos) << tooLarge.Seen()[0];
  }
  films->Release();
  EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{}) << "no partial archive";

  BoxAnswerer answerer("Parvello");

  // An archive folder that is a file.
  std::string notAFolder = std::string(kRoot) + "\\a file";
  ASSERT_TRUE(WriteFileBytes(notAFolder, "x", 1));
  ASSERT_TRUE(SetSetting("TemporaryFolder", notAFolder));
  EXPECT_EQ(InvokeByOffset(menu, 0), E_FAIL);
  ASSERT_EQ(answerer.Seen().size(), 1u);
  EXPECT_NE(answerer.Seen()[0].find("Parvello cannot write an archive in " + notAFolder), std::string::npos)
      << answerer.Seen()[0];
  // One whose parent is missing.
  std::string unreachable = std::string(kRoot) + "\\missing\\archives";
  ASSERT_TRUE(SetSetting("TemporaryFolder", unreachable));
  EXPECT_EQ(InvokeByOffset(menu, 0), E_FAIL);
  ASSERT_EQ(answerer.Seen().size(), 2u);
  EXPECT_NE(answerer.Seen()[1].find("Parvello cannot make its archive folder " + unreachable), std::string::npos)
      << answerer.Seen()[1];
  // Told to be quiet (CMIC_MASK_FLAG_NO_UI): the same failure, no box.
  EXPECT_EQ(InvokeByOffset(menu, 0, true), E_FAIL);
  EXPECT_EQ(answerer.Seen().size(), 2u);
  ASSERT_TRUE(SetSetting("TemporaryFolder", kArchives));

  // Nothing the filters let through.
  IContextMenu* filtered = MenuFor({Source(L"notes.bak"), Source(L"Reports\\old.bak")});
  ASSERT_NE(filtered, nullptr);
  EXPECT_EQ(InvokeByOffset(filtered, 0), E_FAIL);
  filtered->Release();
  ASSERT_EQ(answerer.Seen().size(), 3u);
  EXPECT_NE(answerer.Seen()[2].find("There is nothing to pack"), std::string::npos) << answerer.Seen()[2];
  EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{});

  // A mail program that cannot be started: the archive is whole and the
  // box says where it is.
  ASSERT_TRUE(SetSetting("UserDefinedCmdLine", "\"" + std::string(kRoot) + "\\no such mailer.exe\" $NAME"));
  EXPECT_EQ(InvokeByOffset(menu, 0), HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION));
  ASSERT_EQ(answerer.Seen().size(), 4u);
  std::string archive = std::string(kArchives) + "\\Reports.zip";
  EXPECT_NE(answerer.Seen()[3].find("The mail client cannot be started"), std::string::npos) << answerer.Seen()[3];
  EXPECT_NE(answerer.Seen()[3].find("The archive is " + archive), std::string::npos) << answerer.Seen()[3];
  EXPECT_EQ(FilesIn(kArchives), std::vector<std::string>{"Reports.zip"});
  ExpectForReader(archive, {{UnixSource("Reports"), "Reports"}});
  menu->Release();
}

}  // namespace
