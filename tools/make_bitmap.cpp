// make_bitmap side OUT.bmp
//   draws the setup's side picture: 96 x 222, 8 bits per pixel, a full
//   256-colour table, a night-blue to teal gradient with the product's
//   motif (an envelope bound by an archive strap) and a soft wave below.
// make_bitmap test BPP COLOURS WIDTH HEIGHT OUT.bmp
//   writes a bitmap with a known pattern for the picture control's tests:
//   palette indices (x + 3y) mod n for 4 and 8 bits; for 24 bits the colour
//   (8x, 4y, 2(x+y)) after COLOURS table entries of magenta.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tool_files.h"

namespace {

struct Rgb { uint8_t r, g, b; };


// A BMP file: file header, 40-byte info header, colour table, bottom-up rows.
std::vector<uint8_t> Encode(int width, int height, int bpp, unsigned clrUsed, const std::vector<Rgb>& table,
                            const std::vector<uint32_t>& pixels /* top-down: index or 0xRRGGBB */) {
  int stride = ((width * bpp + 31) / 32) * 4;
  std::vector<uint8_t> bits;
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < width; ++x) {
      uint32_t p = pixels[y * width + x];
      if (bpp == 8) row[x] = static_cast<uint8_t>(p);
      else if (bpp == 4) row[x / 2] |= static_cast<uint8_t>(x % 2 ? p & 0xF : (p & 0xF) << 4);
      else { row[3 * x] = p & 0xFF; row[3 * x + 1] = (p >> 8) & 0xFF; row[3 * x + 2] = (p >> 16) & 0xFF; }
    }
    bits.insert(bits.end(), row.begin(), row.end());
  }
  std::vector<uint8_t> out;
  unsigned offBits = 14 + 40 + 4 * static_cast<unsigned>(table.size());
  Put16(out, 0x4D42); Put32(out, offBits + static_cast<unsigned>(bits.size())); Put32(out, 0); Put32(out, offBits);
  Put32(out, 40); Put32(out, width); Put32(out, height); Put16(out, 1); Put16(out, bpp);
  Put32(out, 0); Put32(out, static_cast<unsigned>(bits.size())); Put32(out, 2835); Put32(out, 2835);
  Put32(out, clrUsed); Put32(out, 0);
  for (const Rgb& c : table) { out.push_back(c.b); out.push_back(c.g); out.push_back(c.r); out.push_back(0); }
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}

std::vector<uint8_t> SidePicture() {
  const int w = 96, h = 222;
  // 0..223: the gradient, top to bottom; 224..255: the motif's colours.
  std::vector<Rgb> table(256);
  for (int i = 0; i < 224; ++i) {
    double t = i / 223.0;
    table[i] = {static_cast<uint8_t>(12 + 20 * t), static_cast<uint8_t>(28 + 120 * t), static_cast<uint8_t>(88 + 92 * t)};
  }
  enum { kWhite = 224, kPaper = 225, kFold = 226, kStrap = 227, kStrapDark = 228, kClasp = 229, kClaspDark = 230,
         kWave = 231, kWaveLight = 232, kOutline = 233 };
  table[kWhite] = {255, 255, 255};
  table[kPaper] = {236, 240, 246};
  table[kFold] = {176, 190, 210};
  table[kStrap] = {222, 72, 48};
  table[kStrapDark] = {160, 44, 30};
  table[kClasp] = {250, 204, 64};
  table[kClaspDark] = {186, 140, 24};
  table[kWave] = {70, 170, 200};
  table[kWaveLight] = {120, 200, 222};
  table[kOutline] = {20, 36, 70};
  for (int i = 234; i < 256; ++i) table[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};

  std::vector<uint32_t> px(w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      // Gradient with a faint diagonal sheen.
      int shade = y + ((x + y) % 24 < 2 ? 6 : 0);
      px[y * w + x] = static_cast<uint32_t>(shade > 223 ? 223 : shade);
    }
  auto set = [&](int x, int y, uint32_t c) { if (x >= 0 && y >= 0 && x < w && y < h) px[y * w + x] = c; };
  // The envelope.
  int left = 14, right = 81, top = 46, bottom = 94;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x)
      set(x, y, (y == top || y == bottom || x == left || x == right) ? kOutline : kPaper);
  int apexX = (left + right) / 2, apexY = top + 30;
  for (int x = left; x <= right; ++x) {
    int y = top + (apexY - top) * (x <= apexX ? x - left : right - x) / (apexX - left);
    set(x, y, kFold);
    set(x, y + 1, kFold);
  }
  // The archive strap across it, with a clasp.
  for (int y = top - 8; y <= bottom + 8; ++y)
    for (int x = apexX - 5; x <= apexX + 5; ++x) set(x, y, (x == apexX - 5 || x == apexX + 5) ? kStrapDark : kStrap);
  for (int y = apexY - 8; y <= apexY + 6; ++y)
    for (int x = apexX - 9; x <= apexX + 9; ++x)
      set(x, y, (y == apexY - 8 || y == apexY + 6 || x == apexX - 9 || x == apexX + 9) ? kClaspDark : kClasp);
  // Two waves along the bottom.
  for (int x = 0; x < w; ++x) {
    int crest = 176 + static_cast<int>(7 * std::sin(x / 10.0));
    for (int y = crest; y < h; ++y) set(x, y, y < crest + 2 ? kWaveLight : kWave);
    int second = 198 + static_cast<int>(5 * std::sin(x / 7.0 + 1.5));
    for (int y = second; y < h; ++y) set(x, y, y < second + 2 ? kWhite : kWaveLight);
  }
  return Encode(w, h, 8, 0, table, px);
}

std::vector<uint8_t> TestPattern(int bpp, unsigned colours, int w, int h) {
  std::vector<Rgb> table;
  std::vector<uint32_t> px(w * h);
  if (bpp <= 8) {
    unsigned n = colours ? colours : 1u << bpp;
    for (unsigned i = 0; i < n; ++i)
      table.push_back({static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i * 11), static_cast<uint8_t>(i * 91)});
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) px[y * w + x] = static_cast<uint32_t>((x + 3 * y) % n);
  } else {
    table.assign(colours, Rgb{255, 0, 255});
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        px[y * w + x] = ((8u * x) & 0xFF) << 16 | ((4u * y) & 0xFF) << 8 | ((2u * (x + y)) & 0xFF);
  }
  return Encode(w, h, bpp, colours, table, px);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint8_t> file;
  const char* out = nullptr;
  if (argc == 3 && std::strcmp(argv[1], "side") == 0) {
    file = SidePicture();
    out = argv[2];
  } else if (argc == 7 && std::strcmp(argv[1], "test") == 0) {
    file = TestPattern(std::atoi(argv[2]), static_cast<unsigned>(std::atoi(argv[3])), std::atoi(argv[4]),
                       std::atoi(argv[5]));
    out = argv[6];
  } else {
    std::fprintf(stderr, "usage: make_bitmap side OUT | make_bitmap test BPP COLOURS WIDTH HEIGHT OUT\n");
    return 2;
  }
  return WriteOutputFile(out, file) ? 0 : 1;
}
