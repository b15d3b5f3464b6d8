// The copy-failure message's formatting, without the shell's wvnsprintfA.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "driver/mbtext_logic.h"
#include "engine/format_logic.h"

namespace {

const char kCopyFailed[] =
    "Setup is unable to copy file %s\nto %s directory.\nSetup can not be continued.\n\nPress OK to exit setup.";

bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Whatever fits in a 256-byte buffer is what snprintf writes there, and the
// result tells whether all of it fitted.
TEST(FormatTwoTexts, StringSixAsTheRunTimeLibraryFormatsItUpToTheBuffersEnd) {
  SetLeadByteTest(nullptr);
  for (size_t dirLength : {3u, 18u, 150u, 165u, 166u, 167u, 259u}) {
    SCOPED_TRACE(dirLength);
    std::string dir = "C:\\" + std::string(dirLength - 3, 'd');
    char expected[256];
    int full = snprintf(expected, sizeof expected, kCopyFailed, "VDLite.dll", dir.c_str());
    char text[256];
    memset(text, 'x', sizeof text);
    int written = FormatTwoTexts(text, sizeof text, kCopyFailed, "VDLite.dll", dir.c_str());
    EXPECT_STREQ(expected, text);
    EXPECT_EQ(full < 256 ? full : -1, written);
  }
}

TEST(FormatTwoTexts, PercentSignsAndSpareSpecifiers) {
  SetLeadByteTest(nullptr);
  char text[64];
  EXPECT_EQ(9, FormatTwoTexts(text, sizeof text, "100%% %s %d", "a", "b"));
  EXPECT_STREQ("100% a %d", text) << "a sequence other than %s or %% stays as it is";
  EXPECT_EQ(6, FormatTwoTexts(text, sizeof text, "%s%s%s", "ab", "cd"));
  EXPECT_STREQ("abcd%s", text);
  EXPECT_EQ(1, FormatTwoTexts(text, sizeof text, "%", "a", "b"));
  EXPECT_STREQ("%", text);
  EXPECT_EQ(1, FormatTwoTexts(text, sizeof text, "%s%s", nullptr, "z"));
  EXPECT_STREQ("z", text);
}

TEST(FormatTwoTexts, CutResultsEndInsideTheBufferOnAWholeCharacter) {
  char text[8];
  memset(text, 'x', sizeof text);
  EXPECT_EQ(-1, FormatTwoTexts(text, 0, "%s", "abc", ""));
  EXPECT_EQ('x', text[0]) << "nothing written into no room";
  EXPECT_EQ(-1, FormatTwoTexts(text, 1, "%s", "abc", ""));
  EXPECT_STREQ("", text);
  EXPECT_EQ(7, FormatTwoTexts(text, 8, "a%sb", "12345", ""));
  EXPECT_STREQ("a12345b", text);
  EXPECT_EQ(-1, FormatTwoTexts(text, 8, "a%sbc", "12345", ""));
  EXPECT_STREQ("a12345b", text);
  // Shift-JIS: a double-byte character that would end on the last byte is
  // left out whole, in an argument and in the format alike.
  SetLeadByteTest(SjisLead);
  EXPECT_EQ(-1, FormatTwoTexts(text, 8, "%s", "123456\x83\x5C", ""));
  EXPECT_STREQ("123456", text);
  EXPECT_EQ(-1, FormatTwoTexts(text, 8, "12345\x83\x5C\x83\x5C", "", ""));
  EXPECT_STREQ("12345\x83\x5C", text);
  SetLeadByteTest(nullptr);
}

}  // namespace
