#include "app/command_line.h"

#include <windows.h>
#include <string.h>

#include "app/directories.h"

namespace {

bool IsBlank(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u == ' ' || (u >= '\t' && u <= '\r');
}

void Reverse(char* text) {
  size_t length = strlen(text);
  for (size_t i = 0, j = length; i + 1 < j; ++i, --j) {
    char c = text[i];
    text[i] = text[j - 1];
    text[j - 1] = c;
  }
}

void SkipLeadingBlanks(char* text) {
  size_t skip = 0;
  while (text[skip] && IsBlank(text[skip])) ++skip;
  if (skip) memmove(text, text + skip, strlen(text + skip) + 1);
}

}  // namespace

void TrimBlanks(char* text) {
  SkipLeadingBlanks(text);
  Reverse(text);
  SkipLeadingBlanks(text);
  Reverse(text);
}

Road ChooseRoad(const char* commandLine) {
  // Measure the trimmed text first: the command line may be far longer
  // than the working copy.
  const char* first = commandLine;
  while (*first && IsBlank(*first)) ++first;
  size_t length = strlen(first);
  while (length && IsBlank(first[length - 1])) --length;
  if (length >= kCommandSize) return kRoadWizard;

  static char working[kCommandSize];
  memcpy(working, first, length);
  working[length] = '\0';
  TrimBlanks(working);

  if (strcmp(working, "/?") == 0) return kRoadUsage;
  if (working[0] && PathExists(working)) return kRoadUnattended;
  return kRoadWizard;
}
