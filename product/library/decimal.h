// Decimal numbers as text, without the C runtime's formatted printing.
#pragma once
#include <string>

// `value` in decimal, at least `digits` digits (with leading zeros).
std::wstring Decimal(unsigned long value, int digits = 1);
