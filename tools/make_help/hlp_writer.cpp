#include "hlp_writer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "tool_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Topic data is cut into blocks of 4 KiB, each a 12-byte header and data.
constexpr uint32_t kTopicBlockSize = 0x1000;
constexpr uint32_t kTopicBlockData = kTopicBlockSize - 12;
constexpr uint32_t kNone = 0xFFFFFFFF;
constexpr uint16_t kTreePageSize = 0x400;
constexpr uint8_t kTopicHeaderRecord = 0x02, kTextRecord = 0x20;
// Fonts: body text and topic titles.
constexpr uint16_t kBodyFont = 0, kTitleFont = 1;
// A fixed generation date (1999-07-01), so that every build is the same.
constexpr uint32_t kGenerationDate = 930790200;

void Put8(Bytes& b, uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
void PutText(Bytes& b, const std::string& text) {
  b.insert(b.end(), text.begin(), text.end());
  b.push_back(0);
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// The topic records' compact numbers: the low bit of the first byte tells
// the short form from the long one.
void PutCompactLong(Bytes& b, uint32_t v) {
  if (v < 0x4000)
    Put16(b, 0x8000 + 2 * v);
  else
    Put32(b, 0x80000000u + 2 * v + 1);
}
void PutCompactUnsignedShort(Bytes& b, uint32_t v) {
  if (v < 0x80)
    Put8(b, 2 * v);
  else
    Put16(b, 2 * v + 1);
}
void PutCompactShort(Bytes& b, uint32_t v) {  // v below 0x4000
  if (v < 0x40)
    Put8(b, 0x80 + 2 * v);
  else
    Put16(b, 0x8000 + 2 * v + 1);
}

// An internal file: its header (space reserved, space used, flags), then
// its data.
Bytes InternalFile(const Bytes& data) {
  Bytes file;
  Put32(file, static_cast<uint32_t>(data.size() + 9));
  Put32(file, static_cast<uint32_t>(data.size()));
  Put8(file, 4);
  Append(file, data);
  return file;
}

// A B+ tree of one leaf page that holds every entry, in the order given
// (which must be the tree's order).
bool OnePageTree(uint16_t flags, const char* structure, const std::vector<Bytes>& entries, Bytes& tree,
                 std::string& error) {
  Bytes page;
  Put16(page, 0);  // free space, set below
  Put16(page, static_cast<uint32_t>(entries.size()));
  Put16(page, 0xFFFF);  // no previous page
  Put16(page, 0xFFFF);  // no next page
  for (const Bytes& entry : entries) Append(page, entry);
  if (page.size() > kTreePageSize) {
    error = std::string("the B+ tree of ") + structure + " entries does not fit one page";
    return false;
  }
  uint32_t free = kTreePageSize - static_cast<uint32_t>(page.size());
  page[0] = free & 0xFF;
  page[1] = free >> 8;
  page.resize(kTreePageSize, 0);

  tree.clear();
  Put16(tree, 0x293B);
  Put16(tree, flags);
  Put16(tree, kTreePageSize);
  char format[16] = {};
  std::memcpy(format, structure, std::min(std::strlen(structure), sizeof format - 1));
  tree.insert(tree.end(), format, format + sizeof format);
  Put16(tree, 0);       // must be zero
  Put16(tree, 0);       // page splits
  Put16(tree, 0);       // root page
  Put16(tree, 0xFFFF);  // must be -1
  Put16(tree, 1);       // pages
  Put16(tree, 1);       // levels: the root is a leaf
  Put32(tree, static_cast<uint32_t>(entries.size()));
  Append(tree, page);
  return true;
}

// One record of the topic data: a topic header or a text paragraph group.
struct Record {
  uint8_t type;
  Bytes linkData1;  // after the 21-byte record header
  Bytes linkData2;  // the title, or the texts
  uint32_t characters = 0;  // what the text counts as in topic offsets
  size_t topic;
  uint32_t position = 0;  // in the topic data, without block headers
  uint32_t Size() const { return static_cast<uint32_t>(21 + linkData1.size() + linkData2.size()); }
};

// Paragraphs in one font, each ending in a paragraph break, spaced by
// `spaceAfter` half points.
Record TextRecord(size_t topic, uint16_t font, const std::vector<std::string>& paragraphs, uint32_t spaceAfter) {
  Record record{kTextRecord, {}, {}, 0, topic};
  Bytes commands;
  PutText(record.linkData2, "");  // the font is set before the first text
  Put8(commands, 0x80);
  Put16(commands, font);
  for (const std::string& paragraph : paragraphs) {
    PutText(record.linkData2, paragraph);
    Put8(commands, 0x82);
    record.characters += static_cast<uint32_t>(paragraph.size()) + 1;
  }
  PutText(record.linkData2, "");
  Put8(commands, 0xFF);  // end of the paragraph group

  PutCompactLong(record.linkData1, static_cast<uint32_t>(record.linkData2.size()));
  PutCompactUnsignedShort(record.linkData1, record.characters);
  Put8(record.linkData1, 0);     // unknown
  Put8(record.linkData1, 0x80);  // unknown, biased
  Put16(record.linkData1, 0);    // paragraph id
  Put16(record.linkData1, 0x0004);  // left aligned, with space after
  PutCompactShort(record.linkData1, spaceAfter);
  Append(record.linkData1, commands);
  return record;
}

// A topic position: block number and offset in the block, past its header.
uint32_t TopicPos(uint32_t position) {
  return (position / kTopicBlockData) * 0x4000 + 12 + position % kTopicBlockData;
}

struct TopicLayout {
  std::vector<Record> records;
  std::vector<uint32_t> topicOffsets;  // per topic: where viewers jump to
  Bytes data;                          // |TOPIC's data, block headers included
};

bool LayOutTopics(const HelpSource& source, TopicLayout& layout, std::string& error) {
  std::vector<Record>& records = layout.records;
  for (size_t t = 0; t < source.topics.size(); ++t) {
    const HelpTopic& topic = source.topics[t];
    Record header{kTopicHeaderRecord, Bytes(28, 0), {}, 0, t};
    PutText(header.linkData2, topic.title);
    records.push_back(header);
    records.push_back(TextRecord(t, kTitleFont, {topic.title}, 8));
    records.push_back(TextRecord(t, kBodyFont, topic.paragraphs, 6));
  }

  uint32_t position = 0;
  for (Record& record : records) {
    record.position = position;
    position += record.Size();
  }
  if (position / kTopicBlockData >= 0x8000) {
    error = "the topics do not fit the topic positions";
    return false;
  }

  // Topic offsets count the characters of the text before a topic in its
  // block: block number * 0x8000 + characters.
  layout.topicOffsets.assign(source.topics.size(), 0);
  uint32_t block = kNone, characters = 0;
  for (const Record& record : records) {
    if (record.position / kTopicBlockData != block) {
      block = record.position / kTopicBlockData;
      characters = 0;
    }
    if (record.type == kTopicHeaderRecord)
      layout.topicOffsets[record.topic] = block * 0x8000 + characters;
    else
      characters += record.characters;
  }

  Bytes flat;
  for (size_t i = 0; i < records.size(); ++i) {
    Record& record = records[i];
    uint32_t previous = i ? TopicPos(records[i - 1].position) : kNone;
    uint32_t next = i + 1 < records.size() ? TopicPos(records[i + 1].position) : kNone;
    if (record.type == kTopicHeaderRecord) {
      size_t t = record.topic;
      Bytes header;
      uint32_t size = 0, nextTopic = kNone;
      for (size_t j = i; j < records.size() && (j == i || records[j].type != kTopicHeaderRecord); ++j)
        size += records[j].Size();
      for (size_t j = i + 1; j < records.size(); ++j)
        if (records[j].type == kTopicHeaderRecord) {
          nextTopic = TopicPos(records[j].position);
          break;
        }
      Put32(header, size);
      Put32(header, t ? layout.topicOffsets[t - 1] : kNone);                              // browse back
      Put32(header, t + 1 < source.topics.size() ? layout.topicOffsets[t + 1] : kNone);  // browse forward
      Put32(header, static_cast<uint32_t>(t));                                            // topic number
      Put32(header, kNone);                                 // no non-scrolling region
      Put32(header, TopicPos(records[i + 1].position));     // the scrolling region
      Put32(header, nextTopic);
      record.linkData1 = header;
    }
    Put32(flat, record.Size());
    Put32(flat, static_cast<uint32_t>(record.linkData2.size()));
    Put32(flat, previous);
    Put32(flat, next);
    Put32(flat, static_cast<uint32_t>(21 + record.linkData1.size()));
    Put8(flat, record.type);
    Append(flat, record.linkData1);
    Append(flat, record.linkData2);
  }

  // Blocks, each with the positions of the last record before it, of its
  // first record and of the last topic header before it.
  uint32_t blocks = static_cast<uint32_t>((flat.size() + kTopicBlockData - 1) / kTopicBlockData);
  flat.resize(static_cast<size_t>(blocks) * kTopicBlockData, 0);
  for (uint32_t b = 0; b < blocks; ++b) {
    uint32_t lastBefore = kNone, first = kNone, lastHeader = kNone;
    for (const Record& record : records) {
      uint32_t at = record.position / kTopicBlockData;
      if (at < b) {
        lastBefore = TopicPos(record.position);
        if (record.type == kTopicHeaderRecord) lastHeader = TopicPos(record.position);
      }
      if (at == b && first == kNone) first = TopicPos(record.position);
    }
    Put32(layout.data, lastBefore);
    Put32(layout.data, first);
    Put32(layout.data, lastHeader);
    layout.data.insert(layout.data.end(), flat.begin() + b * kTopicBlockData, flat.begin() + (b + 1) * kTopicBlockData);
  }
  return true;
}

Bytes SystemData(const HelpSource& source, uint32_t contentsOffset) {
  Bytes data;
  Put16(data, 0x036C);  // magic
  Put16(data, 21);      // minor version: Windows 3.1
  Put16(data, 1);       // major version
  Put32(data, kGenerationDate);
  Put16(data, 0);  // flags: topics not compressed, 4 KiB blocks
  auto record = [&](uint16_t type, const Bytes& content) {
    Put16(data, type);
    Put16(data, static_cast<uint32_t>(content.size()));
    Append(data, content);
  };
  Bytes text;
  PutText(text, source.title);
  record(1, text);
  text.clear();
  PutText(text, source.copyright);
  record(2, text);
  Bytes contents;
  Put32(contents, contentsOffset);
  record(3, contents);
  return data;
}

Bytes FontData() {
  constexpr uint16_t kFaceLength = 20;
  Bytes data;
  Put16(data, 1);  // face names
  Put16(data, 2);  // descriptors
  Put16(data, 8);
  Put16(data, 8 + kFaceLength);
  char face[kFaceLength] = "Arial";
  data.insert(data.end(), face, face + kFaceLength);
  // Attributes, half points, family (3: swiss), face, colour, background.
  const uint8_t descriptors[2][11] = {
      {0, 20, 3, 0, 0, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF},  // body: 10 points
      {1, 28, 3, 0, 0, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF},  // titles: 14 points bold, dark blue
  };
  for (const auto& descriptor : descriptors) data.insert(data.end(), descriptor, descriptor + 11);
  return data;
}

}  // namespace

int32_t HelpContextHash(const std::string& context) {
  uint32_t hash = 0;
  for (char c : context) {
    uint32_t value = 0;
    if (c >= 'A' && c <= 'Z') value = c - 'A' + 17;
    if (c >= 'a' && c <= 'z') value = c - 'a' + 17;
    if (c >= '1' && c <= '9') value = c - '0';
    if (c == '0') value = 10;
    if (c == '.') value = 12;
    if (c == '_') value = 13;
    if (value) hash = hash * 43 + value;
  }
  return static_cast<int32_t>(hash);
}

bool WriteHelpFile(const HelpSource& source, std::vector<uint8_t>& file, std::string& error) {
  TopicLayout layout;
  if (!LayOutTopics(source, layout, error)) return false;

  // Context strings, by hash (as signed numbers).
  std::vector<std::pair<int32_t, uint32_t>> hashes;
  for (size_t t = 0; t < source.topics.size(); ++t)
    hashes.push_back({HelpContextHash(source.topics[t].context), layout.topicOffsets[t]});
  std::sort(hashes.begin(), hashes.end());
  std::vector<Bytes> contextEntries;
  for (size_t i = 0; i < hashes.size(); ++i) {
    if (i && hashes[i].first == hashes[i - 1].first) {
      error = "two context strings have one hash";
      return false;
    }
    Bytes entry;
    Put32(entry, static_cast<uint32_t>(hashes[i].first));
    Put32(entry, hashes[i].second);
    contextEntries.push_back(entry);
  }

  // Context numbers.
  std::vector<std::pair<uint32_t, uint32_t>> maps;
  for (size_t t = 0; t < source.topics.size(); ++t)
    if (source.topics[t].hasMap) maps.push_back({source.topics[t].map, layout.topicOffsets[t]});
  std::sort(maps.begin(), maps.end());
  Bytes mapData;
  Put16(mapData, static_cast<uint32_t>(maps.size()));
  for (const auto& map : maps) {
    Put32(mapData, map.first);
    Put32(mapData, map.second);
  }

  // Keywords, in index order, each leading to one topic.
  std::vector<std::pair<std::string, uint32_t>> keywords;
  for (size_t t = 0; t < source.topics.size(); ++t)
    for (const std::string& keyword : source.topics[t].keywords) keywords.push_back({keyword, layout.topicOffsets[t]});
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::stable_sort(keywords.begin(), keywords.end(),
                   [&](const auto& a, const auto& b) { return lower(a.first) < lower(b.first); });
  std::vector<Bytes> keywordEntries;
  Bytes keywordData;
  for (size_t i = 0; i < keywords.size(); ++i) {
    if (i && lower(keywords[i].first) == lower(keywords[i - 1].first)) {
      error = "the keyword \"" + keywords[i].first + "\" names two topics";
      return false;
    }
    Bytes entry;
    PutText(entry, keywords[i].first);
    Put16(entry, 1);
    Put32(entry, static_cast<uint32_t>(keywordData.size()));
    keywordEntries.push_back(entry);
    Put32(keywordData, keywords[i].second);
  }

  Bytes contextTree, keywordTree;
  if (!OnePageTree(0x0002, "L4", contextEntries, contextTree, error)) return false;
  if (!OnePageTree(0x0002, "F24", keywordEntries, keywordTree, error)) return false;

  // The internal files, each placed after the 16-byte file header in turn,
  // then the directory that names them.
  const std::vector<std::pair<std::string, Bytes>> internal = {
      {"|SYSTEM", SystemData(source, layout.topicOffsets[0])},
      {"|FONT", FontData()},
      {"|TOPIC", layout.data},
      {"|CONTEXT", contextTree},
      {"|CTXOMAP", mapData},
      {"|KWBTREE", keywordTree},
      {"|KWDATA", keywordData},
  };
  Bytes body;
  std::vector<std::pair<std::string, uint32_t>> directory;
  for (const auto& [name, data] : internal) {
    directory.push_back({name, static_cast<uint32_t>(16 + body.size())});
    Append(body, InternalFile(data));
  }
  std::sort(directory.begin(), directory.end());
  std::vector<Bytes> directoryEntries;
  for (const auto& [name, offset] : directory) {
    Bytes entry;
    PutText(entry, name);
    Put32(entry, offset);
    directoryEntries.push_back(entry);
  }
  Bytes directoryTree;
  if (!OnePageTree(0x0402, "z4", directoryEntries, directoryTree, error)) return false;
  uint32_t directoryStart = static_cast<uint32_t>(16 + body.size());
  Append(body, InternalFile(directoryTree));

  file.clear();
  Put32(file, 0x00035F3F);
  Put32(file, directoryStart);
  Put32(file, kNone);  // no free blocks
  Put32(file, static_cast<uint32_t>(16 + body.size()));
  Append(file, body);
  return true;
}
