// The PowerShell that registers the sparse package of Windows 11's first
// context menu for every user of the machine, and removes it again.
//
// Both drive Windows' PackageManager (Windows.Management.Deployment)
// through PowerShell's WinRT support: staged with the external location,
// provisioned for all users present and future, and registered at once
// for the user running the setup, so that Explorer shows the command
// without a sign-out. The uninstall deprovisions it and removes it for
// all users. Each script throws on failure (see RunPowerShell).
#pragma once
#include <windows.h>

constexpr DWORD kDeploymentScriptSize = 6144;

// The script that registers `packagePath` with the external location
// `folder` as package family `family`. On failure it takes back what it
// did, so that nothing half registered stays. 0 when it does not fit.
int RegistrationScript(wchar_t* script, const char* folder, const char* packagePath, const char* family);

// The script that deprovisions family `family` and removes its packages
// for every user; a family that is not there is no failure.
int RemovalScript(wchar_t* script, const char* family);
