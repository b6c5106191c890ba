// Windows 11's first context menu. Where it applies, the setup also puts
// the 64-bit library and the sparse package in the product's own folder,
// makes the package's certificate trusted and registers the package for
// every user of the machine. The classic handler stays registered either
// way; a failure here never fails the installation.
#pragma once
#include <windows.h>

constexpr DWORD kFirstMenuNoticeSize = 2048;

// Whether it applies: this setup carries the package (a build with a
// signing certificate) and this is 64-bit Windows 11 (x64, build 22000 or
// later, as Windows itself reports it).
int FirstMenuApplies();

// Does all of it where it applies. Returns 1 when it is done or does not
// apply; 0 when it failed, with `notice` (kFirstMenuNoticeSize
// characters) saying so in words, for the user or the administrator.
// Shows nothing.
int InstallFirstMenu(wchar_t* notice);
