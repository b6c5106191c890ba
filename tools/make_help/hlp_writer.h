// Writes a Windows Help file (the WinHelp 3.1 format, version 1.21,
// uncompressed topics) from a help source: the internal files |SYSTEM,
// |FONT, |TOPIC, |CONTEXT (context strings), |CTXOMAP (context numbers),
// |KWBTREE and |KWDATA (the keyword index), under a one-page directory.
// Limits, reported as errors: each B+ tree within one page of 1 KiB (some
// 50 keywords or 100 topics), one topic per keyword, distinct context hashes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "help_source.h"

// The context string's hash, as help viewers look a context string up.
int32_t HelpContextHash(const std::string& context);

// The whole file, or false with `error`.
bool WriteHelpFile(const HelpSource& source, std::vector<uint8_t>& file, std::string& error);
