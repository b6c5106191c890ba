// The name of a new archive. With UseCustom the name template makes it:
// %VARIABLE% stands for an environment variable, $NAME for the name of the
// clicked item (without its extension), $FOLDER for the folder the items
// lie in, $DATE for today (2026-12-09) and $TIME for the time (14-05-30).
// Otherwise UseClicked names it after the clicked item, UseParentFolder
// after its folder, and else (or when that gives nothing) it is "Parvello
// archive". Characters a file name cannot hold become "_".
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "settings/options.h"

// $DATE and $TIME as a name shows them: 2026-12-09 and 14-05-30.
std::wstring DateInName(const SYSTEMTIME& when);
std::wstring TimeInName(const SYSTEMTIME& when);

std::wstring ArchiveBaseName(const ProductOptions& options, const std::vector<std::wstring>& selection,
                             const SYSTEMTIME& now);

// `folder`\`base`.zip, or with " (2)" up to " (999)" when that exists,
// `base` cut between characters where the path would pass MAX_PATH; empty
// when every one exists (`error` ERROR_FILE_EXISTS) or the folder leaves
// no room for a name (ERROR_FILENAME_EXCED_RANGE).
std::wstring FreeArchivePath(const std::wstring& folder, const std::wstring& base, DWORD& error);
