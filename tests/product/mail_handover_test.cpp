// The archive on its way to the mail client the user has, with Mailer 1
// to 8, after a real installation by the 32-bit VOZAZIZA.EXE (both
// libraries on 64-bit Windows): stand-in Simple MAPI providers of each
// architecture, with and without the Unicode call, record what reached
// them and in which process; without a provider, the new Outlook (a
// stand-in olk.exe under App Paths) gets an unsent draft, and without that
// the archive is left on the clipboard and named.
//
// Windows shares Software\Clients between the registry views; Wine keeps
// one per view and its mapi32 reads only HKLM of its own view, so the
// stand-ins are registered in both views, as Windows would show them to
// either architecture.
#include <gtest/gtest.h>

#include <windows.h>
#include <mapi.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wincrypt.h>

#include <memory>
#include <string>
#include <vector>

#include "harness/box_answerer.h"
#include "harness/harness.h"
#include "harness/product_state.h"
#include "product/shell_host.h"

namespace {

const char kRoot[] = "C:\\parvello-mail-test";
const char kArchives[] = "C:\\parvello-mail-test\\archives";
const char kMailKey[] = "Software\\Clients\\Mail";
const char kTestClient[] = "Parvello Test Mail";
const char kOutlook[] = "Microsoft Outlook";
const char kAppPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\olk.exe";
// A name no western ANSI code page holds.
const wchar_t kReport[] = L"\u0391\u03bd\u03b1\u03c6\u03bf\u03c1\u03ac";

std::string Lowered(std::string text) {
  CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// "key=value" lines, as the stand-ins write them.
std::string Field(const std::string& record, const std::string& key) {
  size_t at = record.find("\n" + key + "=");
  at = at == std::string::npos ? (record.compare(0, key.size() + 1, key + "=") == 0 ? 0 : at) : at + 1;
  if (at == std::string::npos) return "<missing " + key + ">";
  at += key.size() + 1;
  return record.substr(at, record.find('\n', at) - at);
}

// Files by their Unicode names (the harness's own take ANSI ones).
bool ReadWide(const std::wstring& path, std::string& bytes) {
  bytes.clear();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char chunk[65536];
  DWORD read = 0;
  bool ok = true;
  while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr) != 0) && read) bytes.append(chunk, read);
  CloseHandle(file);
  return ok;
}

bool WriteWide(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return ok;
}

bool ExistsWide(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Taken(const std::string& path) {
  std::string text;
  if (!WaitUntil([&] { return FileExists(path); })) return "";
  std::vector<unsigned char> bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes));
  DeleteFileA(path.c_str());
  return std::string(bytes.begin(), bytes.end());
}

// The folder window the way out opens (Wine's explorer, titled with the
// folder's name), closed again: it would keep the 64-bit library loaded.
bool FolderWindowShownAndClosed() {
  HWND window = nullptr;
  if (!WaitUntil([&] { return (window = FindWindowA(nullptr, "archives")) != nullptr && IsWindowVisible(window); }))
    return false;
  PostMessageA(window, WM_CLOSE, 0, 0);
  return WaitUntil([&] { return !IsWindow(window); });
}

// What the clipboard holds as a file list, and its preferred drop effect.
std::wstring ClipboardFile(DWORD& effect) {
  std::wstring file;
  effect = 0;
  if (!OpenClipboard(nullptr)) return L"<clipboard busy>";
  if (HANDLE drop = GetClipboardData(CF_HDROP)) {
    wchar_t path[MAX_PATH] = L"";
    if (DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0) == 1 &&
        DragQueryFileW(static_cast<HDROP>(drop), 0, path, MAX_PATH))
      file = path;
  }
  if (HANDLE data = GetClipboardData(RegisterClipboardFormatA("Preferred DropEffect"))) {
    if (auto* value = static_cast<DWORD*>(GlobalLock(data))) effect = *value;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return file;
}

class MailHandover : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InstallFromScript(kRoot, std::string("TemporaryFolder=") + kArchives + "\r\nMailer=1\r\n"));
    source_ = Wide(std::string(kRoot) + "\\") + kReport + L".txt";
    ASSERT_TRUE(WriteWide(source_, std::string(70000, 'x')));
    archive_ = std::string(kArchives) + "\\" + Utf8(kReport) + ".zip";
    // No client at all unless a test registers one: Wine's prefix has its own.
    for (REGSAM view : {kView32, kView64}) {
      defaults_.emplace_back(new ScopedValue(HKEY_LOCAL_MACHINE, kMailKey, "", view));
      outlook_.emplace_back(new ScopedValue(HKEY_LOCAL_MACHINE, kAppPath, "", view));
      ASSERT_TRUE(defaults_.back()->Remove());
      ASSERT_TRUE(outlook_.back()->Remove());
    }
    defaults_.emplace_back(new ScopedValue(HKEY_CURRENT_USER, kMailKey, ""));
    ASSERT_TRUE(defaults_.back()->Remove());
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  }

  void TearDown() override {
    CoUninitialize();
    defaults_.clear();
    outlook_.clear();
    for (REGSAM view : {kView32, kView64}) {
      HKEY clients;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMailKey, 0, KEY_ALL_ACCESS | view, &clients) != ERROR_SUCCESS) continue;
      RegDeleteTreeA(clients, kTestClient);
      RegDeleteTreeA(clients, kOutlook);
      RegCloseKey(clients);
    }
    SetEnvironmentVariableA("PARVELLO_MAPI_RECORD", nullptr);
    SetEnvironmentVariableA("PARVELLO_MAPI_ANSWER", nullptr);
    SetEnvironmentVariableA("PARVELLO_MAPI_ANSWERS", nullptr);
    SetEnvironmentVariableA("PARVELLO_MAIL_RECORD", nullptr);
    DeleteTree(kRoot);
    ResetProductState();
  }

  // The stand-in of `bits` ("w": with MAPISendMailW) as the default client.
  void RegisterProvider(int bits, const char* calls, const char* name = kTestClient) {
    std::string provider = WinePath(MAPI_PROVIDER_DIR) + "\\mapi_provider" + std::to_string(bits) + calls + ".dll";
    ASSERT_TRUE(FileExists(provider)) << provider;
    for (REGSAM view : {kView32, kView64}) {
      HKEY client;
      ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kMailKey) + "\\" + name).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE | view, nullptr, &client, nullptr),
                ERROR_SUCCESS);
      LONG set = RegSetValueExA(client, "DLLPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(provider.c_str()),
                                static_cast<DWORD>(provider.size() + 1));
      RegCloseKey(client);
      ASSERT_EQ(set, ERROR_SUCCESS);
    }
    for (size_t i = 0; i < 2; ++i) ASSERT_TRUE(defaults_[i]->SetText(name));
  }

  HRESULT Send() {
    IContextMenu* menu = MenuFor({source_});
    if (!menu) return E_FAIL;
    HRESULT result = InvokeByOffset(menu, 0);
    menu->Release();
    return result;
  }

  // Three files that do not compress: in parts of 64 KB, one each.
  std::vector<std::wstring> ThreeFilesOf50Kilobytes() {
    std::vector<std::wstring> selection;
    unsigned seed = 1;
    for (const wchar_t* name : {L"\\one.bin", L"\\two.bin", L"\\three.bin"}) {
      std::string random(50000, '\0');
      for (char& c : random) c = static_cast<char>((seed = seed * 1103515245 + 12345) >> 16);
      selection.push_back(Wide(kRoot) + name);
      if (!WriteWide(selection.back(), random)) return {};
    }
    return selection;
  }

  // Those files, sent as the shell's no-UI call does, with 64 KB a message.
  HRESULT SendThreePartsWithoutAWindow() {
    DWORD kilobytes = 64;
    std::vector<std::wstring> selection = ThreeFilesOf50Kilobytes();
    if (!WriteSettingsValue("MaxArchiveKilobytes", REG_DWORD, &kilobytes, sizeof kilobytes) || selection.size() != 3)
      return E_UNEXPECTED;
    IContextMenu* menu = MenuFor(selection);
    if (!menu) return E_FAIL;
    HRESULT result = InvokeByOffset(menu, 0, true);
    menu->Release();
    return result;
  }

  std::wstring source_;
  std::string archive_;
  std::vector<std::unique_ptr<ScopedValue>> defaults_, outlook_;
};

TEST_F(MailHandover, EachClientGetsTheArchiveFromAHelperOfItsOwnArchitecture) {
  const std::string record = std::string(kRoot) + "\\mapi-record.txt";
  SetEnvironmentVariableA("PARVELLO_MAPI_RECORD", record.c_str());
  const int own = sizeof(void*) * 8, other = 96 - own;
  for (int bits : {other, own}) {
    for (const char* calls : {"w", "a"}) {
      SCOPED_TRACE(std::to_string(bits) + "-bit provider, calls " + calls);
      RegisterProvider(bits, calls);
      ASSERT_EQ(Send(), S_OK);
      std::string seen = Taken(record);
      ASSERT_FALSE(seen.empty()) << "the provider was never called";
      EXPECT_EQ(Field(seen, "bits"), std::to_string(bits));
      // A Rundll32 of the provider's architecture, from its own system folder.
      std::string folder = Lowered(bits == 32 ? (own == 32 ? RealSystemDir() : OtherSystemDir())
                                              : WindowsDir() + "system32\\");
      EXPECT_EQ(Lowered(Field(seen, "process")), folder + "rundll32.exe");
      EXPECT_EQ(Field(seen, "flags"), std::to_string(MAPI_DIALOG | MAPI_LOGON_UI));
      EXPECT_EQ(Field(seen, "archive"), "1") << "the path opens and holds the archive";
      if (calls[0] == 'w') {
        // The real name reaches a client that takes Unicode.
        EXPECT_EQ(Field(seen, "call"), "W");
        EXPECT_EQ(Field(seen, "path"), archive_);
        EXPECT_EQ(Field(seen, "name"), Utf8(kReport) + ".zip");
        EXPECT_EQ(Field(seen, "subject"), Utf8(kReport) + ".zip");
      } else {
        // An ANSI client gets a path the code page can hold.
        EXPECT_EQ(Field(seen, "call"), "A");
        wchar_t shortPath[MAX_PATH] = L"";
        ASSERT_NE(GetShortPathNameW(Wide(archive_).c_str(), shortPath, MAX_PATH), 0u);
        EXPECT_EQ(Field(seen, "path"), Utf8(shortPath));
        EXPECT_EQ(Field(seen, "name"), "archive.zip");
      }
      EXPECT_EQ(GetModuleHandleA("mapi32.dll"), nullptr) << "no MAPI in the invoking process";
      // The next road's archive takes the same name.
      EXPECT_TRUE(WaitUntil([&] { return DeleteFileW(Wide(archive_).c_str()) != 0; }));
    }
  }

  // A client that fails: the helper offers the way out itself and keeps the archive.
  SetEnvironmentVariableA("PARVELLO_MAPI_ANSWER", "2");  // MAPI_E_FAILURE
  ASSERT_EQ(Send(), S_OK) << "the invoking process has handed it on";
  ASSERT_FALSE(Taken(record).empty());
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND window = FindWindowA("#32770", "Parvello"); window; window = FindWindowExA(nullptr, window, "#32770", "Parvello"))
      if (IsWindowVisible(window)) return (box = window) != nullptr;
    return false;
  })) << "the helper's message";
  std::string text = StaticTexts(box);
  EXPECT_NE(text.find("Simple MAPI error 2"), std::string::npos) << text;
  EXPECT_NE(text.find(std::string("The archive is ") + kArchives + "\\"), std::string::npos) << text;
  DWORD effect = 0;
  EXPECT_EQ(Utf8(ClipboardFile(effect)), archive_);
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_TRUE(FolderWindowShownAndClosed()) << "the archive's folder opens";
  EXPECT_TRUE(ExistsWide(Wide(archive_)));
}

// Outlook as the client: its own attachment limit (the user's preference,
// unless a policy says otherwise) is the budget. Each part is a message of
// its own, titled with its part; the user cancels the second, the third is
// not sent, the helper says which parts were not, and every part stays.
TEST_F(MailHandover, OutlooksLimitSplitsTheArchiveAndACancelledMessageStopsTheRest) {
  const std::string record = std::string(kRoot) + "\\mapi-record.txt";
  SetEnvironmentVariableA("PARVELLO_MAPI_RECORD", record.c_str());
  SetEnvironmentVariableA("PARVELLO_MAPI_ANSWERS", "0,1");  // MAPI_USER_ABORT for the second
  RegisterProvider(sizeof(void*) * 8, "w", kOutlook);
  ScopedValue preference(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\16.0\\Outlook\\Preferences",
                         "MaximumAttachmentSize");
  DWORD kilobytes = 64;
  ASSERT_TRUE(preference.Set(REG_DWORD, &kilobytes, sizeof kilobytes));
  std::vector<std::wstring> selection = ThreeFilesOf50Kilobytes();
  ASSERT_EQ(selection.size(), 3u);
  {
    BoxAnswerer split("Parvello", IDYES);
    IContextMenu* menu = MenuFor(selection);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(InvokeByOffset(menu, 0), S_OK);
    menu->Release();
    ASSERT_EQ(split.Seen().size(), 1u);
    EXPECT_NE(split.Seen()[0].find("send it in 3 messages"), std::string::npos) << split.Seen()[0];
  }
  const std::vector<std::string> parts = FilesIn(kArchives);
  ASSERT_EQ(parts,
            (std::vector<std::string>{"one (part 1 of 3).zip", "one (part 2 of 3).zip", "one (part 3 of 3).zip"}));
  std::string first = Taken(record + ".1"), second = Taken(record + ".2");
  EXPECT_EQ(Field(first, "subject"), "one.zip (1/3)");
  EXPECT_EQ(Field(first, "path"), std::string(kArchives) + "\\" + parts[0]);
  EXPECT_EQ(Field(second, "subject"), "one.zip (2/3)");
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] {
    for (HWND window = FindWindowA("#32770", "Parvello"); window;
         window = FindWindowExA(nullptr, window, "#32770", "Parvello"))
      if (IsWindowVisible(window)) return (box = window) != nullptr;
    return false;
  })) << "the helper tells what was not sent";
  std::string text = StaticTexts(box);
  EXPECT_NE(text.find("part 2 of 3"), std::string::npos) << text;
  for (size_t i = 1; i < 3; ++i)
    EXPECT_NE(text.find(std::string(kArchives) + "\\" + parts[i]), std::string::npos) << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
  EXPECT_FALSE(WaitUntil([&] { return FileExists(record + ".3"); }, 1500)) << "the third message is not sent";
  EXPECT_EQ(FilesIn(kArchives), parts) << "no part is deleted";

  // A policy of none wins over the preference: the next send is one message.
  for (const std::string& part : parts) DeleteFileA((std::string(kArchives) + "\\" + part).c_str());
  ScopedValue policy(HKEY_CURRENT_USER, "Software\\Policies\\Microsoft\\Office\\16.0\\Outlook\\Preferences",
                     "MaximumAttachmentSize");
  DWORD none = 0;
  ASSERT_TRUE(policy.Set(REG_DWORD, &none, sizeof none));
  SetEnvironmentVariableA("PARVELLO_MAPI_ANSWERS", nullptr);
  BoxAnswerer nothing("Parvello");
  IContextMenu* menu = MenuFor(selection);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(InvokeByOffset(menu, 0), S_OK);
  menu->Release();
  EXPECT_EQ(Field(Taken(record), "subject"), "one.zip");
  EXPECT_TRUE(nothing.Seen().empty()) << "no question";
}

TEST_F(MailHandover, WithoutAClientTheArchiveIsLeftOnTheClipboardAndNamed) {
  BoxAnswerer answerer("Parvello");
  EXPECT_EQ(Send(), HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION));
  ASSERT_EQ(answerer.Seen().size(), 1u) << "one message, and not Wine's own stub's";
  const std::string& text = answerer.Seen()[0];
  EXPECT_NE(text.find("No mail program on this computer takes attachments"), std::string::npos) << text;
  EXPECT_NE(text.find("The archive is " + archive_ + "."), std::string::npos) << text;
  EXPECT_NE(text.find("It is on the clipboard"), std::string::npos) << text;
  DWORD effect = 0;
  EXPECT_EQ(Utf8(ClipboardFile(effect)), archive_);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_TRUE(FolderWindowShownAndClosed()) << "the archive's folder opens";
  EXPECT_TRUE(ExistsWide(Wide(archive_))) << "a failed hand-over never deletes the archive";
  EXPECT_EQ(GetModuleHandleA("mapi32.dll"), nullptr);
}

// Without a client, sent without a window (the shell's no-UI call): the
// archive goes in parts unasked, and all of them wait on the clipboard,
// in order.
TEST_F(MailHandover, WithoutAClientThePartsWaitOnTheClipboardTogether) {
  EXPECT_EQ(SendThreePartsWithoutAWindow(), HRESULT_FROM_WIN32(ERROR_NO_ASSOCIATION));
  std::vector<std::string> onClipboard;
  ASSERT_TRUE(OpenClipboard(nullptr));
  if (HANDLE drop = GetClipboardData(CF_HDROP)) {
    UINT count = DragQueryFileW(static_cast<HDROP>(drop), 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      wchar_t path[MAX_PATH] = L"";
      DragQueryFileW(static_cast<HDROP>(drop), i, path, MAX_PATH);
      onClipboard.push_back(Utf8(path));
    }
  }
  CloseClipboard();
  std::vector<std::string> parts;
  for (int n = 1; n <= 3; ++n)
    parts.push_back(std::string(kArchives) + "\\one (part " + std::to_string(n) + " of 3).zip");
  EXPECT_EQ(onClipboard, parts);
  for (const std::string& part : parts) EXPECT_TRUE(FileExists(part)) << part;
}

// The new Outlook gets one draft per part.
TEST_F(MailHandover, TheNewOutlookGetsADraftPerPart) {
  const std::string olk = std::string(kRoot) + "\\olk.exe", record = std::string(kRoot) + "\\olk-record.txt";
  ASSERT_TRUE(CopyFileA(WinePath(MAIL_RECORDER_EXE).c_str(), olk.c_str(), FALSE));
  for (auto& view : outlook_) ASSERT_TRUE(view->SetText(olk.c_str()));
  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD", record.c_str());
  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD_EACH", "1");
  EXPECT_EQ(SendThreePartsWithoutAWindow(), S_OK);
  std::string started;
  ASSERT_TRUE(WaitUntil([&] {
    std::vector<std::string> records;
    for (const std::string& name : FilesIn(kRoot))
      if (name.rfind("olk-record.txt.", 0) == 0 && name.find(".part") == std::string::npos) records.push_back(name);
    if (records.size() != 3) return false;
    for (const std::string& name : records) started += Taken(std::string(kRoot) + "\\" + name);
    return true;
  })) << "olk.exe starts once per part";
  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD_EACH", nullptr);
  char temporary[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, temporary), 0u);
  for (int n = 1; n <= 3; ++n) {
    std::string draft = "one (part " + std::to_string(n) + " of 3).eml";
    EXPECT_NE(started.find(draft), std::string::npos) << draft << " in " << started;
    DeleteFileA((std::string(temporary) + draft).c_str());
  }
}

TEST_F(MailHandover, TheNewOutlookGetsAnUnsentDraft) {
  const std::string olk = std::string(kRoot) + "\\olk.exe", record = std::string(kRoot) + "\\olk-record.txt";
  ASSERT_TRUE(CopyFileA(WinePath(MAIL_RECORDER_EXE).c_str(), olk.c_str(), FALSE));
  for (auto& view : outlook_) ASSERT_TRUE(view->SetText(olk.c_str()));
  SetEnvironmentVariableA("PARVELLO_MAIL_RECORD", record.c_str());
  ASSERT_EQ(Send(), S_OK);
  std::string line = Taken(record);
  ASSERT_FALSE(line.empty()) << "olk.exe was not started";
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(Wide(line).c_str(), &count);
  ASSERT_TRUE(arguments && count == 2) << line;
  std::wstring draft = arguments[1];
  LocalFree(arguments);
  EXPECT_EQ(Utf8(draft.substr(draft.find_last_of(L'\\') + 1)), Utf8(kReport) + ".eml");
  std::string message;
  ASSERT_TRUE(ReadWide(draft, message)) << Utf8(draft);
  DeleteFileW(draft.c_str());
  EXPECT_EQ(message.compare(0, 13, "X-Unsent: 1\r\n"), 0) << message.substr(0, 200);
  EXPECT_NE(message.find("\r\nSubject: =?UTF-8?B?zpHOvc6xz4bOv8+Bzqwuemlw?=\r\n"), std::string::npos)
      << message.substr(0, 900);
  EXPECT_NE(message.find("filename*=UTF-8''%CE%91%CE%BD%CE%B1%CF%86%CE%BF%CF%81%CE%AC.zip"), std::string::npos)
      << message.substr(0, 900);

  // The attachment, decoded by the system's own base64 reader, is the archive.
  size_t body = message.find("Content-Transfer-Encoding: base64\r\n");
  ASSERT_NE(body, std::string::npos);
  body = message.find("\r\n\r\n", body) + 4;
  size_t end = message.find("\r\n--", body);
  ASSERT_NE(end, std::string::npos);
  std::string encoded = message.substr(body, end - body);
  DWORD size = 0;
  ASSERT_TRUE(CryptStringToBinaryA(encoded.c_str(), static_cast<DWORD>(encoded.size()), CRYPT_STRING_BASE64, nullptr,
                                   &size, nullptr, nullptr));
  std::string decoded(size, '\0'), archive;
  ASSERT_TRUE(CryptStringToBinaryA(encoded.c_str(), static_cast<DWORD>(encoded.size()), CRYPT_STRING_BASE64,
                                   reinterpret_cast<BYTE*>(&decoded[0]), &size, nullptr, nullptr));
  ASSERT_TRUE(ReadWide(Wide(archive_), archive));
  ASSERT_GT(archive.size(), 100u);
  EXPECT_TRUE(decoded == archive) << "the attachment differs from the archive";
  EXPECT_EQ(message.substr(message.size() - 4), "--\r\n");
}

}  // namespace
