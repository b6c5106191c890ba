// Where the sparse package of Windows 11's first context menu lives and
// what records it leaves, for the setup that registers it and the
// uninstall that removes it.
//
// The package declares the new menu's command and names the 64-bit
// library by a path relative to its external location: a folder of the
// product's own in the 64-bit Program Files, holding that library and the
// package file. What the setup did is recorded in the uninstall key (the
// settings view), so that the uninstall removes exactly that.
#pragma once
#include <windows.h>

// The folder under the 64-bit Program Files, and the two files in it.
constexpr char kFirstMenuFolderName[] = "Parvello";
constexpr char kFirstMenuLibraryName[] = "parvello.dll";
constexpr char kFirstMenuPackageFileName[] = "parvello.msix";

// The product's uninstall key (in the settings view), which holds them.
constexpr char kUninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Parvello";

// Values of the uninstall key: the package family the setup registered,
// and the SHA-1 thumbprint (hex) of the certificate it added to the
// machine's Trusted People store. Absent when the setup did not.
constexpr char kRegisteredPackageValue[] = "FirstMenuPackage";
constexpr char kAddedCertificateValue[] = "FirstMenuCertificate";

// The external location, "<64-bit Program Files>\Parvello" without a
// trailing backslash, as every process of this machine reaches it (the
// file system does not redirect Program Files). 1, or 0 on a system
// without a 64-bit view or when it does not fit in `size` characters.
int FirstMenuFolder(char* folder, DWORD size);
