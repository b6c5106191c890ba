// The deployment scripts of the sparse package, for setup and uninstall.
#include "common/package_deployment.h"

#include "common/powershell.h"

namespace {

// PowerShell 5.1 reaches WinRT classes by their assembly-qualified names;
// a WinRT asynchronous operation is awaited through the .NET extension
// AsTask. GetResult rethrows the operation's own error.
const wchar_t kPrelude[] =
    L"Add-Type -AssemblyName System.Runtime.WindowsRuntime\n"
    L"$null = [Windows.Management.Deployment.PackageManager, Windows.Management.Deployment, "
    L"ContentType = WindowsRuntime]\n"
    L"$asTask = ([System.WindowsRuntimeSystemExtensions].GetMethods() | Where-Object { $_.Name -eq 'AsTask' -and "
    L"$_.GetParameters().Count -eq 1 -and $_.GetParameters()[0].ParameterType.Name -eq "
    L"'IAsyncOperationWithProgress`2' })[0].MakeGenericMethod([Windows.Management.Deployment.DeploymentResult], "
    L"[Windows.Management.Deployment.DeploymentProgress])\n"
    L"function Wait-Deployment($operation) { $null = $asTask.Invoke($null, @($operation)).GetAwaiter().GetResult() }\n"
    L"function Remove-Parvello($family) {\n"
    L"  try { Wait-Deployment $manager.DeprovisionPackageForAllUsersAsync($family) } catch { }\n"
    L"  Get-AppxPackage -AllUsers | Where-Object { $_.PackageFamilyName -eq $family } | "
    L"ForEach-Object { Remove-AppxPackage -Package $_.PackageFullName -AllUsers }\n"
    L"}\n"
    L"$manager = New-Object Windows.Management.Deployment.PackageManager\n";

int Append(wchar_t* script, const wchar_t* text) {
  DWORD length = lstrlenW(script), add = lstrlenW(text);
  if (length + add >= kDeploymentScriptSize) return 0;
  lstrcpyW(script + length, text);
  return 1;
}

int StartWithFamily(wchar_t* script, const char* family) {
  script[0] = L'\0';
  return Append(script, kPrelude) && Append(script, L"$family = '") &&
         AppendQuoted(script, kDeploymentScriptSize, family) && Append(script, L"'\n");
}

}  // namespace

int RegistrationScript(wchar_t* script, const char* folder, const char* packagePath, const char* family) {
  return StartWithFamily(script, family) && Append(script, L"$folder = '") &&
         AppendQuoted(script, kDeploymentScriptSize, folder) && Append(script, L"'\n$package = '") &&
         AppendQuoted(script, kDeploymentScriptSize, packagePath) &&
         Append(script,
                L"'\n"
                L"try {\n"
                L"  $options = New-Object Windows.Management.Deployment.StagePackageOptions\n"
                L"  $options.ExternalLocationUri = New-Object Uri ($folder + '\\')\n"
                L"  $options.ForceUpdateFromAnyVersion = $true\n"
                L"  Wait-Deployment $manager.StagePackageByUriAsync((New-Object Uri $package), $options)\n"
                L"  Wait-Deployment $manager.ProvisionPackageForAllUsersAsync($family)\n"
                // The local system account has no profile to register for;
                // provisioning registers the package for each user at sign-in.
                L"  if (-not [Security.Principal.WindowsIdentity]::GetCurrent().IsSystem) {\n"
                L"    Wait-Deployment $manager.RegisterPackageByFamilyNameAsync($family, $null, "
                L"[Windows.Management.Deployment.DeploymentOptions]::None, $null, $null)\n"
                L"  }\n"
                L"} catch {\n"
                L"  $failure = $_\n"
                L"  try { Remove-Parvello $family } catch { }\n"
                L"  throw $failure\n"
                L"}\n");
}

int RemovalScript(wchar_t* script, const char* family) {
  return StartWithFamily(script, family) &&
         Append(script,
                L"Remove-Parvello $family\n"
                L"if (Get-AppxPackage -AllUsers | Where-Object { $_.PackageFamilyName -eq $family }) "
                L"{ throw \"The package family $family is still registered.\" }\n");
}
