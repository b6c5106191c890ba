// The build's SZDD compressor, proven against the platform's own expanders:
// LZCopy and VerInstallFileA must restore every input byte for byte.
#include <gtest/gtest.h>

#include <windows.h>
#include <lzexpand.h>
#include <winver.h>

#include <random>
#include <string>
#include <vector>

#include "harness/harness.h"
#include "szdd/szdd_codec.h"

namespace {

using Bytes = std::vector<unsigned char>;

class SzddRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    dir_ = std::string(temp) + "szdd-test\\";
    CreateDirectoryA(dir_.c_str(), nullptr);
  }
  void TearDown() override {
    for (const char* name : {"sample.bi_", "expanded.bin", "sample.bin"}) DeleteFileA((dir_ + name).c_str());
    RemoveDirectoryA(dir_.c_str());
  }

  Bytes Compress(const Bytes& input) {
    std::vector<uint8_t> output;
    SzddCompress(input.data(), input.size(), 'n', output);
    return Bytes(output.begin(), output.end());
  }

  Bytes ExpandWithLzCopy(const Bytes& compressed) {
    std::string source = dir_ + "sample.bi_", target = dir_ + "expanded.bin";
    EXPECT_TRUE(WriteFileBytes(source, compressed.data(), compressed.size()));
    OFSTRUCT sourceOf = {}, targetOf = {};
    INT from = LZOpenFileA(const_cast<char*>(source.c_str()), &sourceOf, OF_READ);
    INT to = LZOpenFileA(const_cast<char*>(target.c_str()), &targetOf, OF_CREATE);
    EXPECT_GE(from, 0);
    EXPECT_GE(to, 0);
    LONG copied = LZCopy(from, to);
    LZClose(from);
    LZClose(to);
    EXPECT_GE(copied, 0) << "LZCopy error";
    Bytes expanded;
    ReadFileBytes(target, expanded);
    return expanded;
  }

  Bytes ExpandWithVerInstallFile(const Bytes& compressed) {
    std::string target = dir_ + "sample.bin";
    DeleteFileA(target.c_str());
    EXPECT_TRUE(WriteFileBytes(dir_ + "sample.bi_", compressed.data(), compressed.size()));
    char tempName[520] = "";
    UINT tempLength = sizeof tempName;
    std::vector<char> dir(dir_.begin(), dir_.end());
    dir.push_back('\0');
    char sourceName[] = "sample.bi_", targetName[] = "sample.bin";
    DWORD result = VerInstallFileA(VIFF_FORCEINSTALL, sourceName, targetName, dir.data(), dir.data(), dir.data(),
                                   tempName, &tempLength);
    EXPECT_EQ(result, 0u) << "VerInstallFileA result";
    Bytes expanded;
    ReadFileBytes(target, expanded);
    return expanded;
  }

  void ExpectRoundTrip(const Bytes& input, const char* what) {
    Bytes compressed = Compress(input);
    EXPECT_TRUE(ExpandWithLzCopy(compressed) == input) << what << " (LZCopy), " << input.size() << " bytes";
    EXPECT_TRUE(ExpandWithVerInstallFile(compressed) == input) << what << " (VerInstallFileA)";
  }

  std::string dir_;
};

TEST(SzddHeader, CarriesMagicModeLastCharacterAndSize) {
  Bytes input(70000, 'q');
  std::vector<uint8_t> output;
  SzddCompress(input.data(), input.size(), 'l', output);
  const uint8_t magic[8] = {0x53, 0x5A, 0x44, 0x44, 0x88, 0xF0, 0x27, 0x33};
  ASSERT_GE(output.size(), 14u);
  EXPECT_EQ(memcmp(output.data(), magic, 8), 0);
  EXPECT_EQ(output[8], 'A');
  EXPECT_EQ(output[9], 'l');
  EXPECT_EQ(output[10] | output[11] << 8 | output[12] << 16 | output[13] << 24, 70000);
  // At best 18 bytes per two-byte match and a flag bit: just over 8 to 1.
  EXPECT_LT(output.size(), input.size() / 7) << "a run of one byte should compress well";
}

TEST_F(SzddRoundTrip, EmptyOneByteAndOneRepeatedByte) {
  ExpectRoundTrip(Bytes(), "empty");
  ExpectRoundTrip(Bytes(1, 0x41), "one byte");
  ExpectRoundTrip(Bytes(1, ' '), "one blank");
  ExpectRoundTrip(Bytes(100000, 0), "100000 zero bytes");
  ExpectRoundTrip(Bytes(5000, ' '), "blanks like the ring's filling");
}

TEST_F(SzddRoundTrip, RandomBytesAroundTheRingSizeAndBeyond64K) {
  std::mt19937 random(20261208);
  for (size_t size : {2u, 17u, 18u, 19u, 4078u, 4079u, 4080u, 4095u, 4096u, 4097u, 8192u, 65535u, 65536u, 65537u,
                      200000u}) {
    Bytes input(size);
    for (auto& b : input) b = static_cast<unsigned char>(random());
    ExpectRoundTrip(input, "random");
  }
}

TEST_F(SzddRoundTrip, RepetitiveTextWithMatchesOfEveryLengthAndDistance) {
  std::mt19937 random(7);
  Bytes input;
  const std::string words[] = {"Parvello ", "archive ", "mail ", "setup ", "\r\n", "Quorvanta "};
  while (input.size() < 150000) {
    const std::string& w = words[random() % 6];
    input.insert(input.end(), w.begin(), w.end());
    if (random() % 50 == 0) input.insert(input.end(), random() % 40, static_cast<unsigned char>(random()));
  }
  ExpectRoundTrip(input, "text");
  // Long-distance repeats: the same 4 KiB block twice, just inside and
  // just outside the ring.
  Bytes block(4094);
  for (auto& b : block) b = static_cast<unsigned char>(random());
  Bytes twice = block;
  twice.insert(twice.end(), block.begin(), block.end());
  ExpectRoundTrip(twice, "block repeated at distance 4094");
  Bytes wide(4096);
  for (auto& b : wide) b = static_cast<unsigned char>(random());
  Bytes wideTwice = wide;
  wideTwice.insert(wideTwice.end(), wide.begin(), wide.end());
  ExpectRoundTrip(wideTwice, "block repeated at distance 4096");
}

}  // namespace
