// Writes the help file that setup carries, VDLite.hlp, in the WinHelp 3.1
// format: the file header, the internal directory (a one-page B+ tree) and
// five internal files:
//   |SYSTEM   title, copyright, contents topic and contents-file records
//   |FONT     the two fonts the topics use
//   |TOPIC    one uncompressed 4 KB topic block with the four topics
//   |CONTEXT  B+ tree from the hash of each context string to its topic
//   |CTXOMAP  the context numbers that programs pass to WinHelp
// Each topic is a topic header, a heading paragraph with its title and one
// record of body paragraphs; an empty display record closes the chain, as
// the last topic link holds no data that a reader uses. Everything fits in
// the first topic block: a topic position past that block means different
// things to different readers of uncompressed files, so the writer refuses
// to grow beyond it.
// Output is reproducible (fixed generation date, no other time stamps).
//
// Regenerate (from the source tree, after tools/build.sh):
//   cmake --build build/native --target help-file
// The native test HelpFile.CommittedFileIsCurrent fails while the committed
// file differs from what this program writes.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "help_context.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void Put8(Bytes& out, unsigned v) { out.push_back(uint8_t(v)); }
void Put16(Bytes& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutBytes(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
void PutText(Bytes& out, const std::string& s) {  // NUL-terminated
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}
void Set32(Bytes& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// The compressed numbers of paragraph records: the low bit of the first
// byte tells the short form (value * 2) from the long one (value * 2 + 1).
void PutCompressedUShort(Bytes& out, unsigned v) {  // < 32768
  if (v < 128) {
    Put8(out, v * 2);
  } else {
    Put16(out, v * 2 + 1);
  }
}
void PutCompressedShort(Bytes& out, int v) {  // -64..63
  Put8(out, unsigned(v * 2 + 0x80));
}
void PutCompressedLong(Bytes& out, int32_t v) {  // -16384..16383: the two-byte form
  Put16(out, unsigned(v * 2 + 0x8000));
}

const uint32_t kHelpMagic = 0x00035F3F;
const unsigned kSystemMagic = 0x036C;
const unsigned kBtreeMagic = 0x293B;
const unsigned kDirectoryPageSize = 1024;
const unsigned kTreePageSize = 2048;
const uint32_t kGenerationDate = 962758800;  // 2000-07-05 01:00:00 UTC
const uint32_t kNone = 0xFFFFFFFF;
const unsigned kTopicBlockSize = 4096;  // uncompressed WinHelp 3.1 topic block
const unsigned kBlockHeaderSize = 12;
const unsigned kFaceNameSize = 32;

// The record types of topic links, and the character formatting commands of
// paragraph records.
const unsigned kTopicHeader = 0x02, kDisplayText = 0x20;
const unsigned kFontChange = 0x80, kEndOfParagraph = 0x82, kEndOfFormatting = 0xFF;
const unsigned kSpacingBelowFollows = 0x0004;

// Fonts of the |FONT file, by descriptor number.
const unsigned kBodyFont = 0, kHeadingFont = 1;

struct Topic {
  const char* context;  // context string, as the contents file names it
  const char* title;
  std::vector<std::string> paragraphs;
};

// The topics, in file order; the first is the contents topic.
const Topic kTopics[] = {
    {"overview",
     "Overview",
     {"Vandrel Lite 1.0 defragments files on Windows NT 4.0 and Windows 2000. A file whose data lies in many "
      "scattered pieces on the disk takes longer to read; Vandrel Lite moves the pieces together.",
      "There is no program to start: Vandrel Lite works from the Properties window that Windows shows for "
      "every file. The other topics of this help file tell how to process files, how jobs are scheduled and "
      "how to uninstall Vandrel Lite."}},
    {"processing_files",
     "Processing files",
     {"Right-click a selected file, or a group of selected files, with the mouse and choose Properties.",
      "Click the Vandrel tab of the Properties window to process the file or files."}},
    {"scheduling_jobs",
     "Scheduling jobs",
     {"A file that is in use while Windows runs cannot always be moved. Vandrel Lite keeps such a request as "
      "a job and carries it out with its boot-time program the next time Windows starts, before other "
      "programs open their files.",
      "Restart Windows when you want the waiting jobs done."}},
    {"uninstalling",
     "Uninstalling Vandrel Lite",
     {"To uninstall Vandrel Lite, open Control Panel, choose Add/Remove Programs, select Vandrel Lite in the "
      "list and remove it.",
      "Then restart Windows: the uninstallation is completed at the restart. Setup asks for this restart if "
      "you run it again before."}},
};

struct MappedContext {
  uint32_t number;
  const char* context;
};
// What programs ask for with HELP_CONTEXT.
const MappedContext kContextMap[] = {{0xC0000110u, "overview"}};

// An internal file: FILEHEADER (reserved space, used space, flags) + body.
void PutInternalFile(Bytes& out, const Bytes& body) {
  Put32(out, uint32_t(9 + body.size()));
  Put32(out, uint32_t(body.size()));
  out.push_back(4);
  PutBytes(out, body);
}

void PutSystemRecord(Bytes& out, unsigned type, const std::string& text) {
  Put16(out, type);
  Put16(out, unsigned(text.size() + 1));
  PutText(out, text);
}

Bytes SystemFile() {
  Bytes body;
  Put16(body, kSystemMagic);
  Put16(body, 21);  // minor version: WinHelp 3.1
  Put16(body, 1);   // major version
  Put32(body, kGenerationDate);
  Put16(body, 0);  // flags: topics not compressed, 4 KB topic blocks
  PutSystemRecord(body, 1, "Vandrel Lite Help");
  PutSystemRecord(body, 2, "Copyright (c) 2000 VandrelSoft");
  Put16(body, 3);  // contents topic: the first, at topic offset 0
  Put16(body, 4);
  Put32(body, 0);
  PutSystemRecord(body, 10, "VDLite.cnt");
  return body;
}

// Face names of fixed size, then descriptors of 11 bytes: attributes (bit 0
// bold), size in half points, family (3 swiss), face name index,
// foreground and background colour.
Bytes FontFile() {
  const unsigned faces = 1, descriptors = 2;
  Bytes body;
  Put16(body, faces);
  Put16(body, descriptors);
  Put16(body, 8);                          // face names follow this header
  Put16(body, 8 + faces * kFaceNameSize);  // then the descriptors
  std::string face = "Arial";
  face.resize(kFaceNameSize, '\0');
  body.insert(body.end(), face.begin(), face.end());
  struct Descriptor {
    unsigned attributes, halfPoints;
  };
  const Descriptor fonts[descriptors] = {{0, 20}, {1, 28}};  // body 10 pt, heading 14 pt bold
  for (const Descriptor& d : fonts) {
    Put8(body, d.attributes);
    Put8(body, d.halfPoints);
    Put8(body, 3);                                      // swiss
    Put16(body, 0);                                     // face name 0
    Put8(body, 0), Put8(body, 0), Put8(body, 0);        // black
    Put8(body, 255), Put8(body, 255), Put8(body, 255);  // white
  }
  return body;
}

// The |TOPIC file and the topic offset of each topic, which the context
// tree, the context map and the contents record point at.
struct TopicData {
  Bytes file;
  std::vector<uint32_t> offsets;
};

// One topic link: TOPICLINK header, LinkData1, LinkData2; the previous and
// next positions are set once the chain is laid out.
struct Link {
  unsigned type;
  Bytes data1, data2;
  size_t at = 0;  // offset in the block's data
};

// A display-text record: paragraph info, then one string of LinkData2 per
// formatting command. Every paragraph of the record has the same info.
// LinkData1 starts with two sizes: TopicSize, the bytes of LinkData1 that
// follow both size fields, and TopicLength, the characters of the record
// (every character and terminator of its strings), which topic offsets
// count with.
Link Paragraphs(unsigned font, const std::vector<std::string>& paragraphs, int spacingBelow) {
  Link link{kDisplayText, {}, {}};
  Bytes format;
  link.data2.push_back(0);  // empty string before the font change
  for (const std::string& p : paragraphs) PutText(link.data2, p);
  link.data2.push_back(0);  // empty string before the end of formatting
  Put8(format, 0);
  Put8(format, 0x80);  // biased zero
  Put16(format, 0);    // id
  Put16(format, kSpacingBelowFollows);
  PutCompressedShort(format, spacingBelow);
  Put8(format, kFontChange);
  Put16(format, font);
  for (size_t i = 0; i < paragraphs.size(); ++i) Put8(format, kEndOfParagraph);
  Put8(format, kEndOfFormatting);
  PutCompressedLong(link.data1, int32_t(format.size()));
  PutCompressedUShort(link.data1, unsigned(link.data2.size()));
  PutBytes(link.data1, format);
  return link;
}

// The last topic link: a display record without text or paragraphs, whose
// formatting ends at once. Readers that follow the format skip it; Wine's
// help viewer reads it as an empty record of the last topic, where it shows
// nothing (a topic header there would make a page of its own).
Link ClosingLink() {
  Link link{kDisplayText, {}, {}};
  Bytes format;
  Put8(format, 0);
  Put8(format, 0x80);  // biased zero
  Put16(format, 0);    // id
  Put16(format, 0);    // no paragraph settings
  Put8(format, kEndOfFormatting);
  PutCompressedLong(link.data1, int32_t(format.size()));
  PutCompressedUShort(link.data1, 0);
  PutBytes(link.data1, format);
  return link;
}

const unsigned kLinkHeaderSize = 21;
const unsigned kTopicHeaderSize = 28;

uint32_t PositionOf(size_t at) { return uint32_t(kBlockHeaderSize + at); }  // block 0

bool BuildTopics(TopicData* topics) {
  std::vector<Link> links;
  std::vector<size_t> headers;  // index in links of each topic header
  for (const Topic& t : kTopics) {
    headers.push_back(links.size());
    Link header{kTopicHeader, Bytes(kTopicHeaderSize, 0), {}};
    PutText(header.data2, t.title);
    links.push_back(header);
    links.push_back(Paragraphs(kHeadingFont, {t.title}, 6));
    links.push_back(Paragraphs(kBodyFont, t.paragraphs, 6));
  }
  links.push_back(ClosingLink());
  const size_t closing = links.size() - 1;
  size_t at = 0;
  for (Link& l : links) {
    l.at = at;
    at += kLinkHeaderSize + l.data1.size() + l.data2.size();
  }
  if (kBlockHeaderSize + at > kTopicBlockSize) {
    std::fprintf(stderr, "mkhelp: the topics need %zu bytes, more than one topic block\n", at);
    return false;
  }
  // Topic offsets: characters counted from the start of the block.
  uint32_t characters = 0;
  for (const Link& l : links) {
    if (l.type == kTopicHeader) {
      topics->offsets.push_back(characters);
    } else {
      characters += uint32_t(l.data2.size());
    }
  }
  for (size_t topic = 0; topic < headers.size(); ++topic) {
    const size_t first = headers[topic];
    const size_t end = topic + 1 < headers.size() ? headers[topic + 1] : closing;
    const size_t endAt = links[end].at;
    Bytes& h = links[first].data1;
    Set32(h, 0, uint32_t(endAt - links[first].at));  // size of the topic's links
    Set32(h, 4, kNone);                              // no browse sequence
    Set32(h, 8, kNone);
    Set32(h, 12, uint32_t(topic));                  // topic number
    Set32(h, 16, kNone);                            // no non-scrolling region
    Set32(h, 20, PositionOf(links[first + 1].at));  // scrolling region
    Set32(h, 24, end != closing ? PositionOf(links[end].at) : kNone);
  }

  Bytes& file = topics->file;
  Put32(file, kNone);                                 // no previous block
  Put32(file, PositionOf(0));                         // first topic link
  Put32(file, PositionOf(links[headers.back()].at));  // last topic header
  for (size_t i = 0; i < links.size(); ++i) {
    const Link& l = links[i];
    Put32(file, uint32_t(kLinkHeaderSize + l.data1.size() + l.data2.size()));
    Put32(file, uint32_t(l.data2.size()));
    Put32(file, i > 0 ? PositionOf(links[i - 1].at) : kNone);
    Put32(file, i + 1 < links.size() ? PositionOf(links[i + 1].at) : kNone);
    Put32(file, uint32_t(kLinkHeaderSize + l.data1.size()));
    Put8(file, l.type);
    PutBytes(file, l.data1);
    PutBytes(file, l.data2);
  }
  file.resize(kTopicBlockSize, 0);  // a whole block, as readers copy one
  return true;
}

// A one-page B+ tree: header and one leaf page of entries.
Bytes Btree(unsigned flags, unsigned pageSize, const char* structure, unsigned entries, const Bytes& leafData) {
  Bytes body;
  Put16(body, kBtreeMagic);
  Put16(body, flags);
  Put16(body, pageSize);
  std::string s = structure;
  s.resize(16, '\0');
  body.insert(body.end(), s.begin(), s.end());
  Put16(body, 0);       // must be zero
  Put16(body, 0);       // page splits
  Put16(body, 0);       // root page
  Put16(body, 0xFFFF);  // must be -1
  Put16(body, 1);       // total pages
  Put16(body, 1);       // levels
  Put32(body, entries);

  Bytes page;
  Put16(page, unsigned(pageSize - 8 - leafData.size()));  // free bytes
  Put16(page, entries);
  Put16(page, 0xFFFF);  // previous page
  Put16(page, 0xFFFF);  // next page
  PutBytes(page, leafData);
  page.resize(pageSize, 0);
  PutBytes(body, page);
  return body;
}

struct DirectoryEntry {
  std::string name;
  uint32_t offset;
};

// The internal directory: (name, file offset) pairs in name order.
Bytes Directory(const std::vector<DirectoryEntry>& entries) {
  Bytes leaf;
  for (const DirectoryEntry& e : entries) {
    PutText(leaf, e.name);
    Put32(leaf, e.offset);
  }
  return Btree(0x0402, kDirectoryPageSize, "z4", unsigned(entries.size()), leaf);  // always-set bit | directory
}

uint32_t OffsetOfContext(const TopicData& topics, const std::string& context) {
  for (size_t i = 0; i < sizeof kTopics / sizeof kTopics[0]; ++i)
    if (context == kTopics[i].context) return topics.offsets[i];
  return kNone;
}

// Hash to topic offset, in ascending order of the signed hash.
Bytes ContextFile(const TopicData& topics) {
  std::vector<std::pair<int32_t, uint32_t>> entries;
  for (size_t i = 0; i < sizeof kTopics / sizeof kTopics[0]; ++i) {
    int32_t hash = 0;
    HashContext(kTopics[i].context, &hash);  // checked in main
    entries.push_back({hash, topics.offsets[i]});
  }
  for (size_t i = 1; i < entries.size(); ++i)  // insertion sort: four entries
    for (size_t j = i; j > 0 && entries[j].first < entries[j - 1].first; --j) std::swap(entries[j], entries[j - 1]);
  Bytes leaf;
  for (const auto& e : entries) {
    Put32(leaf, uint32_t(e.first));
    Put32(leaf, e.second);
  }
  return Btree(0x0002, kTreePageSize, "L4", unsigned(entries.size()), leaf);
}

Bytes ContextMapFile(const TopicData& topics) {
  Bytes body;
  Put16(body, unsigned(sizeof kContextMap / sizeof kContextMap[0]));
  for (const MappedContext& m : kContextMap) {
    Put32(body, m.number);
    Put32(body, OffsetOfContext(topics, m.context));
  }
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "res/payload/VDLite.hlp";
  for (const Topic& t : kTopics) {
    int32_t hash = 0;
    if (!HashContext(t.context, &hash)) {
      std::fprintf(stderr, "mkhelp: \"%s\" is no WinHelp 3.1 context string (letters, digits, '.', '_')\n", t.context);
      return 1;
    }
  }
  TopicData topics;
  if (!BuildTopics(&topics)) return 1;

  Bytes out;
  Put32(out, kHelpMagic);
  Put32(out, 0);      // directory start, set below
  Put32(out, kNone);  // no free block
  Put32(out, 0);      // file size, set below

  std::vector<DirectoryEntry> directory;  // in name order
  directory.push_back({"|CONTEXT", uint32_t(out.size())});
  PutInternalFile(out, ContextFile(topics));
  directory.push_back({"|CTXOMAP", uint32_t(out.size())});
  PutInternalFile(out, ContextMapFile(topics));
  directory.push_back({"|FONT", uint32_t(out.size())});
  PutInternalFile(out, FontFile());
  directory.push_back({"|SYSTEM", uint32_t(out.size())});
  PutInternalFile(out, SystemFile());
  directory.push_back({"|TOPIC", uint32_t(out.size())});
  PutInternalFile(out, topics.file);
  const uint32_t directory_at = uint32_t(out.size());
  PutInternalFile(out, Directory(directory));
  Set32(out, 4, directory_at);
  Set32(out, 12, uint32_t(out.size()));

  FILE* f = std::fopen(path, "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "mkhelp: cannot write %s\n", path);
    return 1;
  }
  return 0;
}
