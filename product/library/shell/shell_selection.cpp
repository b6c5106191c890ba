// The rule both shell menus apply to each selected path.
#include "shell/shell_selection.h"

int AddToSelection(std::vector<std::wstring>& selection, std::wstring path) {
  bool root = (path.size() == 3 && path[1] == L':' && path[2] == L'\\') || (path.size() == 2 && path[1] == L':');
  if (root) return 0;
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  if (!path.empty()) selection.push_back(path);
  return 1;
}
