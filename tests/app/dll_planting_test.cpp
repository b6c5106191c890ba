// A setup run from a downloads folder that holds DLLs named like system
// ones. The test runs with native-first load order for those names
// (WINEDLLOVERRIDES, which Wine takes only from the environment a process
// starts with, so the children inherit it), and then Wine searches the
// program's folder first, as Windows does for every DLL that is not a
// KnownDLL: a DLL planted there would be loaded and its code run. Both
// roads run from such a folder; Wine's loader trace (+loaddll, in the
// file the test's standard error goes to) and the planted DLLs' own log
// say what was loaded from where.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/product_state.h"
#include "harness/wizard_driver.h"

namespace {

const char kFolder[] = "C:\\downloads\\";
const char kPlantedLog[] = "c:\\planted-loads.log";
// DLLs a setup or the platform under it may load that are not KnownDLLs,
// as the test command names them: "version,comctl32,...".
std::vector<std::string> PlantedNames() {
  std::vector<std::string> names;
  std::string list = PLANTED_DLLS;
  for (size_t at = 0; at < list.size();) {
    size_t end = list.find(',', at);
    if (end == std::string::npos) end = list.size();
    names.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

// How much the trace file of this test and its children holds so far.
size_t TraceSize() {
  std::vector<unsigned char> bytes;
  ReadFileBytes(WinePath(LOADER_TRACE), bytes);
  return bytes.size();
}

// Every DLL path Wine's loader reports in the trace since `from`.
std::vector<std::string> LoadedPaths(size_t from) {
  std::vector<unsigned char> bytes;
  ReadFileBytes(WinePath(LOADER_TRACE), bytes);
  std::string trace(bytes.begin() + std::min(from, bytes.size()), bytes.end());
  std::vector<std::string> paths;
  for (size_t at = trace.find("Loaded L\""); at != std::string::npos; at = trace.find("Loaded L\"", at)) {
    at += 9;
    size_t end = trace.find('"', at);
    if (end == std::string::npos) break;
    std::string path = trace.substr(at, end - at);
    std::string plain;
    for (size_t i = 0; i < path.size(); ++i) {
      if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ++i;
      plain += static_cast<char>(tolower(static_cast<unsigned char>(path[i])));
    }
    paths.push_back(plain);
  }
  return paths;
}

bool AnyEndsWith(const std::vector<std::string>& paths, const std::string& name) {
  for (const std::string& path : paths)
    if (path.size() >= name.size() && path.compare(path.size() - name.size(), name.size(), name) == 0) return true;
  return false;
}

class DllPlanting : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProductState();
    DeleteFileA(kPlantedLog);
    CreateDirectoryA(kFolder, nullptr);
    ASSERT_TRUE(CopyFileA(SetupPath().c_str(), (std::string(kFolder) + "VOZAZIZA.EXE").c_str(), FALSE));
    ASSERT_GT(PlantedNames().size(), 10u);
    for (const std::string& name : PlantedNames())
      ASSERT_TRUE(CopyFileA(WinePath(RECORDER_DLL).c_str(), (kFolder + name + ".dll").c_str(), FALSE));
  }
  void TearDown() override {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(kFolder) + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do DeleteFileA((std::string(kFolder) + found.cFileName).c_str());
      while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(kFolder);
    DeleteFileA(kPlantedLog);
    DeleteFileA(script_.c_str());
    ResetProductState();
  }
  // Nothing from the downloads folder but the program itself.
  void ExpectNothingPlantedLoaded(const std::vector<std::string>& loaded) {
    ASSERT_FALSE(loaded.empty()) << "no loader trace";
    for (const std::string& path : loaded)
      EXPECT_TRUE(path.rfind("c:\\downloads\\", 0) != 0 || path == "c:\\downloads\\vozaziza.exe") << path;
    EXPECT_FALSE(FileExists(kPlantedLog));
  }

  std::string script_ = "C:\\planting.ini";
  size_t from_ = TraceSize();
};

// The trap works: a program that imports comctl32.dll statically, as the
// setup once did, started from the same folder in the same way, loads the
// planted copy.
TEST_F(DllPlanting, APlantedDllIsTakenByAProgramThatImportsItStatically) {
  std::string program = std::string(kFolder) + "imports-comctl32.exe";
  ASSERT_TRUE(CopyFileA(WinePath(STATIC_IMPORTER_EXE).c_str(), program.c_str(), FALSE));
  ChildProcess child;
  ASSERT_TRUE(child.Start(program, ""));
  ASSERT_TRUE(child.Wait());
  EXPECT_TRUE(FileExists(kPlantedLog));
  EXPECT_TRUE(AnyEndsWith(LoadedPaths(from_), "c:\\downloads\\comctl32.dll"));
}

TEST_F(DllPlanting, TheUnattendedSetupLoadsNothingFromItsFolderAndNoCommonControls) {
  ASSERT_TRUE(WriteFileBytes(script_, "[Default Setup]\r\n", 17));
  ChildProcess child;
  ASSERT_TRUE(child.Start(std::string(kFolder) + "VOZAZIZA.EXE", script_));
  ASSERT_TRUE(child.Wait());
  EXPECT_EQ(child.ExitCode(), 0u);
  EXPECT_FALSE(FileExists(kErrorLog));
  EXPECT_TRUE(FileExists(SystemDir() + "parvello.dll"));
  std::vector<std::string> loaded = LoadedPaths(from_);
  ExpectNothingPlantedLoaded(loaded);
  EXPECT_TRUE(AnyEndsWith(loaded, "\\system32\\version.dll")) << "the version installer, from the system";
  EXPECT_FALSE(AnyEndsWith(loaded, "comctl32.dll"));
}

TEST_F(DllPlanting, TheWizardLoadsNothingFromItsFolder) {
  WizardDriver driver;
  ASSERT_TRUE(driver.StartCopy(std::string(kFolder) + "VOZAZIZA.EXE"));
  ASSERT_TRUE(driver.WalkToMailClient()) << "stopped on " << driver.PageTitle();
  ASSERT_TRUE(driver.NextTo(kFinishTitle));
  SendMessageA(GetDlgItem(driver.CurrentPage(), 1027), BM_SETCHECK, BST_UNCHECKED, 0);
  driver.Press(PSBTN_FINISH);
  EXPECT_EQ(driver.WaitForExit(), 0u);
  std::vector<std::string> loaded = LoadedPaths(from_);
  ExpectNothingPlantedLoaded(loaded);
  EXPECT_TRUE(AnyEndsWith(loaded, "\\system32\\comctl32.dll"));
  EXPECT_TRUE(AnyEndsWith(loaded, "\\system32\\version.dll"));
}

}  // namespace
