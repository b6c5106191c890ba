// szdd INPUT OUTPUT: writes INPUT in SZDD form to OUTPUT. The header keeps
// the last character of INPUT's file name, as the expander expects.
#include <cstdio>
#include <cstring>
#include <vector>

#include "szdd_codec.h"
#include "tool_files.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: szdd INPUT OUTPUT\n");
    return 2;
  }
  std::vector<uint8_t> input;
  if (!ReadWholeFile(argv[1], input)) {
    std::perror(argv[1]);
    return 1;
  }
  size_t nameLength = std::strlen(argv[1]);
  char lastChar = argv[1][nameLength - 1];
  std::vector<uint8_t> output;
  SzddCompress(input.data(), input.size(), lastChar, output);
  return WriteOutputFile(argv[2], output) ? 0 : 1;
}
