// make_icon OUTPUT.ico [SIZE...]: draws the program icon, a sealed envelope
// with the product's archive band across it, in the 16-colour palette at
// each size given (32x32 and 16x16 when none is), and writes the images
// into one icon file in that order.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tool_files.h"

namespace {

// The standard 16-colour palette, as RGBQUAD (blue, green, red, 0).
const uint8_t kPalette[16][4] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0}};
enum Colour { kBlack = 0, kNavy = 4, kGrey = 8, kSilver = 7, kYellow = 11, kBlue = 12, kWhite = 15, kNone = -1 };

struct Image {
  int size;
  std::vector<int> pixels;  // top-down, kNone where transparent
  Image(int s) : size(s), pixels(s * s, kNone) {}
  void Set(int x, int y, int colour) {
    if (x >= 0 && y >= 0 && x < size && y < size) pixels[y * size + x] = colour;
  }
};

// Envelope body with outline, the flap's two diagonals, and a band across.
Image Draw(int size) {
  Image image(size);
  int left = 0, right = size - 1;
  int top = size * 6 / 32, bottom = size * 26 / 32;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) {
      bool edge = y == top || y == bottom || x == left || x == right;
      image.Set(x, y, edge ? kNavy : kWhite);
    }
  // The flap: two lines from the top corners meeting below the middle.
  int apexY = top + (bottom - top) * 5 / 8;
  int halfWidth = (right - left) / 2;
  for (int i = 0; i <= halfWidth; ++i) {
    int y = top + (apexY - top) * i / halfWidth;
    image.Set(left + i, y, kGrey);
    image.Set(right - i, y, kGrey);
  }
  // The archive band: a vertical blue strap with a yellow clasp.
  int bandLeft = size * 13 / 32, bandRight = size * 18 / 32;
  for (int y = 0; y < size; ++y)
    for (int x = bandLeft; x <= bandRight; ++x) {
      bool edge = x == bandLeft || x == bandRight;
      image.Set(x, y, edge ? kNavy : kBlue);
    }
  int claspTop = apexY - size / 8, claspBottom = apexY + size / 16;
  for (int y = claspTop; y <= claspBottom; ++y)
    for (int x = bandLeft - size / 16; x <= bandRight + size / 16; ++x) {
      bool edge = y == claspTop || y == claspBottom || x == bandLeft - size / 16 || x == bandRight + size / 16;
      image.Set(x, y, edge ? kBlack : kYellow);
    }
  // A shadow along the right and bottom edges gives it some depth.
  for (int y = top + 1; y <= bottom; ++y) image.Set(right - 1, y, image.pixels[y * size + right - 1] == kWhite ? kSilver : image.pixels[y * size + right - 1]);
  for (int x = left + 1; x < right; ++x) image.Set(x, bottom - 1, image.pixels[(bottom - 1) * size + x] == kWhite ? kSilver : image.pixels[(bottom - 1) * size + x]);
  return image;
}


// One icon image: BITMAPINFOHEADER (double height for the mask), palette,
// 4-bit colour rows bottom-up, then the 1-bit transparency mask.
std::vector<uint8_t> Encode(const Image& image) {
  std::vector<uint8_t> out;
  int n = image.size;
  int colourStride = ((n * 4 + 31) / 32) * 4;
  int maskStride = ((n + 31) / 32) * 4;
  Put32(out, 40); Put32(out, n); Put32(out, 2 * n); Put16(out, 1); Put16(out, 4);
  Put32(out, 0); Put32(out, (colourStride + maskStride) * n); Put32(out, 0); Put32(out, 0);
  Put32(out, 16); Put32(out, 0);
  for (const auto& entry : kPalette) out.insert(out.end(), entry, entry + 4);
  for (int y = n - 1; y >= 0; --y) {
    std::vector<uint8_t> row(colourStride, 0);
    for (int x = 0; x < n; ++x) {
      int c = image.pixels[y * n + x];
      if (c < 0) c = 0;
      row[x / 2] |= static_cast<uint8_t>(x % 2 ? c : c << 4);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = n - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskStride, 0);
    for (int x = 0; x < n; ++x)
      if (image.pixels[y * n + x] < 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_icon OUTPUT.ico [SIZE...]\n");
    return 2;
  }
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) {
    int size = std::atoi(argv[i]);
    if (size < 8 || size > 255) {
      std::fprintf(stderr, "make_icon: a size from 8 to 255, not %s\n", argv[i]);
      return 2;
    }
    sizes.push_back(size);
  }
  if (sizes.empty()) sizes = {32, 16};
  std::vector<std::vector<uint8_t>> images;
  for (int size : sizes) images.push_back(Encode(Draw(size)));
  std::vector<uint8_t> file;
  Put16(file, 0); Put16(file, 1); Put16(file, static_cast<uint16_t>(sizes.size()));
  unsigned offset = 6 + 16 * static_cast<unsigned>(sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(static_cast<uint8_t>(sizes[i]));
    file.push_back(16); file.push_back(0);
    Put16(file, 1); Put16(file, 4);
    Put32(file, static_cast<unsigned>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<unsigned>(images[i].size());
  }
  for (auto& image : images) file.insert(file.end(), image.begin(), image.end());
  return WriteOutputFile(argv[1], file) ? 0 : 1;
}
