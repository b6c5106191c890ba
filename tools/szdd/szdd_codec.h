// SZDD compression (the container of the COMPRESS/EXPAND tools and of the
// platform's LZ expansion functions), written so that VerInstallFileA and
// LZCopy restore the input byte for byte.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Appends the whole SZDD file (14-byte header and LZSS data) for `input` to
// `output`. `lastChar` is the last character of the expanded file's name.
void SzddCompress(const uint8_t* input, size_t size, char lastChar, std::vector<uint8_t>& output);
