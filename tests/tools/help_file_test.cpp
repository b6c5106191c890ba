// The built help file judged by what the platform's viewer (Wine's
// winhlp32.exe) shows of it, never by reading it back: every topic the
// contents file lists, opened by its context string, and the overview,
// opened by its context number as the setup's Finish page opens it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "harness/harness.h"
#include "harness/help_viewer.h"

namespace {

constexpr DWORD kOverviewContext = 0xC0000110;

std::string HelpFile() { return WinePath(BUILT_HELP_FILE); }

struct ContentsEntry {
  std::string title, context;
};

// The topics parvello.cnt lists ("2 Title=CONTEXT"), and its ":Base" file.
std::vector<ContentsEntry> ReadContents(std::string& base) {
  std::vector<unsigned char> bytes;
  EXPECT_TRUE(ReadFileBytes(WinePath(PRODUCT_HELP_DIR "/parvello.cnt"), bytes));
  std::string text(bytes.begin(), bytes.end());
  std::vector<ContentsEntry> entries;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "lines end in CR LF";
    if (end == std::string::npos) break;
    std::string line = text.substr(at, end - at);
    at = end + 2;
    if (line.rfind(":Base ", 0) == 0) base = line.substr(6);
    size_t equals = line.find('=');
    if (line.rfind("2 ", 0) == 0 && equals != std::string::npos)
      entries.push_back({line.substr(2, equals - 2), line.substr(equals + 1)});
  }
  return entries;
}

// WinHelpA waits until the viewer has taken the request: it runs on a
// thread of its own, so that a viewer that asks something cannot hang the
// test. True when it returned in time.
struct HelpRequest {
  std::string file;
  UINT command;
  DWORD data;
};
DWORD WINAPI CallWinHelp(void* parameter) {
  auto* request = static_cast<HelpRequest*>(parameter);
  HWND caller = CreateWindowA("STATIC", "caller", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  BOOL result = WinHelpA(caller, request->file.c_str(), request->command, request->data);
  DestroyWindow(caller);
  return result;
}
bool WinHelpReturns(HelpRequest request) {
  HANDLE thread = CreateThread(nullptr, 0, CallWinHelp, &request, 0, nullptr);
  if (!thread) return false;
  bool returned = WaitUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
  if (!returned) EndHelpViewers();  // releases the caller
  WaitForSingleObject(thread, 5000);
  CloseHandle(thread);
  return returned;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

class HelpFileTest : public ::testing::Test {
 protected:
  void SetUp() override { EndHelpViewers(); }
  void TearDown() override { EndHelpViewers(); }
};

TEST_F(HelpFileTest, EveryTopicOfTheContentsFileOpensAtItsTitle) {
  std::string base;
  std::vector<ContentsEntry> entries = ReadContents(base);
  EXPECT_EQ(base, "parvello.hlp");
  ASSERT_EQ(entries.size(), 5u);
  for (const ContentsEntry& entry : entries) {
    SCOPED_TRACE(entry.context);
    ChildProcess viewer;
    ASSERT_TRUE(viewer.Start(SystemDir() + "winhlp32.exe", "-i " + entry.context + " " + HelpFile()));
    HWND window = WaitForHelpViewer(viewer.Id());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return StartsWith(HelpViewerText(window), entry.title + "\r"); }))
        << HelpViewerText(window).substr(0, 80);
    EXPECT_GT(HelpViewerText(window).size(), entry.title.size() + 100) << "the topic's text follows";
    char caption[256] = "";
    GetWindowTextA(window, caption, sizeof caption);
    EXPECT_TRUE(StartsWith(caption, "Parvello 1.1 Help")) << caption;
    EndHelpViewers();
  }
}

TEST_F(HelpFileTest, TheOverviewOpensByItsContextNumberAndAnUnknownNumberDoesNoHarm) {
  ASSERT_TRUE(WinHelpReturns({HelpFile(), HELP_CONTEXT, kOverviewContext}));
  HWND window = WaitForHelpViewer();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return StartsWith(HelpViewerText(window), "Parvello overview\r"); }));
  EXPECT_NE(HelpViewerText(window).find("choose \"Send with Parvello\""), std::string::npos);
  DWORD viewerId = 0;
  GetWindowThreadProcessId(window, &viewerId);
  HANDLE viewer = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, viewerId);
  ASSERT_NE(viewer, nullptr);

  // Wine's viewer finds no topic for it and closes quietly: no crash, no
  // question.
  ASSERT_TRUE(WinHelpReturns({HelpFile(), HELP_CONTEXT, 0x12345678}));
  bool ended = WaitUntil([&] { return WaitForSingleObject(viewer, 0) == WAIT_OBJECT_0; }, 2000);
  DWORD code = STILL_ACTIVE;
  GetExitCodeProcess(viewer, &code);
  EXPECT_TRUE(ended);
  EXPECT_EQ(code, 0u);
  CloseHandle(viewer);
}

}  // namespace
