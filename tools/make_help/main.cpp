// make_help SOURCE OUTPUT: compiles the help source into a Windows Help
// file. make_help --html SOURCE CONTENTS DIRECTORY: writes it as an HTML
// Help project (pages, contents after the WinHelp contents file, index,
// context map) for the CHM compiler. make_help --settle-chm FILE: sets
// the two times the compiler writes into a CHM to zero, so that a build is reproducible.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "chm_project.h"
#include "help_source.h"
#include "hlp_writer.h"
#include "tool_files.h"

namespace {

// The ITSF header's time (bytes 16 to 19) and the time entry (code 10)
// that opens the #SYSTEM object, which the compiler stores uncompressed.
int SettleChm(const char* path) {
  std::vector<uint8_t> chm;
  const std::string system("\x03\x00\x00\x00\x0a\x00\x04\x00", 8);
  if (!ReadWholeFile(path, chm) || chm.size() < 20 || std::string(chm.begin(), chm.begin() + 4) != "ITSF") {
    std::fprintf(stderr, "%s: not a CHM file\n", path);
    return 1;
  }
  size_t at = std::string(chm.begin(), chm.end()).find(system);
  if (at == std::string::npos || at + 12 > chm.size()) {
    std::fprintf(stderr, "%s: no #SYSTEM time\n", path);
    return 1;
  }
  std::fill(chm.begin() + 16, chm.begin() + 20, 0);
  std::fill(chm.begin() + at + 8, chm.begin() + at + 12, 0);
  return WriteOutputFile(path, chm) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--settle-chm") return SettleChm(argv[2]);
  const bool html = argc == 5 && std::string(argv[1]) == "--html";
  if (argc != 3 && !html) {
    std::fprintf(stderr, "usage: make_help SOURCE OUTPUT | make_help --html SOURCE CONTENTS DIRECTORY\n");
    return 2;
  }
  if (html) ++argv;
  std::vector<uint8_t> input;
  if (!ReadWholeFile(argv[1], input)) {
    std::perror(argv[1]);
    return 1;
  }
  std::string text(input.begin(), input.end());

  HelpSource source;
  std::vector<uint8_t> file;
  std::string error;
  if (html) {
    std::vector<uint8_t> contents;
    if (!ReadWholeFile(argv[2], contents)) {
      std::perror(argv[2]);
      return 1;
    }
    if (!ParseHelpSource(text, source, error) ||
        !WriteChmProject(source, std::string(contents.begin(), contents.end()), argv[3], error)) {
      std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
      return 1;
    }
    return 0;
  }
  if (!ParseHelpSource(text, source, error) || !WriteHelpFile(source, file, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return WriteOutputFile(argv[2], file) ? 0 : 1;
}
