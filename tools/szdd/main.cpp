// szdd INPUT OUTPUT: writes INPUT in SZDD form to OUTPUT. The header keeps
// the last character of INPUT's file name, as the expander expects.
#include <cstdio>
#include <cstring>
#include <vector>

#include "szdd_codec.h"

static int ReadWholeFile(const char* path, std::vector<uint8_t>& data) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return 0;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
  int ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

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
  FILE* file = std::fopen(argv[2], "wb");
  if (!file) {
    std::perror(argv[2]);
    return 1;
  }
  int ok = std::fwrite(output.data(), 1, output.size(), file) == output.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) {
    std::perror(argv[2]);
    std::remove(argv[2]);
    return 1;
  }
  return 0;
}
