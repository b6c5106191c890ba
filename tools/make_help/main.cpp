// make_help SOURCE OUTPUT: compiles the help source into a Windows Help
// file.
#include <cstdio>
#include <string>
#include <vector>

#include "help_source.h"
#include "hlp_writer.h"
#include "tool_files.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_help SOURCE OUTPUT\n");
    return 2;
  }
  std::vector<uint8_t> input;
  if (!ReadWholeFile(argv[1], input)) {
    std::perror(argv[1]);
    return 1;
  }
  std::string text(input.begin(), input.end());

  HelpSource source;
  std::vector<uint8_t> file;
  std::string error;
  if (!ParseHelpSource(text, source, error) || !WriteHelpFile(source, file, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  return WriteOutputFile(argv[2], file) ? 0 : 1;
}
