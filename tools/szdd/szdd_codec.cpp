#include "szdd_codec.h"

#include <cstring>

namespace {

// The expander's ring buffer: 4 KiB, filled with spaces, and the first
// byte it produces lands at 0xFF0 (16 bytes before the end). Back
// references carry absolute ring positions, so the encoder must count
// from the same place.
constexpr unsigned kRingSize = 4096;
constexpr unsigned kRingStart = 0xFF0;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 18;
// One less than the ring: a match never reads a slot the same item writes.
constexpr size_t kMaxDistance = kRingSize - 1;
constexpr unsigned kHashSize = 1u << 14;
constexpr unsigned kMaxChain = 256;

const uint8_t kMagic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};

unsigned Hash3(const uint8_t* p) {
  return ((p[0] << 6) ^ (p[1] << 3) ^ p[2]) & (kHashSize - 1);
}

void PutLittleEndian32(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

void SzddCompress(const uint8_t* input, size_t size, char lastChar, std::vector<uint8_t>& output) {
  output.insert(output.end(), kMagic, kMagic + sizeof kMagic);
  output.push_back('A');
  output.push_back(static_cast<uint8_t>(lastChar));
  PutLittleEndian32(output, static_cast<uint32_t>(size));

  // Hash chains over three-byte prefixes: head[h] is the latest position
  // with hash h, previous[i] the one before position i.
  std::vector<int64_t> head(kHashSize, -1);
  std::vector<int64_t> previous(size, -1);

  size_t flagIndex = 0;
  unsigned itemsInGroup = 8;
  size_t pos = 0;
  auto insert = [&](size_t at) {
    if (at + kMinMatch > size) return;
    unsigned h = Hash3(input + at);
    previous[at] = head[h];
    head[h] = static_cast<int64_t>(at);
  };

  while (pos < size) {
    if (itemsInGroup == 8) {
      flagIndex = output.size();
      output.push_back(0);
      itemsInGroup = 0;
    }
    size_t bestLength = 0;
    size_t bestSource = 0;
    if (pos + kMinMatch <= size) {
      size_t limit = size - pos < kMaxMatch ? size - pos : kMaxMatch;
      unsigned chain = 0;
      for (int64_t cand = head[Hash3(input + pos)]; cand >= 0 && chain < kMaxChain;
           cand = previous[cand], ++chain) {
        size_t source = static_cast<size_t>(cand);
        if (pos - source > kMaxDistance) break;
        size_t length = 0;
        while (length < limit && input[source + length] == input[pos + length]) ++length;
        if (length > bestLength) {
          bestLength = length;
          bestSource = source;
          if (length == limit) break;
        }
      }
    }
    if (bestLength >= kMinMatch) {
      unsigned ringPos = static_cast<unsigned>((kRingStart + bestSource) % kRingSize);
      output.push_back(static_cast<uint8_t>(ringPos & 0xFF));
      output.push_back(static_cast<uint8_t>(((ringPos >> 4) & 0xF0) | (bestLength - kMinMatch)));
      for (size_t i = 0; i < bestLength; ++i) insert(pos + i);
      pos += bestLength;
    } else {
      output[flagIndex] |= static_cast<uint8_t>(1u << itemsInGroup);
      output.push_back(input[pos]);
      insert(pos);
      ++pos;
    }
    ++itemsInGroup;
  }
}
