// The 32-bit deliverable, checked from outside: its PE headers and imports,
// and that it carries the same resources as the 64-bit twin.
#include <gtest/gtest.h>

#include <windows.h>
#include <lzexpand.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "resource_ids.h"

namespace {

// What the product's library exports: the COM server's two entries, and
// the Rundll32 commands (the uninstall, the Options window, the mail
// helper in its ANSI and Unicode forms).
const std::set<std::string> kLibraryExports = {"DllCanUnloadNow", "DllGetClassObject", "Options",
                                                 "SendMail",        "SendMailW",         "Uninstall"};

using Bytes = std::vector<unsigned char>;

template <typename T>
bool ReadAt(const Bytes& file, size_t offset, T& value) {
  if (offset + sizeof(T) > file.size()) return false;
  memcpy(&value, file.data() + offset, sizeof(T));
  return true;
}

// A PE file of either architecture: its machine, characteristics, and the
// names in its export and import tables.
struct PeTables {
  WORD machine = 0, characteristics = 0;
  std::set<std::string> exports, imports;  // imports in lower case
};

bool ReadPeTables(const Bytes& file, PeTables& tables) {
  IMAGE_DOS_HEADER dos;
  IMAGE_FILE_HEADER header;
  WORD magic = 0;
  if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
  size_t headerAt = dos.e_lfanew + sizeof(DWORD);
  size_t optionalAt = headerAt + sizeof header;
  if (!ReadAt(file, headerAt, header) || !ReadAt(file, optionalAt, magic)) return false;
  tables.machine = header.Machine;
  tables.characteristics = header.Characteristics;
  size_t directoriesAt = optionalAt + (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC
                                           ? offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory)
                                           : offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory));
  size_t sectionsAt = optionalAt + header.SizeOfOptionalHeader;
  auto offset = [&](DWORD rva) -> size_t {
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      if (!ReadAt(file, sectionsAt + i * sizeof section, section)) break;
      DWORD size = section.Misc.VirtualSize ? section.Misc.VirtualSize : section.SizeOfRawData;
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size)
        return rva - section.VirtualAddress + section.PointerToRawData;
    }
    return 0;
  };
  auto text = [&](DWORD rva) {
    size_t at = offset(rva);
    std::string name;
    while (at && at < file.size() && file[at]) name += static_cast<char>(file[at++]);
    return name;
  };
  IMAGE_DATA_DIRECTORY exportDirectory, importDirectory;
  if (!ReadAt(file, directoriesAt + IMAGE_DIRECTORY_ENTRY_EXPORT * sizeof exportDirectory, exportDirectory) ||
      !ReadAt(file, directoriesAt + IMAGE_DIRECTORY_ENTRY_IMPORT * sizeof importDirectory, importDirectory))
    return false;
  IMAGE_EXPORT_DIRECTORY exported;
  if (exportDirectory.VirtualAddress && ReadAt(file, offset(exportDirectory.VirtualAddress), exported)) {
    for (DWORD i = 0; i < exported.NumberOfNames; ++i) {
      DWORD nameRva = 0;
      if (ReadAt(file, offset(exported.AddressOfNames) + i * sizeof nameRva, nameRva)) tables.exports.insert(text(nameRva));
    }
  }
  for (size_t at = offset(importDirectory.VirtualAddress); at; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR descriptor;
    if (!ReadAt(file, at, descriptor) || descriptor.Name == 0) break;
    std::string name = text(descriptor.Name);
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    tables.imports.insert(name);
  }
  return true;
}

TEST(Deliverable, IsA32BitWindowsGuiProgramImportingOnlyKnownDlls) {
  Bytes file;
  ASSERT_TRUE(ReadFileBytes(DeliverablePath(), file)) << DeliverablePath();
  IMAGE_DOS_HEADER dos;
  ASSERT_TRUE(ReadAt(file, 0, dos));
  ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
  IMAGE_NT_HEADERS32 nt;
  ASSERT_TRUE(ReadAt(file, dos.e_lfanew, nt));
  ASSERT_EQ(nt.Signature, IMAGE_NT_SIGNATURE);
  EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
  ASSERT_EQ(nt.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
  EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
  EXPECT_FALSE(nt.FileHeader.Characteristics & IMAGE_FILE_DLL);

  // KnownDLLs only: Windows takes them from the system directory, never
  // from the program's folder.
  const std::set<std::string> allowed = {"kernel32.dll", "user32.dll",  "gdi32.dll", "advapi32.dll",
                                         "shell32.dll",  "shlwapi.dll", "msvcrt.dll"};
  PeTables tables;
  ASSERT_TRUE(ReadPeTables(file, tables));
  const std::set<std::string>& seen = tables.imports;
  for (const std::string& name : seen) EXPECT_TRUE(allowed.count(name)) << "imports " << name;
  EXPECT_TRUE(seen.count("kernel32.dll"));
}

// type -> name -> language -> bytes; names and types as text ("#112" for ids).
using ResourceMap = std::map<std::string, std::map<std::string, std::map<WORD, Bytes>>>;

std::string ResourceName(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
  return name;
}

ResourceMap CollectResources(HMODULE module) {
  ResourceMap map;
  struct Context {
    HMODULE module;
    ResourceMap* map;
  } context = {module, &map};
  EnumResourceTypesA(
      module,
      [](HMODULE m, LPSTR type, LONG_PTR p) -> BOOL {
        EnumResourceNamesA(
            m, type,
            [](HMODULE m2, LPCSTR type2, LPSTR name, LONG_PTR p2) -> BOOL {
              EnumResourceLanguagesA(
                  m2, type2, name,
                  [](HMODULE m3, LPCSTR type3, LPCSTR name3, WORD language, LONG_PTR p3) -> BOOL {
                    auto* c = reinterpret_cast<Context*>(p3);
                    HRSRC found = FindResourceExA(m3, type3, name3, language);
                    DWORD size = SizeofResource(m3, found);
                    const unsigned char* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(m3, found)));
                    Bytes data;
                    if (bytes) data.assign(bytes, bytes + size);
                    (*c->map)[ResourceName(type3)][ResourceName(name3)][language] = data;
                    return TRUE;
                  },
                  p2);
              return TRUE;
            },
            p);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&context));
  return map;
}

TEST(Deliverable, CarriesTheSameResourcesAsTheTwin) {
  HMODULE deliverable = LoadLibraryExA(DeliverablePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(deliverable, nullptr) << GetLastError();
  HMODULE twin = LoadLibraryExA(SetupPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(twin, nullptr) << GetLastError();
  ResourceMap ours = CollectResources(deliverable);
  ResourceMap theirs = CollectResources(twin);
  FreeLibrary(deliverable);
  FreeLibrary(twin);

  // Each build carries the library of both architectures, its own first:
  // the deliverable's two are the twin's two the other way round.
  const std::string own = "#" + std::to_string(IDR_PRODUCT_LIBRARY), other = "#" + std::to_string(IDR_OTHER_LIBRARY);
  ASSERT_TRUE(ours["FILE"].count(own) && ours["FILE"].count(other));
  ASSERT_TRUE(theirs["FILE"].count(own) && theirs["FILE"].count(other));
  EXPECT_FALSE(ours["FILE"][own] == ours["FILE"][other]);
  EXPECT_TRUE(ours["FILE"][own] == theirs["FILE"][other]);
  EXPECT_TRUE(ours["FILE"][other] == theirs["FILE"][own]);
  for (const std::string& library : {own, other}) {
    ours["FILE"].erase(library);
    theirs["FILE"].erase(library);
  }

  for (const char* type : {"FILE", "#2", "#6", "#14", "#3", "#16"})
    EXPECT_TRUE(ours.count(type)) << "no resources of type " << type;
  EXPECT_EQ(ours["FILE"].size(), 5u)
      << "help file, contents file, the help as Compiled HTML Help, licence, Windows 11's first menu's package";
  EXPECT_TRUE(ours["FILE"].count("#" + std::to_string(IDR_FIRST_MENU_PACKAGE)));
  for (int id : {IDR_FIRST_MENU_CERTIFICATE, IDR_FIRST_MENU_FAMILY})
    EXPECT_TRUE(ours["#10"].count("#" + std::to_string(id))) << "the package's certificate and family name";

  ASSERT_EQ(ours.size(), theirs.size());
  for (auto& [type, names] : ours) {
    ASSERT_TRUE(theirs.count(type)) << type;
    ASSERT_EQ(names.size(), theirs[type].size()) << type;
    for (auto& [name, languages] : names)
      for (auto& [language, bytes] : languages)
        EXPECT_TRUE(bytes == theirs[type][name][language]) << type << " " << name << " language " << language;
  }
}

// Expands an SZDD resource of the deliverable with the system's LZ
// functions, as the version installer does.
bool ExpandedResource(HMODULE module, WORD id, Bytes& expanded) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "FILE");
  if (!found) return false;
  const void* bytes = LockResource(LoadResource(module, found));
  std::string packed = WinePath(EXPAND_DIR) + "\\resource.dl_";
  std::string unpacked = WinePath(EXPAND_DIR) + "\\resource.dll";
  CreateDirectoryA(WinePath(EXPAND_DIR).c_str(), nullptr);
  if (!bytes || !WriteFileBytes(packed, bytes, SizeofResource(module, found))) return false;
  OFSTRUCT sourceInfo = {}, targetInfo = {};
  INT source = LZOpenFileA(const_cast<char*>(packed.c_str()), &sourceInfo, OF_READ);
  INT target = LZOpenFileA(const_cast<char*>(unpacked.c_str()), &targetInfo, OF_CREATE);
  LONG copied = source >= 0 && target >= 0 ? LZCopy(source, target) : -1;
  if (source >= 0) LZClose(source);
  if (target >= 0) LZClose(target);
  bool ok = copied > 0 && ReadFileBytes(unpacked, expanded);
  DeleteFileA(packed.c_str());
  DeleteFileA(unpacked.c_str());
  return ok;
}

// What 64-bit Windows needs of the setup: a library for 32-bit programs
// and one for Explorer, each a DLL of its machine type with the four
// entries, exactly the libraries the build made.
TEST(Deliverable, CarriesOneLibraryOfEachMachineType) {
  HMODULE deliverable = LoadLibraryExA(DeliverablePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(deliverable, nullptr);
  const struct {
    WORD id;
    WORD machine;
    const char* built;
  } libraries[] = {{IDR_PRODUCT_LIBRARY, IMAGE_FILE_MACHINE_I386, LIBRARY32},
                   {IDR_OTHER_LIBRARY, IMAGE_FILE_MACHINE_AMD64, LIBRARY64}};
  for (const auto& library : libraries) {
    SCOPED_TRACE(library.id);
    Bytes expanded, built;
    ASSERT_TRUE(ExpandedResource(deliverable, library.id, expanded));
    ASSERT_TRUE(ReadFileBytes(WinePath(library.built), built));
    EXPECT_TRUE(expanded == built);
    PeTables tables;
    ASSERT_TRUE(ReadPeTables(expanded, tables));
    EXPECT_EQ(tables.machine, library.machine);
    EXPECT_TRUE(tables.characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(tables.exports, kLibraryExports);
  }
  FreeLibrary(deliverable);
}

TEST(Deliverable, LicenceIsSingleByteTextWithCrLfOf3363Bytes) {
  HMODULE deliverable = LoadLibraryExA(DeliverablePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(deliverable, nullptr);
  HRSRC found = FindResourceA(deliverable, MAKEINTRESOURCEA(IDR_LICENCE), "FILE");
  ASSERT_NE(found, nullptr);
  DWORD size = SizeofResource(deliverable, found);
  const unsigned char* text = static_cast<const unsigned char*>(LockResource(LoadResource(deliverable, found)));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(size, 3363u);
  for (DWORD i = 0; i < size; ++i) {
    EXPECT_NE(text[i], 0) << "zero byte at " << i;
    if (text[i] == '\n') EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare line feed at " << i;
    if (text[i] == '\r') EXPECT_TRUE(i + 1 < size && text[i + 1] == '\n') << "bare carriage return at " << i;
  }
  FreeLibrary(deliverable);
}

TEST(Deliverable, VersionIs1100) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(DeliverablePath().c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(DeliverablePath().c_str(), 0, size, info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
}

}  // namespace

namespace {

// The manifest as the platform reads it: an activation context made from
// resource 1 of type RT_MANIFEST, asked for its run level and the Windows
// versions it names.
void ExpectAdministratorManifest(const std::string& program) {
  SCOPED_TRACE(program);
  ACTCTXA request = {};
  request.cbSize = sizeof request;
  request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
  request.lpSource = program.c_str();
  request.lpResourceName = MAKEINTRESOURCEA(1);
  HANDLE context = CreateActCtxA(&request);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();

  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION runLevel = {};
  SIZE_T size = 0;
  ASSERT_TRUE(QueryActCtxW(0, context, nullptr, RunlevelInformationInActivationContext, &runLevel, sizeof runLevel,
                           &size));
  EXPECT_EQ(runLevel.RunLevel, ACTCTX_RUN_LEVEL_REQUIRE_ADMIN);
  EXPECT_FALSE(runLevel.UiAccess);

  union {
    ACTIVATION_CONTEXT_COMPATIBILITY_INFORMATION info;
    BYTE room[1024];
  } compatibility = {};
  ASSERT_TRUE(QueryActCtxW(0, context, nullptr, CompatibilityInformationInActivationContext, &compatibility,
                           sizeof compatibility, &size));
  // The element record differs between SDKs (newer ones add a tested
  // version): look for the identifier in what came back.
  const GUID windows10 = {0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}};
  EXPECT_EQ(compatibility.info.ElementCount, 1u);
  ASSERT_LE(size, sizeof compatibility);
  bool named = false;
  for (SIZE_T at = sizeof(DWORD); at + sizeof(GUID) <= size; ++at)
    if (memcmp(compatibility.room + at, &windows10, sizeof windows10) == 0) named = true;
  EXPECT_TRUE(named);
  ReleaseActCtx(context);
}

TEST(Deliverable, AsksForAdministratorRightsAndNamesWindows10InBothBuilds) {
  ExpectAdministratorManifest(DeliverablePath());
  ExpectAdministratorManifest(SetupPath());
}

// Per-monitor awareness (v2) where Windows knows it, system awareness
// before that. Wine treats every program as aware, so the declaration is
// read where Windows reads it: in the manifest, in its two namespaces.
TEST(Deliverable, DeclaresPerMonitorDpiAwarenessWithSystemAwarenessBeforeIt) {
  for (const std::string& program : {DeliverablePath(), SetupPath()}) {
    SCOPED_TRACE(program);
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_NE(found, nullptr);
    std::string manifest(static_cast<const char*>(LockResource(LoadResource(module, found))),
                         SizeofResource(module, found));
    FreeLibrary(module);
    size_t settings = manifest.find("<application xmlns=\"urn:schemas-microsoft-com:asm.v3\"><windowsSettings>");
    ASSERT_NE(settings, std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
                            settings),
              std::string::npos);
    EXPECT_NE(manifest.find("<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
                            "PerMonitorV2, System</dpiAwareness>",
                            settings),
              std::string::npos);
  }
}

}  // namespace

namespace {

// Cursor 130 as the platform loads it: a 32x32 monochrome cursor (no
// colour bitmap, a mask twice as high), hot spot at the fingertip.
TEST(Deliverable, CarriesTheHandCursorWithItsHotSpotAtTheFingertip) {
  for (const std::string& program : {DeliverablePath(), SetupPath()}) {
    SCOPED_TRACE(program);
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HCURSOR cursor = static_cast<HCURSOR>(LoadImageA(module, MAKEINTRESOURCEA(130), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 6u);
    EXPECT_EQ(info.yHotspot, 0u);
    EXPECT_EQ(info.hbmColor, nullptr) << "monochrome";
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyCursor(cursor);
    FreeLibrary(module);
  }
}

}  // namespace

namespace {

// The library the setup installs, in both builds: a DLL that exports its
// three entries and nothing else (zlib and the C++ runtime are linked in)
// and imports Windows DLLs only.
TEST(Deliverable, TheProductLibraryExportsItsEntriesAndImportsWindowsDllsOnly) {
  const std::pair<const char*, WORD> builds[] = {{LIBRARY32, IMAGE_FILE_MACHINE_I386},
                                                 {LIBRARY64, IMAGE_FILE_MACHINE_AMD64}};
  for (const auto& build : builds) {
    SCOPED_TRACE(build.first);
    Bytes file;
    ASSERT_TRUE(ReadFileBytes(WinePath(build.first), file));
    PeTables tables;
    ASSERT_TRUE(ReadPeTables(file, tables));
    EXPECT_EQ(tables.machine, build.second);
    EXPECT_TRUE(tables.characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(tables.exports, kLibraryExports);
    const std::set<std::string> windows = {"kernel32.dll", "user32.dll", "gdi32.dll",  "advapi32.dll",
                                           "shell32.dll",  "ole32.dll",  "msvcrt.dll", "comctl32.dll",
                                           "crypt32.dll"};
    EXPECT_FALSE(tables.imports.empty());
    for (const std::string& name : tables.imports) EXPECT_TRUE(windows.count(name)) << "imports " << name;

    // The menu's icon is drawn at the small icon's size of every scale
    // from 100% to 300%, never stretched: the platform's choice for each
    // size is an image of exactly that size.
    HMODULE module = LoadLibraryExA(WinePath(build.first).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(module, group)));
    for (int size : {16, 20, 24, 32, 40, 48}) {
      int id = LookupIconIdFromDirectoryEx(directory, TRUE, size, size, LR_DEFAULTCOLOR);
      HRSRC image = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(3) /* RT_ICON */);
      ASSERT_NE(image, nullptr) << size;
      auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(module, image)));
      EXPECT_EQ(header->biWidth, size);
      EXPECT_EQ(header->biHeight, 2 * size) << "with its mask";
    }
    FreeLibrary(module);
  }
}

}  // namespace
