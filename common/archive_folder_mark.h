// The archive folder is removed by the uninstall only when the product
// made it: whoever makes it (the setup, or the library when it needs the
// folder) leaves this hidden file in it. A folder the user had before
// carries none and is never removed.
#pragma once

constexpr char kArchiveFolderMark[] = "parvello.folder";
constexpr wchar_t kArchiveFolderMarkW[] = L"parvello.folder";
