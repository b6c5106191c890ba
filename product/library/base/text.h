// Texts the library makes: decimal numbers (without the C runtime's
// formatted printing), a text in another character set, a path's last
// part.
#pragma once
#include <windows.h>

#include <string>

// `value` in decimal, at least `digits` digits (with leading zeros).
std::wstring Decimal(unsigned long value, int digits = 1);

// `text` in the code page (CP_UTF8, CP_ACP); characters it lacks become
// the code page's default character.
std::string Narrow(const std::wstring& text, UINT codePage);

// `text` of the code page as a wide text.
std::wstring Widened(const std::string& text, UINT codePage = CP_ACP);

// The short (8.3) form of an existing path; the path itself without one.
std::wstring ShortPath(const std::wstring& path);

// `text` with its %VARIABLE%s expanded; as it is when that fails.
std::wstring Expanded(const std::wstring& text);

// What follows the last "\" or "/" (all of `path` without one).
std::wstring FileName(const std::wstring& path);

// The form that reaches every name a file system holds: names that end in
// a dot or a blank, device names such as "nul.txt", paths beyond MAX_PATH.
std::wstring LongPath(const std::wstring& path);
// The path as the user knows it (without "\\?\").
std::wstring ShownPath(const std::wstring& path);

// The system's text for an error, without its line break.
std::wstring SystemMessage(DWORD error);
