// Packs a selection of files and folders into one new archive in the
// archive folder: old archives of the product are deleted first
// (Retention), files matching FileFilters are left out, and the archive
// appears under its final name only when it is whole; a failure leaves
// nothing behind.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "options.h"

struct PackOutcome {
  bool packed = false;
  std::wstring archive;  // the archive's full path, when packed
  std::wstring problem;  // what to tell the user, when not
};

PackOutcome PackSelection(const std::vector<std::wstring>& selection, const ProductOptions& options);

// Whether `name` matches one of the semicolon-separated wildcards
// (* and ?, without regard to case).
bool MatchesFilters(const std::wstring& name, const std::wstring& filters);
