// The uninstall entry's command, run as Add/Remove Programs runs it
// ("Rundll32.exe parvello.dll,Uninstall", by the Rundll32 of this suite's
// architecture) after a real installation by the 32-bit VOZAZIZA.EXE, which
// on 64-bit Windows installs both libraries: the machine compared before
// the installation and after the uninstall in both views and both system
// directories, a registry fault, the confirmation, running it twice.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "common/owned.h"
#include "harness/harness.h"
#include "harness/machine_snapshot.h"
#include "harness/product_state.h"
#include "harness/registry_faults.h"
#include "product/shell_host.h"

namespace {

const char kVendorKey[] = "SOFTWARE\\Quorvanta";
const char kOtherProductKey[] = "SOFTWARE\\Quorvanta\\Vorlandt";
const char kOtherExtension[] = "{0a1b2c3d-4e5f-4061-8273-94a5b6c7d8e9}";
const char kSessionManagerKey[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPendingRenames[] = "PendingFileRenameOperations";
const char kCaption[] = "Parvello 1.1";

std::string ArchiveFolder() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "Temporary Archive Files";
}

// What the installation and the uninstall may touch, and far around it.
// The 64-bit view of SOFTWARE holds the 32-bit one (Wow6432Node) as well.
std::string MachineState() {
  std::string windows = WindowsDir(), system = SystemDir(), other = OtherSystemDir(), help = HelpDir();
  std::string temp = ArchiveFolder();
  temp.resize(temp.find_last_of('\\'));
  return RegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE", kView64) + FolderTree(windows.substr(0, windows.size() - 1), 1) +
         FolderTree(system.substr(0, system.size() - 1), 1) + FolderTree(other.substr(0, other.size() - 1), 1) +
         FolderTree(help.substr(0, help.size() - 1), 1) + FolderTree(temp, 3);
}

// The lines only one of the two states has, marked "-" and "+".
std::string Difference(const std::string& before, const std::string& after) {
  std::map<std::string, int> count;  // how many more times before has it than after
  auto tally = [&](const std::string& text, int step) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) count[line] += step;
  };
  tally(before, 1);
  tally(after, -1);
  std::string out;
  for (const auto& line : count)
    if (line.second) out += (line.second > 0 ? "-" : "+") + line.first + "\n";
  return out;
}

// The library in use, moved aside to "~parvello-*.del" in its folder,
// stays until the restart: the state without its line.
std::string WithoutLibrary(std::string state) {
  const std::string aside = SystemDir() + "~parvello-";
  for (size_t at; (at = state.find(aside)) != std::string::npos;) state.erase(at, state.find('\n', at) - at + 1);
  return state;
}

// The library moved aside in the system folder, by its name there; empty when none.
std::string LibraryAside() {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((SystemDir() + "~parvello-*.del").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  FindClose(search);
  return found.cFileName;
}

class UninstallEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    // When earlier tests left it empty.
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, kSettingsView, 0);
    // Every Windows has the handler lists the extension joins (a fresh Wine
    // prefix lacks the one for folders); the uninstall leaves them.
    for (const char* list : {"*\\shellex\\ContextMenuHandlers", "Directory\\shellex\\ContextMenuHandlers"}) {
      HKEY key;
      ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, list, 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr), ERROR_SUCCESS);
      RegCloseKey(key);
    }
    DeleteTree(ArchiveFolder());
    // Libraries earlier uninstalls moved aside, which only a restart takes.
    for (const std::string& folder : {SystemDir(), OtherSystemDir()}) {
      WIN32_FIND_DATAA found;
      HANDLE search = FindFirstFileA((folder + "~parvello-*.del").c_str(), &found);
      if (search == INVALID_HANDLE_VALUE) continue;
      do DeleteFileA((folder + found.cFileName).c_str());
      while (FindNextFileA(search, &found));
      FindClose(search);
    }
    dir_ = "C:\\parvello-uninstall-test";
    DeleteTree(dir_);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
  }
  void TearDown() override {
    ResetProductState();
    DeleteTree(ArchiveFolder());
    DeleteTree(dir_);
  }

  void Install(const std::string& scriptText = "") {
    std::string script = dir_ + "\\setup" + std::to_string(installs_++) + ".ini";
    ASSERT_TRUE(WriteFileBytes(script, scriptText.data(), scriptText.size()));
    ASSERT_EQ(RunProgram(DeliverablePath(), script), 0u) << "the deliverable's unattended installation";
  }

  // The product used once, so that its archive folder holds an archive.
  void SendOneArchive(const std::string& archives = ArchiveFolder()) {
    std::string file = dir_ + "\\letter.txt";
    ASSERT_TRUE(WriteFileBytes(file, "Dear reader", 11));
    ASSERT_TRUE(SetSetting("Mailer", 0));
    ASSERT_TRUE(SetSetting("UserDefinedCmdLine", "\"" + WinePath(MAIL_RECORDER_EXE) + "\" \"" + dir_ + "\\record.txt\" $NAME"));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    IContextMenu* menu = MenuFor({Wide(file)});
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(InvokeByOffset(menu, 0, true), S_OK);
    menu->Release();
    CoUninitialize();
    ASSERT_TRUE(WaitUntil([&] { return FileExists(dir_ + "\\record.txt"); }));
    ASSERT_EQ(FilesIn(archives), std::vector<std::string>{"letter.zip"});
  }

  // The uninstall entry run as a person runs it, Yes to its question: the
  // text of its final report (empty when none came).
  static std::string UninstallAndReadTheReport() {
    ChildProcess rundll;
    if (!rundll.Start(SystemDir() + "rundll32.exe", "parvello.dll,Uninstall")) return "";
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindDialogOf(rundll.Id(), kCaption)) != nullptr; })) return "";
    PostMessageA(box, WM_COMMAND, IDYES, 0);
    HWND report = nullptr;
    if (!WaitUntil([&] { return (report = FindDialogOf(rundll.Id(), kCaption)) != nullptr && report != box; }))
      return "";
    std::string text = ControlText(GetDlgItem(report, 0xFFFF));
    PostMessageA(report, WM_COMMAND, IDOK, 0);
    rundll.Wait();
    return text;
  }

  static DWORD UninstallQuietly() {
    ChildProcess rundll;
    if (!rundll.Start(SystemDir() + "rundll32.exe", "parvello.dll,Uninstall /S")) return 0xFFFFFFFE;
    return rundll.Wait() ? rundll.ExitCode() : 0xFFFFFFFF;
  }

  std::string dir_;
  int installs_ = 0;
};

TEST_F(UninstallEntry, TakesAwayExactlyWhatTheInstallationBrought) {
  ScopedValue pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  ScopedValue otherExtension(HKEY_LOCAL_MACHINE, kApprovedKey, kOtherExtension);
  ScopedValue otherProduct(HKEY_LOCAL_MACHINE, kOtherProductKey, "Version", kSettingsView);
  ASSERT_TRUE(otherExtension.SetText("Another Extension"));
  ASSERT_TRUE(otherProduct.SetText("2.0"));
  ASSERT_TRUE(pending.Remove());
  const std::string before = MachineState();

  Install();
  SendOneArchive();
  ASSERT_NE(Difference(before, MachineState()), "") << "the installation left traces";
  ASSERT_EQ(UninstallQuietly(), 0u) << "everything removed";

  EXPECT_EQ(Difference(before, WithoutLibrary(MachineState())), "");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, kView32));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, kView64));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kOtherProductKey, kSettingsView)) << "the vendor's other product stays";
  EXPECT_FALSE(FileExists(OtherSystemDir() + "parvello.dll")) << "the library not in use goes at once";
  EXPECT_FALSE(FileExists(ArchiveFolder())) << "the emptied archive folder goes";
  // The library, in use by Rundll32, is moved aside and deleted at the
  // next start, under its new name.
  EXPECT_FALSE(FileExists(SystemDir() + "parvello.dll"));
  const std::string aside = LibraryAside();
  ASSERT_NE(aside, "");
  std::vector<std::wstring> renames = PendingRenames();
  ASSERT_EQ(renames.size(), 2u);
  // Named as the system finds it at start-up, without redirection.
  EXPECT_EQ(lstrcmpiW(renames[0].c_str(), (L"\\??\\" + Wide(RealSystemDir() + aside)).c_str()), 0)
      << Utf8(renames[0]);
  EXPECT_EQ(renames[1], L"") << "to be deleted, not moved";
}

TEST_F(UninstallEntry, RunningItTwiceIsHarmlessAndAnEmptyVendorKeyGoes) {
  ScopedValue pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kVendorKey, kSettingsView));
  Install();
  SendOneArchive();
  // A file of the user's own in the archive folder keeps the folder.
  std::string mine = ArchiveFolder() + "\\mine.txt";
  ASSERT_TRUE(WriteFileBytes(mine, "mine", 4));
  ASSERT_EQ(UninstallQuietly(), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kVendorKey, kSettingsView));
  EXPECT_EQ(FilesIn(ArchiveFolder()), std::vector<std::string>{"mine.txt"});
  const std::string once = MachineState();
  EXPECT_EQ(UninstallQuietly(), 0u) << "nothing left to remove is no failure";
  EXPECT_EQ(Difference(once, MachineState()), "");
}

// The user's own files are never the uninstall's: a folder of the user's
// named as the archive folder stays, empty or not; product archives the
// user renamed ("*.zip" also finds "x.zip_old" and "x.zipx" through their
// short names) stay; an archive another program holds cannot be checked
// and is named, and the quiet uninstall answers 1 until it can go.
TEST_F(UninstallEntry, WhatTheUserKeptStaysAndWhatCannotGoIsNamed) {
  ScopedValue pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  const std::string mine = dir_ + "\\My Archives";
  ASSERT_TRUE(CreateDirectoryA(mine.c_str(), nullptr));
  // Each uninstall takes the settings, and with them where the archives
  // are: every run below follows an installation of its own.
  const std::string script = "[Default Setup]\r\nTemporaryFolder=" + mine + "\r\n";
  Install(script);
  SendOneArchive(mine);
  const std::string sent = mine + "\\letter.zip";
  for (const char* kept : {"kept.zip_old", "kept.zipx", "held.zip"})
    ASSERT_TRUE(CopyFileA(sent.c_str(), (mine + "\\" + kept).c_str(), FALSE));
  {
    OwnedHandle held(CreateFileA((mine + "\\held.zip").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    EXPECT_EQ(UninstallQuietly(), 1u) << "an archive that stays is no success";
    EXPECT_EQ(FilesIn(mine), (std::vector<std::string>{"held.zip", "kept.zip_old", "kept.zipx"}));
    // Said in words without /S.
    Install(script);
    EXPECT_NE(UninstallAndReadTheReport().find("held.zip"), std::string::npos);
  }
  Install(script);
  EXPECT_EQ(UninstallQuietly(), 0u);
  EXPECT_EQ(FilesIn(mine), (std::vector<std::string>{"kept.zip_old", "kept.zipx"}));
  for (const char* kept : {"kept.zip_old", "kept.zipx"}) DeleteFileA((mine + "\\" + kept).c_str());
  Install(script);
  EXPECT_EQ(UninstallQuietly(), 0u);
  EXPECT_TRUE(FileExists(mine)) << "the user's own folder, empty, stays";
}

// Installed again before the restart an uninstall asked for (the only
// repair there is): the restart deletes the library moved aside, never the
// fresh one, and takes back a deletion an older uninstall scheduled for
// the library's own name. The restart is Wine's own (wineboot -r).
TEST_F(UninstallEntry, AnInstallationBeforeTheRestartKeepsItsLibrary) {
  ScopedValue pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  ASSERT_TRUE(pending.Remove());
  Install();
  ASSERT_EQ(UninstallQuietly(), 0u);
  const std::string aside = LibraryAside();
  ASSERT_NE(aside, "");
  // As an uninstall of the earlier version left it.
  ASSERT_TRUE(MoveFileExW(Wide(RealSystemDir() + "parvello.dll").c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_EQ(PendingRenames().size(), 4u);
  Install();
  std::vector<std::wstring> renames = PendingRenames();
  ASSERT_EQ(renames.size(), 2u) << "only the library moved aside is still to go";
  EXPECT_EQ(lstrcmpiW(renames[0].c_str(), (L"\\??\\" + Wide(RealSystemDir() + aside)).c_str()), 0)
      << Utf8(renames[0]);

  EXPECT_EQ(RunProgram(SystemDir() + "wineboot.exe", "-r", 60000), 0u);
  EXPECT_EQ(PendingRenames(), std::vector<std::wstring>{});
  EXPECT_FALSE(FileExists(SystemDir() + aside)) << "the restart took the library moved aside";
  EXPECT_TRUE(FileExists(SystemDir() + "parvello.dll")) << "and left the fresh one";
  if (!OtherSystemDir().empty()) EXPECT_TRUE(FileExists(OtherSystemDir() + "parvello.dll"));
  EXPECT_EQ(UninstallQuietly(), 0u) << "the uninstall entry finds its library";
}

// The archives of every folder the product has made archives in go, also
// of one the settings no longer name; while one is held, the quiet
// uninstall answers 1 and keeps what a second run needs, which then
// finishes the work.
TEST_F(UninstallEntry, ArchivesOfEveryFolderUsedGoAndASecondRunFinishes) {
  ScopedValue pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  const std::string first = dir_ + "\\first archives", second = dir_ + "\\second archives";
  Install("[Default Setup]\r\nTemporaryFolder=" + first + "\r\n");
  SendOneArchive(first);
  ASSERT_TRUE(SetSetting("TemporaryFolder", second));
  DeleteFileA((dir_ + "\\record.txt").c_str());
  SendOneArchive(second);
  {
    OwnedHandle held(CreateFileA((first + "\\letter.zip").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.IsValid());
    EXPECT_EQ(UninstallQuietly(), 1u) << "an archive that stays is no success";
    EXPECT_FALSE(FileExists(second)) << "the current folder, emptied, went";
    EXPECT_EQ(FilesIn(first), std::vector<std::string>{"letter.zip"});
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingsView)) << "the record stays for a second run";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, kSettingsView));
    EXPECT_TRUE(FileExists(SystemDir() + "parvello.dll"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, kView32)) << "the rest went";
  }
  EXPECT_EQ(UninstallQuietly(), 0u) << "the second run finishes";
  EXPECT_FALSE(FileExists(first));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingsView));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, kSettingsView));
}

TEST_F(UninstallEntry, AKeyThatCannotBeRemovedIsNamedAndTheRestGoes) {
  ScopedValue pending(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingRenames);
  Install();
  const std::string installed = InstalledProductState();

  // The confirmation, answered No: nothing is removed.
  {
    ChildProcess rundll;
    ASSERT_TRUE(rundll.Start(SystemDir() + "rundll32.exe", "parvello.dll,Uninstall"));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindDialogOf(rundll.Id(), kCaption)) != nullptr; }));
    EXPECT_NE(ControlText(GetDlgItem(box, 0xFFFF)).find("will be removed from this computer"), std::string::npos);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(rundll.Wait());
  }
  EXPECT_EQ(InstalledProductState(), installed);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingsView));

  {
    DeniedKey denied(HKEY_CLASSES_ROOT, kDirectoryHandlerKey);
    ASSERT_TRUE(denied.Armed());
    {
      std::string text = UninstallAndReadTheReport();
      EXPECT_NE(text.find("could not be removed"), std::string::npos) << text;
      EXPECT_NE(text.find(std::string("HKEY_CLASSES_ROOT\\") + kDirectoryHandlerKey), std::string::npos) << text;
      EXPECT_EQ(text.find("CLSID"), std::string::npos) << "only what stayed is named: " << text;
    }
    // The rest is gone all the same.
    for (REGSAM view : {kView32, kView64}) {
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey, view));
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kFilesHandlerKey, view));
      std::string approval;
      EXPECT_FALSE(ReadStringValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassId, approval, nullptr, view));
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, kSettingsView));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kSettingsKey, kSettingsView));
    for (const char* help : {"parvello.hlp", "parvello.cnt", "parvello.chm"}) EXPECT_FALSE(FileExists(HelpDir() + help)) << help;
    // Quietly, the fault is the exit code.
    EXPECT_EQ(UninstallQuietly(), 1u);
  }
  EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kDirectoryHandlerKey)) << "the key that was denied stays";
  EXPECT_EQ(UninstallQuietly(), 0u) << "and goes when it can";
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDirectoryHandlerKey));
}

}  // namespace
