// Deletions of files in use, scheduled for the next start of Windows.
#include "shell/removal_at_restart.h"

#include <windows.h>

#include "base/text.h"

bool RemoveAtNextStart(const std::string& reach, const std::string& name) {
  size_t slash = reach.find_last_of('\\'), nameSlash = name.find_last_of('\\');
  std::string aside = "~parvello-" + Narrow(Decimal(GetCurrentProcessId()), CP_ACP) + "-" +
                      Narrow(Decimal(GetTickCount()), CP_ACP) + ".del";
  if (slash != std::string::npos && nameSlash != std::string::npos &&
      MoveFileExA(reach.c_str(), (reach.substr(0, slash + 1) + aside).c_str(), 0))
    return MoveFileExA((name.substr(0, nameSlash + 1) + aside).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
  return MoveFileExA(name.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}
