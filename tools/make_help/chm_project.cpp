#include "chm_project.h"

#include <cstdio>
#include <sstream>

namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PageOf(const HelpTopic& topic) { return topic.context + ".htm"; }

const HelpTopic* TopicNamed(const HelpSource& source, const std::string& context) {
  for (const HelpTopic& topic : source.topics)
    if (topic.context == context) return &topic;
  return nullptr;
}

bool WriteText(const std::string& path, const std::string& text, std::string& error) {
  FILE* file = std::fopen(path.c_str(), "wb");
  bool ok = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file && std::fclose(file) != 0) ok = false;
  if (!ok) error = "cannot write " + path;
  return ok;
}

std::string SitemapEntry(const std::string& name, const std::string& page) {
  std::string entry = "<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"" + Escaped(name) + "\">";
  if (!page.empty()) entry += "<param name=\"Local\" value=\"" + page + "\">";
  return entry + "</OBJECT>\n";
}

const char kSitemapHead[] =
    "<!DOCTYPE HTML PUBLIC \"-//IETF//DTD HTML//EN\">\n<HTML><HEAD></HEAD><BODY>\n"
    "<OBJECT type=\"text/site properties\"></OBJECT>\n";

// The contents file's lines: "N Book" opens a book at level N, "N Title=context"
// is a topic; ":" lines are the WinHelp viewer's own.
bool Contents(const HelpSource& source, const std::string& cnt, std::string& hhc, std::string& error) {
  hhc = kSitemapHead;
  int depth = 0;
  std::istringstream lines(cnt);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ':' || line[0] < '1' || line[0] > '9') continue;
    int level = line[0] - '0';
    std::string rest = line.substr(line.find(' ') == std::string::npos ? line.size() : line.find(' ') + 1);
    while (depth < level) hhc += std::string(depth++, ' ') + "<UL>\n";
    while (depth > level) hhc += std::string(--depth, ' ') + "</UL>\n";
    size_t equals = rest.find('=');
    if (equals == std::string::npos) {
      hhc += SitemapEntry(rest, "");
      continue;
    }
    const HelpTopic* topic = TopicNamed(source, rest.substr(equals + 1));
    if (!topic) {
      error = "the contents name no topic " + rest.substr(equals + 1);
      return false;
    }
    hhc += SitemapEntry(rest.substr(0, equals), PageOf(*topic));
  }
  while (depth > 0) hhc += std::string(--depth, ' ') + "</UL>\n";
  hhc += "</BODY></HTML>\n";
  return true;
}

std::string Page(const HelpSource& source, const HelpTopic& topic) {
  std::string page =
      "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<HTML><HEAD>\n"
      "<META http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\n<TITLE>" +
      Escaped(topic.title) + "</TITLE>\n</HEAD><BODY>\n<H1>" + Escaped(topic.title) + "</H1>\n";
  for (const std::string& paragraph : topic.paragraphs) page += "<P>" + Escaped(paragraph) + "</P>\n";
  return page + "<P><SMALL>" + Escaped(source.copyright) + "</SMALL></P>\n</BODY></HTML>\n";
}

}  // namespace

// Without full-text search and with the index as a sitemap, the compiler's
// output differs between runs only in its two times (see --settle-chm).
bool WriteChmProject(const HelpSource& source, const std::string& contents, const std::string& directory,
                     std::string& error) {
  if (source.topics.empty()) {
    error = "no topics";
    return false;
  }
  std::string hhc;
  if (!Contents(source, contents, hhc, error)) return false;
  const std::string first = PageOf(source.topics[0]);
  std::string hhk = std::string(kSitemapHead) + "<UL>\n";
  std::string files, aliases, map;
  for (const HelpTopic& topic : source.topics) {
    if (!WriteText(directory + "/" + PageOf(topic), Page(source, topic), error)) return false;
    for (const std::string& keyword : topic.keywords) hhk += SitemapEntry(keyword, PageOf(topic));
    files += PageOf(topic) + "\n";
    if (!topic.hasMap) continue;
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(topic.map));
    aliases += topic.context + "=" + PageOf(topic) + "\n";
    map += "#define " + topic.context + " " + number + "\n";
  }
  hhk += "</UL>\n</BODY></HTML>\n";
  const std::string project = "[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=parvello.chm\n"
                              "Contents file=parvello.hhc\nIndex file=parvello.hhk\nBinary Index=No\nDefault topic=" + first +
                              "\nDefault Window=main\nDisplay compile progress=No\nFull-text search=No\n"
                              "Language=0x409 English (United States)\nTitle=" + source.title +
                              "\n\n[WINDOWS]\nmain=\"" + source.title + "\",\"parvello.hhc\",\"parvello.hhk\",\"" +
                              first + "\",\"" + first + "\",,,,,0x2520,,0x3006,,,,,,,,0\n\n[FILES]\n" + files +
                              "\n[ALIAS]\n" + aliases + "\n[MAP]\n" + map;
  return WriteText(directory + "/parvello.hhp", project, error) &&
         WriteText(directory + "/parvello.hhc", hhc, error) && WriteText(directory + "/parvello.hhk", hhk, error);
}
