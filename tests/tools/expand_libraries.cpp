// expand_libraries SETUP.EXE FOLDER: expands the product libraries a setup
// carries (resources 112 and 113 of type "FILE", SZDD) with the system's
// LZ functions, as the version installer does, into FOLDER as
// resource-112.dll and resource-113.dll, and prints each one's resource id
// and PE machine type in hexadecimal. Exits 1 when one is missing.
#include <windows.h>
#include <lzexpand.h>
#include <stdio.h>

#include <string>

#include "resource_ids.h"

namespace {

WORD MachineOf(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  IMAGE_DOS_HEADER dos = {};
  IMAGE_FILE_HEADER header = {};
  DWORD got = 0, signature = 0;
  bool ok = ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos &&
            SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
            ReadFile(file, &signature, 4, &got, nullptr) && signature == IMAGE_NT_SIGNATURE &&
            ReadFile(file, &header, sizeof header, &got, nullptr) && got == sizeof header;
  CloseHandle(file);
  return ok ? header.Machine : 0;
}

bool Expand(HMODULE setup, WORD id, const std::string& folder) {
  HRSRC found = FindResourceA(setup, MAKEINTRESOURCEA(id), "FILE");
  const void* bytes = found ? LockResource(LoadResource(setup, found)) : nullptr;
  if (!bytes) return false;
  std::string packed = folder + "\\resource-" + std::to_string(id) + ".dl_";
  std::string unpacked = folder + "\\resource-" + std::to_string(id) + ".dll";
  HANDLE file = CreateFileA(packed.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD size = SizeofResource(setup, found), written = 0;
  bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, bytes, size, &written, nullptr) && written == size;
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  OFSTRUCT sourceInfo = {}, targetInfo = {};
  INT source = ok ? LZOpenFileA(const_cast<char*>(packed.c_str()), &sourceInfo, OF_READ) : -1;
  INT target = ok ? LZOpenFileA(const_cast<char*>(unpacked.c_str()), &targetInfo, OF_CREATE) : -1;
  ok = source >= 0 && target >= 0 && LZCopy(source, target) > 0;
  if (source >= 0) LZClose(source);
  if (target >= 0) LZClose(target);
  DeleteFileA(packed.c_str());
  printf("%u %x\n", id, ok ? MachineOf(unpacked) : 0);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HMODULE setup = LoadLibraryExA(argv[1], nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!setup) return 1;
  bool ok = Expand(setup, IDR_PRODUCT_LIBRARY, argv[2]);
  ok = Expand(setup, IDR_OTHER_LIBRARY, argv[2]) && ok;
  FreeLibrary(setup);
  return ok ? 0 : 1;
}
