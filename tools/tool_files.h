// What every build-time tool does with its files: little-endian numbers
// into a byte buffer, a whole input read, the output written whole or not
// at all (a half-written file would pass for a build product).
#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

inline void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}
inline void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

inline bool ReadWholeFile(const char* path, std::vector<uint8_t>& data) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) data.insert(data.end(), chunk, chunk + got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

// Reports a failure on standard error and removes what was written.
inline bool WriteOutputFile(const char* path, const std::vector<uint8_t>& data) {
  FILE* file = std::fopen(path, "wb");
  if (!file) {
    std::perror(path);
    return false;
  }
  bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  ok = std::fclose(file) == 0 && ok;
  if (!ok) {
    std::perror(path);
    std::remove(path);
  }
  return ok;
}
