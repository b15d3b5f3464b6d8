// The PendingFileRenameOperations scan.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/mbtext_logic.h"
#include "engine/pending_logic.h"

namespace {

using namespace std::string_literals;

bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

constexpr size_t kCapacity = 4097;  // 4096 read + one byte to end a last string

bool Scan(const std::string& value, size_t capacity = kCapacity) {
  std::vector<char> buffer(capacity, '\x7F');
  value.copy(buffer.data(), std::min(value.size(), capacity));
  return NamesPendingFile(buffer.data(), capacity, value.size(), "vdlite.dll");
}

TEST(PendingScan, DeletionPairOfTheDll) {
  EXPECT_TRUE(Scan("\\??\\C:\\windows\\system32\\VDLite.dll\0\0"s));
  EXPECT_TRUE(Scan("\\??\\C:\\windows\\system32\\VDLite.dll\0\0\0"s));
}

TEST(PendingScan, EmptyTargetsDoNotEndTheWalk) {
  std::string value =
      "\\??\\C:\\a.tmp\0\0\\??\\C:\\b.tmp\0\0\\??\\C:\\c.tmp\0\0\\??\\C:\\new.dll\0!\\??\\D:\\x\\vdlite.dll\0\0"s;
  EXPECT_TRUE(Scan(value));
  // Same layout without the name.
  EXPECT_FALSE(Scan("\\??\\C:\\a.tmp\0\0\\??\\C:\\b.tmp\0\0\\??\\C:\\new.dll\0!\\??\\D:\\x\\other.dll\0\0"s));
}

TEST(PendingScan, AnyCaseAndLongerNamesMatch) {
  for (const char* name : {"VDLITE.DLL", "vdlite.dll", "VdLiTe.DlL", "oldvdlite.dll.bak"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(Scan("\\??\\C:\\x.tmp\0"s + name + "\0\0"s));
  }
}

TEST(PendingScan, OtherFilesOnly) {
  EXPECT_FALSE(Scan("\\??\\C:\\windows\\system32\\VDLite.exe\0\0\\??\\C:\\windows\\help\\VDLite.hlp\0\0"s));
  EXPECT_FALSE(Scan("vdlite.dl\0l\0"s));
  EXPECT_FALSE(Scan(""s));
  EXPECT_FALSE(Scan("\0\0\0\0"s));
}

TEST(PendingScan, NothingPastTheSizeIsSearched) {
  std::vector<char> buffer(kCapacity, '\0');
  std::string value = "a.tmp\0\0vdlite.dll\0\0"s;
  value.copy(buffer.data(), value.size());
  EXPECT_FALSE(NamesPendingFile(buffer.data(), buffer.size(), 7, "vdlite.dll"));
  // The name cut by the size is not found either.
  EXPECT_FALSE(NamesPendingFile(buffer.data(), buffer.size(), 12, "vdlite.dll"));
}

TEST(PendingScan, UnterminatedLastStringIsSearchedInsideTheBuffer) {
  std::string value = std::string(4096 - 10, 'x');
  value += "VDLITE.DLL";
  ASSERT_EQ(value.size(), 4096u);
  EXPECT_TRUE(Scan(value));
  EXPECT_FALSE(Scan(std::string(4096, 'x')));
  // A size that claims the whole buffer or more: the last byte is given up
  // for the NUL, which cuts the name here.
  std::vector<char> buffer(value.begin(), value.end());
  EXPECT_FALSE(NamesPendingFile(buffer.data(), buffer.size(), buffer.size(), "vdlite.dll"));
  std::vector<char> again(value.begin(), value.end());
  EXPECT_FALSE(NamesPendingFile(again.data(), again.size(), again.size() + 100, "vdlite.dll"));
  std::vector<char> roomy(value.begin(), value.end());
  roomy.push_back('!');
  EXPECT_TRUE(NamesPendingFile(roomy.data(), roomy.size(), roomy.size() + 100, "vdlite.dll"));
}

TEST(PendingScan, LowerCasesTheStringsInPlace) {
  std::vector<char> buffer(64, '\0');
  std::string value = "A.TMP\0\0B.TMP\0"s;
  value.copy(buffer.data(), value.size());
  EXPECT_FALSE(NamesPendingFile(buffer.data(), buffer.size(), value.size(), "vdlite.dll"));
  EXPECT_EQ(std::string(buffer.data(), value.size()), "a.tmp\0\0b.tmp\0"s);
}

TEST(PendingScan, DoubleByteCharactersAreNotSplit) {
  // 0x81 'v' is one double-byte character: the name does not start there,
  // and its trail byte is not lower-cased.
  SetLeadByteTest(SjisLead);
  EXPECT_FALSE(Scan("\x81vdlite.dll\0\0"s));
  EXPECT_TRUE(Scan("\x81vvdlite.dll\0\0"s));
  std::vector<char> buffer(16, '\0');
  std::string value = "\x81V\x81\0"s;  // a lead byte right before a NUL stays one byte
  value.copy(buffer.data(), value.size());
  EXPECT_FALSE(NamesPendingFile(buffer.data(), buffer.size(), value.size(), "vdlite.dll"));
  EXPECT_EQ(std::string(buffer.data(), value.size()), value);
  SetLeadByteTest(nullptr);
  EXPECT_TRUE(Scan("\x81vdlite.dll\0\0"s));
}

}  // namespace
