// The installed product's settings under HKEY_LOCAL_MACHINE (text 27), the
// record that holds them before they are written, and the folder the
// product keeps its temporary archives in.
#pragma once
#include <windows.h>
#include <stddef.h>

#include "app/directories.h"

struct ProductSettings {
  DWORD ShowIcon;
  DWORD HideProgressDialog;
  DWORD AskConfirmationOnCancel;
  DWORD UseParentFolder;
  DWORD UseMostOften;
  DWORD UseClicked;
  DWORD UseCustom;
  char NameTemplate[520];
  char FileFilters[256];
  DWORD LowPriority;
  char TemporaryFolder[520];
  DWORD Retention;
  DWORD Mailer;
  char UserDefinedCmdLine[520];
};

// One settings value: its registry name (also its script key), where it
// lives in the record, and what the unattended setup stores when the
// script names nothing. Texts have a `textSize`; numbers have 0.
struct SettingField {
  const char* name;
  size_t offset;
  int textSize;
  DWORD builtInDefault;  // numbers only; texts default to empty, the folder to GetTemporaryFolder
};

constexpr int kSettingCount = 14;
// In the order the values are read and written.
extern const SettingField g_settingFields[kSettingCount];

// What the script's "Default Setup" section gives, and the values for this
// computer. Both start zeroed; only the unattended setup fills them.
extern ProductSettings g_sectionDefaults;
extern ProductSettings g_effectiveSettings;

// Fills `folder` (kPathSize) with the folder recorded by an earlier
// installation, or else the temporary directory followed by "Temporary
// Archive Files". A recorded value is used only when it is a non-empty,
// zero-terminated text that fits in 260 bytes. Cannot fail.
void GetTemporaryFolder(char* folder);

// Makes the archive folder (its last component only) and marks it as the
// product's own, so that the uninstall takes it away again. Returns 1 when
// it was made, 0 when it was not (it existed, cannot be made, or names
// environment variables: then it is each user's, made by the product).
int MakeArchiveFolder(const char* folder);

// Writes the effective settings in table order and makes sure their
// temporary folder exists (created after the folder value is written;
// one that names environment variables is stored as given, not made).
// Returns 1 on success, 0 at the first failure (values before it stay).
int WriteProductSettings();
