// The BootExecute list update on raw value bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/mbtext_logic.h"
#include "engine/bootexec_logic.h"

namespace {

using namespace std::string_literals;

bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

constexpr size_t kGuard = 32;
constexpr char kGuardByte = '\x5A';

// A list buffer of the given capacity holding value, with guard bytes after
// it that the update must never touch.
struct ListBuffer {
  ListBuffer(const std::string& value, size_t capacity) : bytes(capacity + kGuard, '\x7F'), capacity(capacity) {
    value.copy(bytes.data(), value.size());
    for (size_t i = capacity; i < bytes.size(); ++i) bytes[i] = kGuardByte;
    dataSize = value.size();
  }
  BootListUpdate Add(const char* name) { return AddBootEntry(bytes.data(), capacity, dataSize, name, &writeSize); }
  std::string Written() const { return std::string(bytes.data(), writeSize); }
  bool GuardIntact() const {
    for (size_t i = capacity; i < bytes.size(); ++i) {
      if (bytes[i] != kGuardByte) return false;
    }
    return true;
  }
  std::vector<char> bytes;
  size_t capacity;
  size_t dataSize;
  size_t writeSize = 12345;
};

constexpr size_t kWork = 768;  // the registry code's buffer: 512 read + room for the entry

TEST(BootListAppend, NineteenCharacterEntryGrowsToThirtyTwoBytes) {
  ListBuffer list("autocheck autochk *\0\0"s, kWork);
  ASSERT_EQ(list.dataSize, 21u);
  EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(list.writeSize, 32u);
  EXPECT_EQ(list.Written(), "autocheck autochk *\0vdlite.exe\0\0"s);
  EXPECT_TRUE(list.GuardIntact());
}

TEST(BootListAppend, EmptyListGrowsByElevenBytes) {
  for (const std::string& value : {"\0"s, "\0\0"s, "\0\0\0\0\0\0\0"s}) {
    SCOPED_TRACE(value.size());
    ListBuffer list(value, kWork);
    EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
    EXPECT_EQ(list.writeSize, value.size() + 11);
    std::string expected = "vdlite.exe\0"s + std::string(value.size(), '\0');
    EXPECT_EQ(list.Written(), expected);
  }
}

TEST(BootListAppend, EntryThatOnlyContainsTheNameIsNoMatch) {
  std::string value = "autocheck autochk *\0vdlite.exe /x\0xvdlite.exe\0vdlite.ex\0\0"s;
  ListBuffer list(value, kWork);
  EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(list.writeSize, value.size() + 11);
  EXPECT_EQ(list.Written(), value.substr(0, value.size() - 1) + "vdlite.exe\0\0"s);
}

TEST(BootListAppend, ManyEntriesKeepTheirOrderAndTheNameComesLast) {
  std::string value;
  for (int i = 0; i < 20; ++i) value += "entry" + std::to_string(i) + '\0';
  value += '\0';
  ListBuffer list(value, kWork);
  EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(list.Written(), value.substr(0, value.size() - 1) + "vdlite.exe\0\0"s);
}

TEST(BootListPresent, WholeEntryInAnyCaseLeavesTheListAlone) {
  for (const char* entry : {"vdlite.exe", "VDLITE.EXE", "VdLite.Exe"}) {
    SCOPED_TRACE(entry);
    for (bool first : {true, false}) {
      std::string value =
          first ? std::string(entry) + "\0autocheck autochk *\0\0"s : "autocheck autochk *\0"s + entry + "\0\0"s;
      ListBuffer list(value, kWork);
      EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kPresent);
      EXPECT_EQ(list.writeSize, 0u);
      EXPECT_EQ(std::string(list.bytes.data(), value.size()), value);
    }
  }
}

TEST(BootListPresent, OnlyEntriesBeforeTheFirstEmptyStringCount) {
  // The list ends at the first empty string; what follows is not an entry.
  ListBuffer list("a\0\0vdlite.exe\0\0"s, kWork);
  EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(list.writeSize, 15u + 11u);
  EXPECT_EQ(list.Written(), "a\0vdlite.exe\0"s + std::string(13, '\0'));
}

TEST(BootListMalformed, MissingFinalEmptyStringIsWrittenWellFormed) {
  // Only the entry's own NUL: the old size + 11 would leave the list open.
  ListBuffer list("autocheck autochk *\0"s, kWork);
  EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(list.writeSize, 32u);
  EXPECT_EQ(list.Written(), "autocheck autochk *\0vdlite.exe\0\0"s);
}

TEST(BootListMalformed, UnterminatedLastStringGetsItsNul) {
  ListBuffer list("autocheck autochk *"s, kWork);
  EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(list.Written(), "autocheck autochk *\0vdlite.exe\0\0"s);
  ListBuffer same("vdlite.exe"s, kWork);
  EXPECT_EQ(same.Add("vdlite.exe"), BootListUpdate::kPresent);
}

TEST(BootListMalformed, BytesAfterTheEndDoNotBecomeEntries) {
  // A long string after the end marker would otherwise surface after the name.
  ListBuffer list("\0hidden-after-the-end\0\0"s, kWork);
  EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(list.writeSize, 23u + 11u);
  EXPECT_EQ(list.Written(), "vdlite.exe\0"s + std::string(23, '\0'));
}

TEST(BootListBounds, FullReadBufferStillTakesTheEntryInTheWorkBuffer) {
  for (size_t size : {501u, 502u, 511u, 512u}) {
    SCOPED_TRACE(size);
    std::string value = std::string(size - 2, 'a') + "\0\0"s;
    ListBuffer list(value, kWork);
    EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kAppended);
    EXPECT_EQ(list.writeSize, size + 11);
    EXPECT_EQ(list.Written(), value.substr(0, size - 1) + "vdlite.exe\0\0"s);
    EXPECT_TRUE(list.GuardIntact());
  }
  // 512 bytes of one unterminated string: it gets its NUL, then the entry.
  ListBuffer full(std::string(512, 'b'), kWork);
  EXPECT_EQ(full.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(full.writeSize, 512u + 13u);
  EXPECT_EQ(full.Written(), std::string(512, 'b') + "\0vdlite.exe\0\0"s);
}

TEST(BootListBounds, NoRoomInAnExactBufferIsRefusedUntouched) {
  for (size_t size : {502u, 511u, 512u}) {
    SCOPED_TRACE(size);
    std::string value = std::string(size - 2, 'a') + "\0\0"s;
    ListBuffer list(value, 512);
    EXPECT_EQ(list.Add("vdlite.exe"), BootListUpdate::kNoRoom);
    EXPECT_EQ(list.writeSize, 0u);
    EXPECT_EQ(std::string(list.bytes.data(), size), value);
    EXPECT_TRUE(list.GuardIntact());
  }
  ListBuffer fits(std::string(499, 'a') + "\0\0"s, 512);
  EXPECT_EQ(fits.Add("vdlite.exe"), BootListUpdate::kAppended);
  EXPECT_EQ(fits.writeSize, 512u);
  EXPECT_TRUE(fits.GuardIntact());
  ListBuffer exact(std::string(512, 'a'), 512);
  EXPECT_EQ(exact.Add("vdlite.exe"), BootListUpdate::kNoRoom);
  EXPECT_TRUE(exact.GuardIntact());
}

TEST(BootListMultibyte, DoubleByteCharactersCompareWhole) {
  // 0x81 'V' and 0x81 'v' are two different double-byte characters.
  ListBuffer list("\x81Vx\0\0"s, kWork);
  SetLeadByteTest(SjisLead);
  EXPECT_EQ(list.Add("\x81vx"), BootListUpdate::kAppended);
  SetLeadByteTest(nullptr);
  EXPECT_EQ(list.Written(), "\x81Vx\0\x81vx\0\0"s);
  ListBuffer single("\x81Vx\0\0"s, kWork);
  EXPECT_EQ(single.Add("\x81vx"), BootListUpdate::kPresent);
}

// Wide: other characters stay, and only A to Z fold (not a full-width V).
TEST(BootListWide, OtherCharactersStayAndOnlyAToZFold) {
  std::wstring list =
      L"\x0416\xFF3C-check\0\xFF36"
      L"dlite.exe\0\0"s +
      std::wstring(16, L'\x7F');
  size_t size = 0;
  EXPECT_EQ(AddBootEntry(&list[0], list.size(), 21, L"vdlite.exe", &size), BootListUpdate::kAppended);
  EXPECT_EQ(list.substr(0, size),
            L"\x0416\xFF3C-check\0\xFF36"
            L"dlite.exe\0vdlite.exe\0\0"s);
}

}  // namespace
