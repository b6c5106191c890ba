// The shell's selection as the product takes it: file-system paths, none
// of them a drive's root.
#pragma once
#include <string>
#include <vector>

// Adds `path` to `selection` without its trailing backslashes. Answers 0,
// and adds nothing, for a drive's root, which is no item to mail: with one
// in the selection the command is not offered. 1 otherwise.
int AddToSelection(std::vector<std::wstring>& selection, std::wstring path);
