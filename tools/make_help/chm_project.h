// The help source as an HTML Help project for the CHM compiler: one page per topic
// (its title, its paragraphs), the contents after the WinHelp contents
// file, the index from the topics' keywords, and a context map, so that a
// topic with a context number opens at that number in both help files.
#pragma once
#include <string>

#include "help_source.h"

// Writes parvello.hhp, .hhc, .hhk and the pages into `directory`, which
// must exist; `contents` is the text of the WinHelp contents file. Returns
// false with `error` set when a contents line names no topic or a file
// cannot be written.
bool WriteChmProject(const HelpSource& source, const std::string& contents, const std::string& directory,
                     std::string& error);
