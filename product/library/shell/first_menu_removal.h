// The uninstall's part for Windows 11's first context menu: what the
// setup recorded there it takes away again.
#pragma once
#include <string>
#include <vector>

// Removes the package for every user (deprovisioned, then removed), the
// certificate the setup added to the machine's Trusted People store, and
// the product's own folder with the library and the package. What stays
// is named in `left`; its record stays with it, for a second run.
void RemoveFirstMenu(std::vector<std::string>& left);
