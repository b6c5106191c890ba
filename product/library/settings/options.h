// The product's settings, as the setup stored them under
// HKEY_LOCAL_MACHINE\SOFTWARE\Quorvanta\Parvello; a value that is missing
// or of another type takes the setup's default.
#pragma once
#include <windows.h>

#include <string>

extern const char kSettingsKey[];

struct ProductOptions {
  DWORD showIcon = 1;  // the product's icon beside the menu command
  DWORD hideProgressDialog = 0;
  DWORD askConfirmationOnCancel = 1;
  DWORD useParentFolder = 1;
  DWORD useClicked = 1;
  DWORD useCustom = 0;
  DWORD lowPriority = 1;
  DWORD retention = 7;  // days; 0 keeps every archive
  DWORD mailer = 1;     // 0 the command line, 1 to 8 a Simple MAPI client
  // The largest archive one message carries, in KB; 0 no limit. 18,000 KB
  // is about 24.7 MB once base64-encoded: within Gmail's and Yahoo's 25 MB.
  DWORD maxArchiveKilobytes = 18000;
  DWORD checkRejectedTypes = 1;  // name members of types mail services reject
  std::wstring nameTemplate;
  std::wstring fileFilters;
  std::wstring temporaryFolder;
  std::wstring userDefinedCmdLine;
};

void ReadProductOptions(ProductOptions& options);

// `stored` with each value in which `now` differs from `shown`.
ProductOptions WithChanges(const ProductOptions& stored, const ProductOptions& shown, const ProductOptions& now);

// Writes under the settings key those values in which `changed` differs
// from `before` (numbers as REG_DWORD, texts as REG_SZ, as the setup
// writes them), and nothing else. 1 when every one was written, 0 at the
// first failure, whose system error is left in `error`.
int WriteChangedOptions(const ProductOptions& before, const ProductOptions& changed, DWORD& error);

// Whether this user may change the settings: 0 when the system refuses to
// open the settings key for writing, else 1 (a write may still fail).
int MayChangeOptions();

// The folder of the archives: TemporaryFolder with its environment
// variables expanded, or the default folder; without a trailing backslash.
std::wstring ArchiveFolder(const ProductOptions& options);
// The user's temporary folder followed by "Temporary Archive Files", as
// the setup makes it.
std::wstring DefaultArchiveFolder();
