// The file types that common mail services reject, also inside a ZIP
// archive: a message that carries one bounces or never arrives.
#pragma once
#include <string>

// Whether a member's name (UTF-8, "/" between folders) ends in one of
// them; the case does not matter.
bool IsRejectedType(const std::string& name);
