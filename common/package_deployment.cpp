// The deployment scripts of the sparse package, for setup and uninstall.
#include "common/package_deployment.h"

#include "common/powershell.h"

namespace {

// PowerShell 5.1 reaches WinRT classes by their assembly-qualified names;
// a WinRT asynchronous operation is awaited through the .NET extension
// AsTask. GetResult rethrows the operation's own error.
const char kPrelude[] =
    "Add-Type -AssemblyName System.Runtime.WindowsRuntime\n"
    "$null = [Windows.Management.Deployment.PackageManager, Windows.Management.Deployment, "
    "ContentType = WindowsRuntime]\n"
    "$asTask = ([System.WindowsRuntimeSystemExtensions].GetMethods() | Where-Object { $_.Name -eq 'AsTask' -and "
    "$_.GetParameters().Count -eq 1 -and $_.GetParameters()[0].ParameterType.Name -eq "
    "'IAsyncOperationWithProgress`2' })[0].MakeGenericMethod([Windows.Management.Deployment.DeploymentResult], "
    "[Windows.Management.Deployment.DeploymentProgress])\n"
    "function Wait-Deployment($operation) { $null = $asTask.Invoke($null, @($operation)).GetAwaiter().GetResult() }\n"
    "function Remove-Parvello($family) {\n"
    "  try { Wait-Deployment $manager.DeprovisionPackageForAllUsersAsync($family) } catch { }\n"
    "  Get-AppxPackage -AllUsers | Where-Object { $_.PackageFamilyName -eq $family } | "
    "ForEach-Object { Remove-AppxPackage -Package $_.PackageFullName -AllUsers }\n"
    "}\n"
    "$manager = New-Object Windows.Management.Deployment.PackageManager\n";

// The scripts are ASCII, kept narrow in the program and widened here.
int Append(wchar_t* script, const char* text) {
  DWORD length = lstrlenW(script), add = lstrlenA(text);
  if (length + add >= kDeploymentScriptSize) return 0;
  for (DWORD i = 0; i <= add; ++i) script[length + i] = static_cast<unsigned char>(text[i]);
  return 1;
}

int StartWithFamily(wchar_t* script, const char* family) {
  script[0] = L'\0';
  return Append(script, kPrelude) && Append(script, "$family = '") &&
         AppendQuoted(script, kDeploymentScriptSize, family) && Append(script, "'\n");
}

}  // namespace

int RegistrationScript(wchar_t* script, const char* folder, const char* packagePath, const char* family) {
  return StartWithFamily(script, family) && Append(script, "$folder = '") &&
         AppendQuoted(script, kDeploymentScriptSize, folder) && Append(script, "'\n$package = '") &&
         AppendQuoted(script, kDeploymentScriptSize, packagePath) &&
         Append(script,
                "'\n"
                "try {\n"
                "  $options = New-Object Windows.Management.Deployment.StagePackageOptions\n"
                "  $options.ExternalLocationUri = New-Object Uri ($folder + '\\')\n"
                "  $options.ForceUpdateFromAnyVersion = $true\n"
                "  Wait-Deployment $manager.StagePackageByUriAsync((New-Object Uri $package), $options)\n"
                "  Wait-Deployment $manager.ProvisionPackageForAllUsersAsync($family)\n"
                // The local system account has no profile to register for;
                // provisioning registers the package for each user at sign-in.
                "  if (-not [Security.Principal.WindowsIdentity]::GetCurrent().IsSystem) {\n"
                "    Wait-Deployment $manager.RegisterPackageByFamilyNameAsync($family, $null, "
                "[Windows.Management.Deployment.DeploymentOptions]::None, $null, $null)\n"
                "  }\n"
                "} catch {\n"
                "  $failure = $_\n"
                "  try { Remove-Parvello $family } catch { }\n"
                "  throw $failure\n"
                "}\n");
}

int RemovalScript(wchar_t* script, const char* family) {
  return StartWithFamily(script, family) &&
         Append(script,
                "Remove-Parvello $family\n"
                "if (Get-AppxPackage -AllUsers | Where-Object { $_.PackageFamilyName -eq $family }) "
                "{ throw \"The package family $family is still registered.\" }\n");
}
