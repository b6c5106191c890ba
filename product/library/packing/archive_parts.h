// An archive too large for one message, split into parts that each open
// on their own: every part a plain, complete ZIP archive, its members
// copied from the archive as they are (compressed data, check sum, time),
// never compressed again. Also the same archive without some members.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "packing/zip_reader.h"

struct PartPlan {
  std::vector<std::vector<size_t>> parts;  // indexes into the members, in archive order
  std::vector<std::string> alone;          // members larger than the budget, each alone in its part
};

// Parts of at most `budget` bytes each where the members allow: the
// selection's order kept, the members of one selected folder together
// when they fit in one part, a member larger than the budget alone.
PartPlan PlanParts(const std::vector<ZipMember>& members, uint64_t budget);

// "<name> (part 1 of 3).zip" and so on beside `archive`, under names that
// no file has yet. Writes every part of `plan` and deletes the archive;
// on failure no part stays, the archive does, and `problem` says why.
bool WriteParts(const std::wstring& archive, const std::vector<ZipMember>& members, const PartPlan& plan,
                std::vector<std::wstring>& parts, std::wstring& problem);

// Rewrites `archive` without the members whose `leaveOut` is true.
bool RewriteWithout(const std::wstring& archive, const std::vector<ZipMember>& members,
                    const std::vector<bool>& leaveOut, std::wstring& problem);
