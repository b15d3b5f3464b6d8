// Writes the help file that setup carries, VDLite.hlp: a WinHelp 3.1 file
// header, the internal directory (a one-page B+ tree) and the |SYSTEM file
// with the title, copyright and contents-file records. It holds no topics;
// it stands in for the product's real help file, which setup only copies.
// Output is reproducible (fixed generation date) and committed.
//
// Regenerate:
//   g++ -O2 -Wall -Wextra -o /tmp/mkhelp tools/mkhelp.cpp && /tmp/mkhelp res/payload/VDLite.hlp
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Bytes;

void Put16(Bytes& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(Bytes& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutText(Bytes& out, const std::string& s) {  // NUL-terminated
  out.insert(out.end(), s.begin(), s.end());
  out.push_back(0);
}
void Set32(Bytes& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

const uint32_t kHelpMagic = 0x00035F3F;
const unsigned kSystemMagic = 0x036C;
const unsigned kBtreeMagic = 0x293B;
const unsigned kDirectoryPageSize = 1024;
const uint32_t kGenerationDate = 962758800;  // 2000-07-05 01:00:00 UTC

// An internal file: FILEHEADER (reserved space, used space, flags) + body.
void PutInternalFile(Bytes& out, const Bytes& body) {
  Put32(out, uint32_t(9 + body.size()));
  Put32(out, uint32_t(body.size()));
  out.push_back(4);
  out.insert(out.end(), body.begin(), body.end());
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
  Put16(body, 0);  // flags: topics not compressed
  PutSystemRecord(body, 1, "Vandrel Lite Help");
  PutSystemRecord(body, 2, "Copyright (c) 2000 VandrelSoft");
  Put16(body, 3);  // contents topic: offset 0
  Put16(body, 4);
  Put32(body, 0);
  PutSystemRecord(body, 10, "VDLite.cnt");
  return body;
}

struct DirectoryEntry {
  std::string name;
  uint32_t offset;
};

// The internal directory: B+ tree header and one leaf page of
// (name, file offset) pairs in name order.
Bytes Directory(const std::vector<DirectoryEntry>& entries) {
  Bytes body;
  Put16(body, kBtreeMagic);
  Put16(body, 0x0402);  // always-set bit | directory
  Put16(body, kDirectoryPageSize);
  std::string structure = "z4";
  structure.resize(16, '\0');
  body.insert(body.end(), structure.begin(), structure.end());
  Put16(body, 0);       // must be zero
  Put16(body, 0);       // page splits
  Put16(body, 0);       // root page
  Put16(body, 0xFFFF);  // must be -1
  Put16(body, 1);       // total pages
  Put16(body, 1);       // levels
  Put32(body, uint32_t(entries.size()));

  Bytes page;
  Put16(page, 0);  // free bytes, set below
  Put16(page, unsigned(entries.size()));
  Put16(page, 0xFFFF);  // previous page
  Put16(page, 0xFFFF);  // next page
  for (const DirectoryEntry& e : entries) {
    PutText(page, e.name);
    Put32(page, e.offset);
  }
  const unsigned free_bytes = unsigned(kDirectoryPageSize - page.size());
  page[0] = uint8_t(free_bytes);
  page[1] = uint8_t(free_bytes >> 8);
  page.resize(kDirectoryPageSize, 0);
  body.insert(body.end(), page.begin(), page.end());
  return body;
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "res/payload/VDLite.hlp";
  Bytes out;
  Put32(out, kHelpMagic);
  Put32(out, 0);           // directory start, set below
  Put32(out, 0xFFFFFFFF);  // no free block
  Put32(out, 0);           // file size, set below

  const uint32_t system_at = uint32_t(out.size());
  PutInternalFile(out, SystemFile());
  const uint32_t directory_at = uint32_t(out.size());
  PutInternalFile(out, Directory({{"|SYSTEM", system_at}}));
  Set32(out, 4, directory_at);
  Set32(out, 12, uint32_t(out.size()));

  FILE* f = std::fopen(path, "wb");
  if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "mkhelp: cannot write %s\n", path);
    return 1;
  }
  return 0;
}
