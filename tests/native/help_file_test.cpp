// The committed help file VDLite.hlp, read as the WinHelp 3.1 file format
// is described, not as the writer (tools/mkhelp.cpp) builds it: header,
// internal directory, each internal file's header, the topic chain, the
// context tree and the context-number map, checked against the contents
// file VDLite.cnt that setup installs beside it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "../../tools/help_context.h"

namespace {

const std::string kPayloadDir = SETUPVDL_SOURCE_DIR "/res/payload/";
const uint32_t kNone = 0xFFFFFFFF;
const uint32_t kOverviewContext = 0xC0000110u;  // what the finish page asks for

bool ReadFile(const std::string& path, std::string* data) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data->append(buffer, n);
  std::fclose(f);
  return true;
}

// Little-endian reads that fail the test instead of reading past the data.
class Reader {
 public:
  Reader(const std::string& data, size_t at, size_t end) : data_(data), at_(at), end_(end) {}
  bool ok() const { return ok_; }
  size_t at() const { return at_; }
  size_t left() const { return ok_ ? end_ - at_ : 0; }
  unsigned U8() { return Need(1) ? uint8_t(data_[at_++]) : 0; }
  unsigned U16() {
    unsigned lo = U8();
    return lo | U8() << 8;
  }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | uint32_t(U16()) << 16;
  }
  std::string Text() {  // NUL-terminated
    std::string s;
    for (unsigned c; ok_ && (c = U8()) != 0;) s += char(c);
    return s;
  }
  // Compressed numbers of paragraph records: the low bit of the first byte
  // selects the long form.
  unsigned CompressedUShort() {
    if (!Need(1)) return 0;
    return (uint8_t(data_[at_]) & 1) ? U16() / 2 : U8() / 2;
  }
  int CompressedShort() {
    if (!Need(1)) return 0;
    return (uint8_t(data_[at_]) & 1) ? int(U16()) / 2 - 16384 : int(U8()) / 2 - 64;
  }
  // Compressed signed long: two bytes (value / 2 - 16384) when the low bit
  // is clear, else four (value / 2 - 67108864).
  int32_t CompressedLong() {
    if (!Need(2)) return 0;
    if (uint8_t(data_[at_]) & 1) {
      const uint32_t value = U32();
      return int32_t(value / 2) - 67108864;
    }
    return int32_t(U16() / 2) - 16384;
  }

 private:
  bool Need(size_t n) {
    if (ok_ && end_ - at_ >= n) return true;
    ok_ = false;
    return false;
  }
  const std::string& data_;
  size_t at_, end_;
  bool ok_ = true;
};

struct InternalFile {
  uint32_t offset = 0, reserved = 0, used = 0;
  size_t body() const { return offset + 9; }
  size_t end() const { return body() + used; }
};

struct Topic {
  uint32_t offset;  // topic offset: characters before its header
  uint32_t position;
  std::string title;
  std::vector<std::string> paragraphs;
};

// The hash of a context string as the help program computes it: each byte
// through this table of signed values, base 43; an empty string hashes to 1.
const signed char kHashTable[256] = {
    0,    -47,  -46,  -45,  -44,  -43,  -42,  -41,  -40,  -39,  -38,  -37,  -36,  -35,  -34,  -33,  -32,  -31,  -30,
    -29,  -28,  -27,  -26,  -25,  -24,  -23,  -22,  -21,  -20,  -19,  -18,  -17,  -16,  11,   -14,  -13,  -12,  -11,
    -10,  -9,   -8,   -7,   -6,   -5,   -4,   -3,   12,   -1,   10,   1,    2,    3,    4,    5,    6,    7,    8,
    9,    10,   11,   12,   13,   14,   15,   16,   17,   18,   19,   20,   21,   22,   23,   24,   25,   26,   27,
    28,   29,   30,   31,   32,   33,   34,   35,   36,   37,   38,   39,   40,   41,   42,   11,   12,   13,   14,
    13,   16,   17,   18,   19,   20,   21,   22,   23,   24,   25,   26,   27,   28,   29,   30,   31,   32,   33,
    34,   35,   36,   37,   38,   39,   40,   41,   42,   43,   44,   45,   46,   47,   80,   81,   82,   83,   84,
    85,   86,   87,   88,   89,   90,   91,   92,   93,   94,   95,   96,   97,   98,   99,   100,  101,  102,  103,
    104,  105,  106,  107,  108,  109,  110,  111,  112,  113,  114,  115,  116,  117,  118,  119,  120,  121,  122,
    123,  124,  125,  126,  127,  -128, -127, -126, -125, 11,   -123, -122, -121, -120, -119, -118, -117, -116, -115,
    -114, -113, -112, -111, -110, -109, -108, -107, -106, -105, -104, -103, -102, -101, -100, -99,  -98,  -97,  -96,
    -95,  -94,  -93,  -92,  -91,  -90,  -89,  -88,  -87,  -86,  -85,  -84,  -83,  -82,  -81,  -80,  -79,  -78,  -77,
    -76,  -75,  -74,  -73,  -72,  -71,  -70,  -69,  -68,  -67,  -66,  -65,  -64,  -63,  -62,  -61,  -60,  -59,  -58,
    -57,  -56,  -55,  -54,  -53,  -52,  -51,  -50,  -49};

int32_t ContextHash(const std::string& context) {
  if (context.empty()) return 1;
  uint32_t hash = 0;
  for (char c : context) hash = hash * 43 + uint32_t(int32_t(kHashTable[uint8_t(c)]));
  return int32_t(hash);
}

class HelpFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ReadFile(kPayloadDir + "VDLite.hlp", &data_)); }

  // The FILEHEADER at offset: reserved space, used space, flags.
  void ReadInternalFile(uint32_t offset, InternalFile* file) {
    Reader r(data_, offset, data_.size());
    file->offset = offset;
    file->reserved = r.U32();
    file->used = r.U32();
    EXPECT_EQ(r.U8(), 4u) << "file flags";
    ASSERT_TRUE(r.ok()) << "header beyond the end at " << offset;
    EXPECT_GE(file->reserved, file->used + 9) << "reserved space holds header and data";
    ASSERT_LE(size_t(offset) + file->reserved, data_.size()) << "internal file beyond the end";
  }

  // A B+ tree of one leaf page; returns the reader at its first entry.
  Reader OneLeafTree(const InternalFile& file, unsigned flags, unsigned pageSize, const std::string& structure,
                     unsigned* entries) {
    Reader r(data_, file.body(), file.end());
    EXPECT_EQ(r.U16(), 0x293Bu) << "B+ tree magic";
    EXPECT_EQ(r.U16(), flags);
    EXPECT_EQ(r.U16(), pageSize);
    std::string s;
    for (int i = 0; i < 16; ++i) s += char(r.U8());
    EXPECT_EQ(s.c_str(), structure);
    EXPECT_EQ(r.U16(), 0u);
    r.U16();                 // page splits
    EXPECT_EQ(r.U16(), 0u);  // root page
    EXPECT_EQ(r.U16(), 0xFFFFu);
    EXPECT_EQ(r.U16(), 1u);  // pages
    EXPECT_EQ(r.U16(), 1u);  // levels: the root is the leaf
    const uint32_t total = r.U32();
    EXPECT_EQ(r.left(), pageSize) << "one page follows the header";
    r.U16();  // free bytes
    *entries = r.U16();
    EXPECT_EQ(*entries, total);
    EXPECT_EQ(r.U16(), 0xFFFFu);  // no previous leaf
    EXPECT_EQ(r.U16(), 0xFFFFu);  // no next leaf
    return r;
  }

  void ReadDirectory() {
    Reader header(data_, 0, data_.size());
    ASSERT_EQ(header.U32(), 0x00035F3Fu);
    const uint32_t directoryAt = header.U32();
    EXPECT_EQ(header.U32(), kNone) << "no free list";
    EXPECT_EQ(header.U32(), data_.size()) << "recorded file size";
    InternalFile directory;
    ASSERT_NO_FATAL_FAILURE(ReadInternalFile(directoryAt, &directory));
    unsigned entries = 0;
    Reader r = OneLeafTree(directory, 0x0402, 1024, "z4", &entries);
    std::string previous;
    for (unsigned i = 0; i < entries; ++i) {
      const std::string name = r.Text();
      const uint32_t offset = r.U32();
      ASSERT_TRUE(r.ok());
      EXPECT_LT(previous, name) << "names in ascending order";
      previous = name;
      ASSERT_NO_FATAL_FAILURE(ReadInternalFile(offset, &files_[name]));
    }
    // No two internal files, the directory included, share a byte.
    std::map<uint32_t, uint32_t> spans = {{directory.offset, directory.reserved}};
    for (const auto& f : files_) spans[f.second.offset] = f.second.reserved;
    ASSERT_EQ(spans.size(), files_.size() + 1);
    for (auto it = spans.begin(); std::next(it) != spans.end(); ++it)
      EXPECT_LE(it->first + it->second, std::next(it)->first) << "internal file at " << it->first << " overlaps";
  }

  // |TOPIC: one uncompressed 4 KB block (topic block 0), its topic links
  // chained from position 12 on. The last link of the chain holds no data
  // that a reader may use. A topic's offset is its block number times 32768
  // plus the characters (each character and terminator of LinkData2) of the
  // display records before its header in the block.
  void ReadTopics(unsigned fonts) {
    const InternalFile& file = files_["|TOPIC"];
    ASSERT_EQ(file.used, 4096u) << "one whole topic block";
    Reader block(data_, file.body(), file.end());
    EXPECT_EQ(block.U32(), kNone) << "no previous block";
    ASSERT_EQ(block.U32(), 12u) << "first topic link";
    const uint32_t lastHeader = block.U32();
    // The chain first: positions of all links, the last one unused.
    std::vector<uint32_t> chain;
    for (uint32_t position = 12, previous = kNone; position != kNone && position != 0;) {
      ASSERT_LT(chain.size(), 100u) << "topic links form a loop";
      ASSERT_GE(position, 12u);
      ASSERT_LT(position + 21, 4096u) << "a link in the first block";
      Reader link(data_, file.body() + position, file.end());
      link.U32();
      link.U32();
      EXPECT_EQ(link.U32(), previous) << "previous link of " << position;
      chain.push_back(position);
      previous = position;
      position = link.U32();
      ASSERT_TRUE(link.ok());
    }
    ASSERT_GE(chain.size(), 2u) << "topics and the closing link";
    uint32_t characters = 0, expectedNextTopic = 12, topicSize = 0, topicSizeSum = 0;
    for (size_t i = 0; i + 1 < chain.size(); ++i) {
      const uint32_t position = chain[i];
      Reader link(data_, file.body() + position, file.end());
      const uint32_t blockSize = link.U32(), dataLen2 = link.U32();
      link.U32();
      const uint32_t next = link.U32(), dataLen1 = link.U32();
      const unsigned type = link.U8();
      ASSERT_TRUE(link.ok());
      ASSERT_GE(dataLen1, 21u) << "DataLen1 includes the TOPICLINK";
      ASSERT_LE(position + blockSize, 4096u);
      ASSERT_GE(blockSize, dataLen1);
      ASSERT_EQ(blockSize - dataLen1, dataLen2) << "LinkData2 stored as is: BlockSize is TOPICLINK + both parts";
      Reader data1(data_, file.body() + position + 21, file.body() + position + dataLen1);
      Reader data2(data_, file.body() + position + dataLen1, file.body() + position + blockSize);
      if (type == 0x02) {
        if (!topics_.empty()) EXPECT_EQ(topicSizeSum, topicSize) << "size of topic " << topics_.back().title;
        EXPECT_EQ(position, expectedNextTopic) << "the previous header's next topic";
        Topic t{0 * 32768 + characters, position, data2.Text(), {}};
        EXPECT_EQ(data2.left(), 0u) << "no macros after the title";
        topicSize = data1.U32();
        topicSizeSum = 0;
        EXPECT_EQ(data1.U32(), kNone) << "no browse sequence";
        EXPECT_EQ(data1.U32(), kNone);
        EXPECT_EQ(data1.U32(), topics_.size()) << "topic number";
        EXPECT_EQ(data1.U32(), kNone) << "no non-scrolling region";
        EXPECT_EQ(data1.U32(), next) << "scrolling region follows the header";
        expectedNextTopic = data1.U32();
        topics_.push_back(t);
        lastHeaderSeen_ = position;
      } else {
        ASSERT_EQ(type, 0x20u) << "display text at " << position;
        ASSERT_FALSE(topics_.empty()) << "text before the first topic header";
        const int32_t topicSizeField = data1.CompressedLong();
        const unsigned topicLength = data1.CompressedUShort();
        ASSERT_TRUE(data1.ok());
        EXPECT_EQ(size_t(topicSizeField), data1.left()) << "TopicSize: the LinkData1 bytes after both sizes";
        data1.U8();
        data1.U8();
        data1.U16();
        const unsigned bits = data1.U16();
        EXPECT_EQ(bits & ~0x0004u, 0u) << "only spacing below";
        if (bits & 0x0004) data1.CompressedShort();
        // Strings of LinkData2 and formatting commands alternate; every
        // character and terminator passed counts.
        std::string paragraph;
        unsigned counted = 0;
        for (;;) {
          const std::string text = data2.Text();
          counted += unsigned(text.size()) + 1;
          paragraph += text;
          const unsigned command = data1.U8();
          ASSERT_TRUE(data1.ok() && data2.ok()) << "formatting runs out at " << position;
          if (command == 0xFF) break;
          if (command == 0x80) {
            EXPECT_LT(data1.U16(), fonts) << "font of the |FONT file";
          } else {
            ASSERT_EQ(command, 0x82u) << "end of paragraph";
            topics_.back().paragraphs.push_back(paragraph);
            paragraph.clear();
          }
        }
        EXPECT_EQ(paragraph, "");
        EXPECT_EQ(data1.left(), 0u);
        EXPECT_EQ(data2.left(), 0u);
        EXPECT_EQ(topicLength, counted) << "TopicLength: the characters of the record";
        characters += topicLength;
      }
      topicSizeSum += blockSize;
    }
    EXPECT_EQ(topicSizeSum, topicSize) << "size of the last topic";
    EXPECT_EQ(expectedNextTopic, kNone) << "the last topic has no next topic";
    EXPECT_EQ(lastHeader, lastHeaderSeen_);
    // Wine's help viewer reads the closing link too: as a display record it
    // adds nothing to the last topic; a topic header would be a page.
    Reader closing(data_, file.body() + chain.back(), file.end());
    const uint32_t closingSize = closing.U32();
    closing.U32();
    closing.U32();
    closing.U32();
    const uint32_t closingLen1 = closing.U32();
    EXPECT_EQ(closing.U8(), 0x20u) << "the closing link is no topic header";
    EXPECT_GE(closingSize, 25u) << "room for the two sizes that a reader of display records takes";
    EXPECT_LE(chain.back() + closingSize, 4096u);
    Reader closingData(data_, file.body() + chain.back() + 21, file.body() + chain.back() + closingLen1);
    closingData.CompressedLong();
    EXPECT_EQ(closingData.CompressedUShort(), 0u) << "no characters";
    EXPECT_EQ(closingSize, closingLen1) << "no text";
  }

  const Topic* TopicAt(uint32_t offset) const {
    for (const Topic& t : topics_)
      if (t.offset == offset) return &t;
    return nullptr;
  }

  std::string data_;
  std::map<std::string, InternalFile> files_;
  std::vector<Topic> topics_;
  uint32_t lastHeaderSeen_ = kNone;
};

TEST_F(HelpFile, InternalFilesTopicsContextTreeAndMapAgreeWithTheContentsFile) {
  ASSERT_NO_FATAL_FAILURE(ReadDirectory());
  std::set<std::string> names;
  for (const auto& f : files_) names.insert(f.first);
  EXPECT_EQ(names, (std::set<std::string>{"|CONTEXT", "|CTXOMAP", "|FONT", "|SYSTEM", "|TOPIC"}));

  // |SYSTEM: WinHelp 3.1, uncompressed, records up to its end.
  Reader system(data_, files_["|SYSTEM"].body(), files_["|SYSTEM"].end());
  EXPECT_EQ(system.U16(), 0x036Cu);
  EXPECT_EQ(system.U16(), 21u) << "minor version 21: WinHelp 3.1";
  EXPECT_EQ(system.U16(), 1u);
  system.U32();  // generation date
  EXPECT_EQ(system.U16(), 0u) << "topic blocks not compressed";
  std::map<unsigned, std::string> records;
  while (system.ok() && system.left() > 0) {
    const unsigned type = system.U16(), size = system.U16();
    std::string record;
    for (unsigned i = 0; i < size; ++i) record += char(system.U8());
    records[type] = record;
  }
  ASSERT_TRUE(system.ok()) << "a |SYSTEM record runs past the file";
  EXPECT_EQ(records[1], std::string("Vandrel Lite Help\0", 18));
  ASSERT_EQ(records[3].size(), 4u) << "contents topic offset";

  // |FONT: face names of one size, then 11-byte descriptors.
  Reader font(data_, files_["|FONT"].body(), files_["|FONT"].end());
  const unsigned faces = font.U16(), descriptors = font.U16(), facesAt = font.U16(), descriptorsAt = font.U16();
  ASSERT_GT(faces, 0u);
  ASSERT_GT(descriptors, 0u);
  EXPECT_EQ(facesAt, 8u);
  EXPECT_EQ((descriptorsAt - facesAt) % faces, 0u);
  EXPECT_EQ(descriptorsAt + 11 * descriptors, files_["|FONT"].used);
  for (unsigned i = 0; i < descriptors; ++i) {
    Reader d(data_, files_["|FONT"].body() + descriptorsAt + 11 * i, files_["|FONT"].end());
    d.U8();
    EXPECT_GE(d.U8(), 16u) << "at least 8 points";
    EXPECT_EQ(d.U8(), 3u) << "swiss";
    EXPECT_LT(d.U16(), faces);
  }

  ASSERT_NO_FATAL_FAILURE(ReadTopics(descriptors));
  ASSERT_EQ(topics_.size(), 4u);
  for (const Topic& t : topics_) {
    SCOPED_TRACE(t.title);
    ASSERT_GE(t.paragraphs.size(), 2u);
    EXPECT_EQ(t.paragraphs[0], t.title) << "the heading shows the title";
    EXPECT_LE(t.paragraphs.size(), 3u) << "a heading and one or two paragraphs";
  }
  const uint32_t contents = uint8_t(records[3][0]) | uint8_t(records[3][1]) << 8 | uint8_t(records[3][2]) << 16 |
                            uint32_t(uint8_t(records[3][3])) << 24;
  ASSERT_NE(TopicAt(contents), nullptr);
  EXPECT_EQ(TopicAt(contents)->title, "Overview") << "contents topic";

  // |CONTEXT: hash -> topic offset, in ascending order of the signed hash.
  unsigned contexts = 0;
  Reader tree = OneLeafTree(files_["|CONTEXT"], 0x0002, 2048, "L4", &contexts);
  std::map<int32_t, uint32_t> byHash;
  for (unsigned i = 0; i < contexts; ++i) {
    const int32_t hash = int32_t(tree.U32());
    const uint32_t offset = tree.U32();
    ASSERT_TRUE(tree.ok());
    if (!byHash.empty()) EXPECT_LT(byHash.rbegin()->first, hash) << "ascending signed hashes";
    byHash[hash] = offset;
    EXPECT_NE(TopicAt(offset), nullptr) << "context entry " << i << " points at a topic";
  }

  // |CTXOMAP: the finish page's context number maps to the overview.
  Reader map(data_, files_["|CTXOMAP"].body(), files_["|CTXOMAP"].end());
  const unsigned mapped = map.U16();
  std::map<uint32_t, uint32_t> numbers;
  for (unsigned i = 0; i < mapped; ++i) {
    const uint32_t number = map.U32();
    numbers[number] = map.U32();
  }
  ASSERT_TRUE(map.ok());
  EXPECT_EQ(map.left(), 0u);
  ASSERT_EQ(numbers.count(kOverviewContext), 1u);
  ASSERT_NE(TopicAt(numbers[kOverviewContext]), nullptr);
  EXPECT_EQ(TopicAt(numbers[kOverviewContext])->title, "Overview");

  // VDLite.cnt: each "2 Title=context" line names a context of this file
  // whose topic carries that title.
  std::string cnt;
  ASSERT_TRUE(ReadFile(kPayloadDir + "VDLite.cnt", &cnt));
  ASSERT_EQ(cnt.compare(0, 18, ":Base VDLite.hlp\r\n"), 0);
  size_t entries = 0;
  for (size_t at = 0; at < cnt.size();) {
    size_t eol = cnt.find('\n', at);
    if (eol == std::string::npos) eol = cnt.size();
    std::string line = cnt.substr(at, eol - at);
    at = eol + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t eq = line.find('=');
    if (line.compare(0, 2, "2 ") != 0 || eq == std::string::npos) continue;
    const std::string title = line.substr(2, eq - 2), context = line.substr(eq + 1);
    SCOPED_TRACE(context);
    ++entries;
    ASSERT_EQ(byHash.count(ContextHash(context)), 1u) << "context string in |CONTEXT";
    const Topic* topic = TopicAt(byHash[ContextHash(context)]);
    ASSERT_NE(topic, nullptr);
    EXPECT_EQ(topic->title, title);
  }
  EXPECT_EQ(entries, 4u);
  EXPECT_EQ(contexts, 4u) << "one context per topic";
}

}  // namespace

namespace {

// The writer's hash is the help program's for every context string that it
// accepts, and it accepts every string that WinHelp 3.1 allows.
TEST(HelpContext, WriterHashesAsTheHelpProgramOrRefuses) {
  int32_t hash = 0;
  EXPECT_FALSE(HashContext("", &hash) && hash != ContextHash("")) << "empty string";
  for (unsigned c = 1; c < 256; ++c) {
    SCOPED_TRACE(c);
    const std::string context = std::string("Vandrel") + char(c) + "9";
    const bool allowed =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
    hash = 0;
    const bool hashed = HashContext(context.c_str(), &hash);
    EXPECT_TRUE(hashed || !allowed);
    if (hashed) EXPECT_EQ(hash, ContextHash(context));
  }
}

}  // namespace
