// The readable source of the product's help file: a title, a copyright
// line and the topics, each with its context string, an optional context
// number, its title, its index keywords and its paragraphs. The format is
// described at the head of product/help/parvello-help.txt.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct HelpTopic {
  std::string context;  // the context string, as contents files name it
  bool hasMap = false;
  uint32_t map = 0;  // the context number programs open it with
  std::string title;
  std::vector<std::string> keywords;
  std::vector<std::string> paragraphs;  // each one line of text
};

struct HelpSource {
  std::string title;
  std::string copyright;
  std::vector<HelpTopic> topics;
};

// Parses `text` into `source`. Returns false with `error` naming the line
// when the text is not in the format.
bool ParseHelpSource(const std::string& text, HelpSource& source, std::string& error);
