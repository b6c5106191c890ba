// make_help SOURCE OUTPUT: compiles the help source into a Windows Help
// file.
#include <cstdio>
#include <string>
#include <vector>

#include "help_source.h"
#include "hlp_writer.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_help SOURCE OUTPUT\n");
    return 2;
  }
  FILE* in = std::fopen(argv[1], "rb");
  if (!in) {
    std::perror(argv[1]);
    return 1;
  }
  std::string text;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, in)) > 0) text.append(chunk, got);
  std::fclose(in);

  HelpSource source;
  std::vector<uint8_t> file;
  std::string error;
  if (!ParseHelpSource(text, source, error) || !WriteHelpFile(source, file, error)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
    return 1;
  }
  FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  ok = std::fclose(out) == 0 && ok;
  if (!ok) {
    std::perror(argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
