// The file types mail services reject, as they publish them.
#include "mail/rejected_types.h"

#include <string.h>

namespace {

// The union of two published lists, as of December 2026:
// - Gmail, "Some file types are blocked" (support.google.com/mail/answer/6590),
//   which applies to archives' contents too;
// - Exchange Online Protection's common attachments filter, the file types
//   of the default anti-malware policy (learn.microsoft.com, "Anti-malware
//   protection in EOP"), which looks into archives as well.
// Sorted, lower case, without the dot.
const char* const kRejected[] = {
    "ace",     "ade",   "adp",   "ani",  "apk",   "app",  "appx", "appxbundle", "arj",  "bat",   "cab", "chm",
    "cmd",     "com",   "cpl",   "deb",  "dex",   "diagcab", "diagcfg", "diagpkg", "dll", "dmg", "docm", "elf",
    "ex",      "ex_",   "exe",   "hta",  "img",   "ins",  "iso",  "isp",  "jar",  "jnlp", "js",   "jse",  "kext",
    "lha",     "lib",   "library", "lnk", "lzh",  "macho", "mde", "mjs",  "msc",  "msi",  "msix", "msixbundle",
    "msp",     "mst",   "nsh",   "pif",  "pkg",   "plg",  "ps1",  "ps2",  "psc1", "psc2", "rpm",  "scr",  "sct",
    "shb",     "shk",   "sys",   "vb",   "vbe",   "vbs",  "vhd",  "vxd",  "wsc",  "wsf",  "wsh",  "xll",  "xz",
    "z",
};

}  // namespace

bool IsRejectedType(const std::string& name) {
  size_t slash = name.find_last_of('/');
  std::string file = slash == std::string::npos ? name : name.substr(slash + 1);
  size_t dot = file.find_last_of('.');
  if (file.empty() || dot == std::string::npos || dot + 1 >= file.size()) return false;  // folders, no extension
  std::string extension = file.substr(dot + 1);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const char* rejected : kRejected)
    if (extension == rejected) return true;
  return false;
}
