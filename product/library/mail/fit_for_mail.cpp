// Names rejected file types and splits an archive too large for one message.
#include "mail/fit_for_mail.h"

#include "base/text.h"
#include "common/owned.h"
#include "mail/message_budget.h"
#include "mail/rejected_types.h"
#include "packing/archive_parts.h"

namespace {

constexpr size_t kNamesShown = 15;  // the rest are counted

std::wstring Megabytes(uint64_t bytes) {
  uint64_t tenths = (bytes * 10 + 512 * 1024) / (1024 * 1024);
  return Decimal(static_cast<DWORD>(tenths / 10)) + L"." + Decimal(static_cast<DWORD>(tenths % 10)) + L" MB";
}

std::wstring NameList(const std::vector<std::string>& names) {
  std::wstring list;
  for (size_t i = 0; i < names.size() && i < kNamesShown; ++i) list += L"\n" + Widened(names[i], CP_UTF8);
  if (names.size() > kNamesShown)
    list += L"\nand " + Decimal(static_cast<DWORD>(names.size() - kNamesShown)) + L" more";
  return list;
}

bool ReadMembers(const std::wstring& archive, std::vector<ZipMember>& members, uint64_t& size, std::wstring& problem) {
  OwnedHandle file(CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER length;
  if (file.IsValid() && GetFileSizeEx(file.Get(), &length) && ReadZipMembers(file.Get(), members)) {
    size = static_cast<uint64_t>(length.QuadPart);
    return true;
  }
  problem = L"Parvello cannot read the archive " + archive + L" it has just made.";
  return false;
}

int Ask(HWND owner, const std::wstring& question) {
  return MessageBoxW(owner, question.c_str(), L"Parvello", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON1);
}

std::wstring FolderOf(const std::wstring& archive) { return archive.substr(0, archive.find_last_of(L'\\')); }

}  // namespace

FitOutcome FitForMail(const std::wstring& archive, const ProductOptions& options, HWND owner, bool quiet,
                      std::vector<std::wstring>& archives, std::wstring& problem) {
  archives.assign(1, archive);
  uint64_t budget = MessageBudget(options);
  if (!options.checkRejectedTypes && !budget) return FitOutcome::kReady;
  std::vector<ZipMember> members;
  uint64_t size = 0;
  if (!ReadMembers(archive, members, size, problem)) return FitOutcome::kFailed;

  // Never renamed to slip past a filter: left out, or sent as they are.
  std::vector<bool> rejected(members.size(), false);
  std::vector<std::string> rejectedNames;
  for (size_t i = 0; options.checkRejectedTypes && i < members.size(); ++i)
    if (IsRejectedType(members[i].entry.name)) {
      rejected[i] = true;
      rejectedNames.push_back(members[i].entry.name);
    }
  if (!rejectedNames.empty() && !quiet) {
    std::wstring question =
        L"Mail services such as Gmail and Outlook.com reject a message whose archive holds files of these types, "
        L"and the recipient may never get it:\n" +
        NameList(rejectedNames) +
        L"\n\nYes: leave them out of the archive.\nNo: send them anyway.\nCancel: send nothing; the archive stays in " +
        FolderOf(archive) + L".";
    int answer = Ask(owner, question);
    if (answer == IDCANCEL) return FitOutcome::kCancelled;
    if (answer == IDYES) {
      if (rejectedNames.size() == members.size()) {
        problem =
            L"Every file of the archive is of a type that mail services reject: nothing is left to send. The "
            L"archive is " +
            archive + L".";
        return FitOutcome::kFailed;
      }
      if (!RewriteWithout(archive, members, rejected, problem) || !ReadMembers(archive, members, size, problem))
        return FitOutcome::kFailed;
    }
  }

  if (!budget || size <= budget) return FitOutcome::kReady;
  PartPlan plan = PlanParts(members, budget);
  if (plan.parts.size() < 2) return FitOutcome::kReady;  // one member alone: no part would be smaller
  if (!quiet) {
    std::wstring question = L"The archive " + FileName(archive) + L" is " + Megabytes(size) +
                            L", more than one message may carry (" + Megabytes(budget) + L").";
    if (!plan.alone.empty())
      question +=
          L"\n\nThese files are larger than that on their own; each goes alone in its part, which may still "
          L"be too large for the recipient's mail service:" +
          NameList(plan.alone);
    question += L"\n\nYes: send it in " + Decimal(static_cast<DWORD>(plan.parts.size())) +
                L" messages, one part each; every part opens on its own.\nNo: send it as one message anyway.\n"
                L"Cancel: send nothing; the archive stays in " +
                FolderOf(archive) + L".";
    int answer = Ask(owner, question);
    if (answer == IDCANCEL) return FitOutcome::kCancelled;
    if (answer == IDNO) return FitOutcome::kReady;
  }
  if (!WriteParts(archive, members, plan, archives, problem)) {
    archives.assign(1, archive);
    return FitOutcome::kFailed;
  }
  return FitOutcome::kReady;
}
