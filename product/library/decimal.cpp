#include "decimal.h"

std::wstring Decimal(unsigned long value, int digits) {
  std::wstring text;
  do {
    text.insert(text.begin(), static_cast<wchar_t>(L'0' + value % 10));
    value /= 10;
  } while (value);
  while (static_cast<int>(text.size()) < digits) text.insert(text.begin(), L'0');
  return text;
}
