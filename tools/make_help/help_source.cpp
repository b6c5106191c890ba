#include "help_source.h"

#include <cstdlib>

namespace {

std::string Trim(const std::string& text) {
  size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

// The parts of "a | b | c" (or "a; b"), each trimmed.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
  std::string head(prefix);
  if (text.compare(0, head.size(), head) != 0) return false;
  rest = Trim(text.substr(head.size()));
  return true;
}

}  // namespace

bool ParseHelpSource(const std::string& text, HelpSource& source, std::string& error) {
  source = HelpSource();
  std::string paragraph;
  int lineNumber = 0;
  auto endParagraph = [&] {
    if (!paragraph.empty() && !source.topics.empty()) source.topics.back().paragraphs.push_back(paragraph);
    paragraph.clear();
  };
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };

  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(at, end - at));
    at = end + 1;
    ++lineNumber;
    std::string rest;
    if (!line.empty() && line[0] == ';') continue;
    if (line.empty()) {
      endParagraph();
    } else if (StartsWith(line, "title:", rest)) {
      source.title = rest;
    } else if (StartsWith(line, "copyright:", rest)) {
      source.copyright = rest;
    } else if (StartsWith(line, "topic:", rest)) {
      endParagraph();
      std::vector<std::string> parts = Split(rest, '|');
      if (parts.size() != 3 || parts[0].empty() || parts[2].empty())
        return fail("a topic needs \"CONTEXT | MAP | Title\"");
      HelpTopic topic;
      topic.context = parts[0];
      topic.title = parts[2];
      if (parts[1] != "-") {
        char* stop = nullptr;
        topic.map = static_cast<uint32_t>(std::strtoul(parts[1].c_str(), &stop, 16));
        if (parts[1].empty() || *stop) return fail("the context number is not hexadecimal");
        topic.hasMap = true;
      }
      source.topics.push_back(topic);
    } else if (StartsWith(line, "keywords:", rest)) {
      if (source.topics.empty()) return fail("keywords before the first topic");
      for (const std::string& keyword : Split(rest, ';'))
        if (!keyword.empty()) source.topics.back().keywords.push_back(keyword);
    } else {
      if (source.topics.empty()) return fail("text before the first topic");
      if (!paragraph.empty()) paragraph += ' ';
      paragraph += line;
    }
  }
  endParagraph();
  if (source.title.empty()) return fail("no title");
  if (source.topics.empty()) return fail("no topic");
  for (const HelpTopic& topic : source.topics)
    if (topic.paragraphs.empty()) {
      error = "topic " + topic.context + " has no text";
      return false;
    }
  return true;
}
