// The archive size one message may carry.
#include "mail/message_budget.h"

#include <string>

#include "common/owned.h"
#include "mail/mapi_client.h"

namespace {

const wchar_t* const kOfficeKeys[] = {L"Software\\Policies\\Microsoft\\Office", L"Software\\Microsoft\\Office"};

// MaximumAttachmentSize (KB) of one Outlook version under `office`; false
// when that version does not set it.
bool AttachmentLimit(const wchar_t* office, const std::wstring& version, DWORD& kilobytes) {
  OwnedKey key;
  std::wstring path = std::wstring(office) + L"\\" + version + L"\\Outlook\\Preferences";
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS) return false;
  DWORD type = 0, value = 0, size = sizeof value;
  if (RegQueryValueExW(key.Get(), L"MaximumAttachmentSize", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return false;
  kilobytes = value;
  return true;
}

// The lowest limit that any installed Outlook sets, the policy's over the
// user's preference; 0 (Outlook's "none") when none sets one.
DWORD OutlookLimitKilobytes() {
  DWORD lowest = 0;
  for (const wchar_t* office : kOfficeKeys) {
    OwnedKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, office, 0, KEY_ENUMERATE_SUB_KEYS, key.Receive()) != ERROR_SUCCESS) continue;
    wchar_t version[64];
    for (DWORD i = 0;; ++i) {
      DWORD length = 64;
      if (RegEnumKeyExW(key.Get(), i, version, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      DWORD limit = 0;
      // A version with a policy value takes it, whatever its preference says.
      if (office == kOfficeKeys[1] && AttachmentLimit(kOfficeKeys[0], version, limit)) continue;
      if (AttachmentLimit(office, version, limit) && limit && (!lowest || limit < lowest)) lowest = limit;
    }
  }
  return lowest;
}

}  // namespace

uint64_t MessageBudget(const ProductOptions& options) {
  uint64_t budget = static_cast<uint64_t>(options.maxArchiveKilobytes) * 1024;
  if (options.mailer != 0 && DefaultMailClientName() == L"Microsoft Outlook") {
    uint64_t outlook = static_cast<uint64_t>(OutlookLimitKilobytes()) * 1024;
    if (outlook && (!budget || outlook < budget)) budget = outlook;
  }
  return budget;
}
