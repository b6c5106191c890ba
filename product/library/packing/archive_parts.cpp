// Splits an archive into standalone parts, and repacks it without members.
#include "packing/archive_parts.h"

#include "base/text.h"
#include "common/owned.h"
#include "packing/archive_folder.h"

namespace {

// The selected item a member belongs to: its path's first part.
std::string TopItem(const std::string& name) { return name.substr(0, name.find('/')); }

std::wstring PartName(const std::wstring& stem, size_t number, size_t count) {
  return stem + L" (part " + Decimal(static_cast<DWORD>(number)) + L" of " + Decimal(static_cast<DWORD>(count)) +
         L").zip";
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Writes one archive of the chosen members to `path`, which must not exist.
bool WriteArchive(HANDLE source, const std::vector<ZipMember>& members, const std::vector<size_t>& chosen,
                  const std::wstring& path, std::wstring& problem) {
  OwnedHandle file(
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsValid()) {
    problem = L"Parvello cannot write " + path + L":\n" + SystemMessage(GetLastError());
    return false;
  }
  ZipWriter zip(file.Get());
  bool ok = true;
  // Members that follow each other in the archive go in one copy each run.
  for (size_t first = 0; ok && first < chosen.size();) {
    std::vector<ZipWriter::Entry> run;
    size_t last = first;
    run.push_back(members[chosen[first]].entry);
    while (last + 1 < chosen.size() && chosen[last + 1] == chosen[last] + 1) run.push_back(members[chosen[++last]].entry);
    ok = zip.CopyRun(run, source, members[chosen[first]].entry.offset, members[chosen[last]].end);
    first = last + 1;
  }
  ok = ok && zip.Finish(kArchiveComment);
  if (!ok) problem = L"Parvello cannot write " + path + L":\n" + SystemMessage(zip.SystemError());
  file.Close();
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

}  // namespace

PartPlan PlanParts(const std::vector<ZipMember>& members, uint64_t budget) {
  PartPlan plan;
  uint64_t room = budget > ZipEndSize() ? budget - ZipEndSize() : 0;
  uint64_t used = 0;
  auto startPart = [&] {
    if (plan.parts.empty() || !plan.parts.back().empty()) plan.parts.emplace_back();
    used = 0;
  };
  startPart();
  for (size_t first = 0; first < members.size();) {
    // The members of one selected item follow each other in the archive.
    size_t end = first;
    uint64_t groupSize = 0;
    std::string item = TopItem(members[first].entry.name);
    while (end < members.size() && TopItem(members[end].entry.name) == item) groupSize += members[end++].recordSize;
    if (used + groupSize > room && groupSize <= room) startPart();
    for (size_t i = first; i < end; ++i) {
      uint64_t size = members[i].recordSize;
      if (used + size > room) startPart();
      plan.parts.back().push_back(i);
      used += size;
      if (size > room) {
        plan.alone.push_back(members[i].entry.name);
        startPart();
      }
    }
    first = end;
  }
  if (plan.parts.back().empty()) plan.parts.pop_back();
  return plan;
}

bool WriteParts(const std::wstring& archive, const std::vector<ZipMember>& members, const PartPlan& plan,
                std::vector<std::wstring>& parts, std::wstring& problem) {
  parts.clear();
  std::wstring stem = archive.substr(0, archive.size() - (archive.size() >= 4 ? 4 : 0));  // without ".zip"
  // Names that no earlier send left: "<name> (2) (part 1 of 3).zip" and on.
  const size_t count = plan.parts.size();
  for (DWORD attempt = 2;; ++attempt) {
    bool free = true;
    for (size_t n = 1; free && n <= count; ++n) free = !Exists(PartName(stem, n, count));
    if (free) break;
    if (attempt > 9999) {
      problem = L"Parvello finds no free name for the parts of " + archive + L".";
      return false;
    }
    stem = archive.substr(0, archive.size() - 4) + L" (" + Decimal(attempt) + L")";
  }
  OwnedHandle source(CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  bool ok = source.IsValid();
  if (!ok) problem = L"Parvello cannot read " + archive + L":\n" + SystemMessage(GetLastError());
  for (size_t n = 0; ok && n < count; ++n) {
    parts.push_back(PartName(stem, n + 1, count));
    ok = WriteArchive(source.Get(), members, plan.parts[n], parts.back(), problem);
    if (!ok) parts.pop_back();
  }
  source.Close();
  if (!ok) {
    for (const std::wstring& part : parts) DeleteFileW(part.c_str());
    parts.clear();
    return false;
  }
  DeleteFileW(archive.c_str());
  return true;
}

bool RewriteWithout(const std::wstring& archive, const std::vector<ZipMember>& members,
                    const std::vector<bool>& leaveOut, std::wstring& problem) {
  std::vector<size_t> kept;
  for (size_t i = 0; i < members.size(); ++i)
    if (!leaveOut[i]) kept.push_back(i);
  std::wstring rewritten;
  for (DWORD n = 1; rewritten.empty() || Exists(rewritten); ++n) rewritten = archive + L"." + Decimal(n) + L".tmp";
  OwnedHandle source(CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source.IsValid()) {
    problem = L"Parvello cannot read " + archive + L":\n" + SystemMessage(GetLastError());
    return false;
  }
  if (!WriteArchive(source.Get(), members, kept, rewritten, problem)) return false;
  source.Close();
  if (!MoveFileExW(rewritten.c_str(), archive.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    problem = L"Parvello cannot replace " + archive + L":\n" + SystemMessage(GetLastError());
    DeleteFileW(rewritten.c_str());
    return false;
  }
  return true;
}
