// make_cursor OUTPUT.cur: draws the link cursor, a 32x32 monochrome hand
// pointing up with its index finger, hot spot at the fingertip (6, 0), and
// writes it as a cursor file.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "tool_files.h"

namespace {

constexpr int kSize = 32;
constexpr int kHotX = 6, kHotY = 0;

// X outline (black), . fill (white), blank: transparent.
const char* const kHand[] = {
    "     XX",
    "    X..X",
    "    X..X",
    "    X..X",
    "    X..X",
    "    X..XXX",
    "    X..X..XXX",
    "    X..X..X..XX",
    "    X..X..X..X.X",
    "XX  X..X..X..X..X",
    "X..XX........X..X",
    "X...X...........X",
    " X..X...........X",
    "  X.X...........X",
    "  X.............X",
    "   X............X",
    "   X...........X",
    "    X..........X",
    "    X.........X",
    "     X........X",
    "     X........X",
    "     XXXXXXXXXX",
};

char PixelAt(int x, int y) {
  if (y >= static_cast<int>(sizeof kHand / sizeof kHand[0])) return ' ';
  for (int i = 0; i <= x; ++i)
    if (!kHand[y][i]) return ' ';
  return kHand[y][x];
}

// The image: BITMAPINFOHEADER (double height: colour mask, then the AND
// mask), a black and white palette, both masks 1 bit, rows bottom-up. White
// is colour bit 1 under an AND bit 0; transparent is AND 1 with colour 0.
std::vector<uint8_t> Image() {
  std::vector<uint8_t> out;
  const int stride = kSize / 8;
  Put32(out, 40); Put32(out, kSize); Put32(out, 2 * kSize); Put16(out, 1); Put16(out, 1);
  Put32(out, 0); Put32(out, 2 * stride * kSize); Put32(out, 0); Put32(out, 0); Put32(out, 2); Put32(out, 0);
  const uint8_t palette[8] = {0, 0, 0, 0, 255, 255, 255, 0};
  out.insert(out.end(), palette, palette + 8);
  for (int pass = 0; pass < 2; ++pass)
    for (int y = kSize - 1; y >= 0; --y)
      for (int byte = 0; byte < stride; ++byte) {
        uint8_t bits = 0;
        for (int bit = 0; bit < 8; ++bit) {
          char p = PixelAt(byte * 8 + bit, y);
          bool set = pass == 0 ? p == '.' : p == ' ';
          if (set) bits |= static_cast<uint8_t>(0x80 >> bit);
        }
        out.push_back(bits);
      }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_cursor OUTPUT.cur\n");
    return 2;
  }
  std::vector<uint8_t> image = Image();
  std::vector<uint8_t> file;
  Put16(file, 0); Put16(file, 2); Put16(file, 1);  // a cursor file with one image
  file.push_back(kSize); file.push_back(kSize); file.push_back(0); file.push_back(0);
  Put16(file, kHotX); Put16(file, kHotY);
  Put32(file, static_cast<unsigned>(image.size()));
  Put32(file, 6 + 16);
  file.insert(file.end(), image.begin(), image.end());
  return WriteOutputFile(argv[1], file) ? 0 : 1;
}
