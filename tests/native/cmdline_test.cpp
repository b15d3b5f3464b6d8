// Command-line tail, trimming and switch recognition.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/cmdline_logic.h"
#include "driver/mbtext_logic.h"

namespace {

// Shift-JIS-like lead bytes: 0x81-0x9F and 0xE0-0xFC.
bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

struct DoubleByteCodePage {
  DoubleByteCodePage() { SetLeadByteTest(SjisLead); }
  ~DoubleByteCodePage() { SetLeadByteTest(nullptr); }
};

std::string Trim(std::string s) {
  TrimBlanks(&s[0]);
  return s.c_str();
}

TEST(CommandTail, SkipsNameAndFollowingControlCharacters) {
  EXPECT_STREQ(CommandTail("SETUPVDL.EXE -u"), "-u");
  EXPECT_STREQ(CommandTail("SETUPVDL.EXE \t\x01 -u "), "-u ");
  EXPECT_STREQ(CommandTail("\"C:\\Program Files\\SETUPVDL.EXE\"-u"), "-u");
  EXPECT_STREQ(CommandTail("\"C:\\a b\\SETUPVDL.EXE\"   /u  x"), "/u  x");
  EXPECT_STREQ(CommandTail("SETUPVDL.EXE"), "");
  EXPECT_STREQ(CommandTail("\"unterminated -u"), "");
  EXPECT_STREQ(CommandTail(""), "");
}

TEST(CommandTail, QuotedNameSkipsDoubleByteCharactersWhole) {
  DoubleByteCodePage dbcs;
  // 0x81 0x22: a double-byte character whose trail byte is a quote.
  EXPECT_STREQ(CommandTail("\"a\x81\"b.exe\" -u"), "-u");
  // Without the lead-byte test the quote inside ends the name.
  SetLeadByteTest(nullptr);
  EXPECT_STREQ(CommandTail("\"a\x81\"b.exe\" -u"), "b.exe\" -u");
}

TEST(TrimBlanks, RemovesClassicWhiteSpaceOnBothEnds) {
  EXPECT_EQ(Trim("  -u  "), "-u");
  EXPECT_EQ(Trim("\t\n\v\f\r-u\r\n"), "-u");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("a b"), "a b");
  // Bytes of 128 and above are never white space.
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(TrimBlanks, KeepsDoubleByteCharactersWhole) {
  DoubleByteCodePage dbcs;
  EXPECT_EQ(Trim(" \x81\x40 x \x82\xA0 "), "\x81\x40 x \x82\xA0");
  // A lone lead byte at the end stays as it is; a lead byte takes the byte
  // after it, even a blank, as its trail byte.
  EXPECT_EQ(Trim(" a\x81"), "a\x81");
  EXPECT_EQ(Trim(" a\x81 "), "a\x81 ");
}

std::string WithBackslash(std::string path, const char** result = nullptr) {
  path.resize(path.size() + 2);
  char* end = AddBackslash(&path[0]);
  const char* zero = path.c_str() + strlen(path.c_str());
  if (result != nullptr) *result = end == nullptr ? "null" : end == zero ? "end" : "elsewhere";
  return path.c_str();
}

TEST(AddBackslash, AppendsOnceAndPointsAtTheEnd) {
  const char* result = nullptr;
  EXPECT_EQ(WithBackslash("C:\\WINDOWS", &result), "C:\\WINDOWS\\");
  EXPECT_STREQ(result, "end");
  EXPECT_EQ(WithBackslash("C:\\WINDOWS\\", &result), "C:\\WINDOWS\\");
  EXPECT_STREQ(result, "end");
  // An empty path stays empty, as with the shell's function.
  EXPECT_EQ(WithBackslash("", &result), "");
  EXPECT_STREQ(result, "end");
  // 259 characters still take the backslash; 260 are refused unchanged.
  EXPECT_EQ(WithBackslash(std::string(259, 'a'), &result), std::string(259, 'a') + "\\");
  EXPECT_STREQ(result, "end");
  EXPECT_EQ(WithBackslash(std::string(260, 'a'), &result), std::string(260, 'a'));
  EXPECT_STREQ(result, "null");
}

TEST(AddBackslash, TrailByteOfBackslashIsNoBackslash) {
  DoubleByteCodePage dbcs;
  // 0x95 0x5C: a double-byte character whose trail byte is a backslash.
  EXPECT_EQ(WithBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
  EXPECT_EQ(WithBackslash("C:\\\x95\x5C\\"), "C:\\\x95\x5C\\");
  SetLeadByteTest(nullptr);
  EXPECT_EQ(WithBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C");
}

TEST(CopyTrimmedCommand, BoundedByTheBuffer) {
  char buf[512];
  ASSERT_TRUE(CopyTrimmedCommand("  -u  ", buf, sizeof buf));
  EXPECT_STREQ(buf, "-u");

  // A tail far longer than the buffer whose trimmed form is a switch.
  std::string padded = std::string(600, ' ') + "/u" + std::string(600, '\t');
  ASSERT_TRUE(CopyTrimmedCommand(padded.c_str(), buf, sizeof buf));
  EXPECT_STREQ(buf, "/u");

  // Exactly 511 characters fit; 512 do not, and nothing is written past the end.
  std::string fits(511, 'x');
  ASSERT_TRUE(CopyTrimmedCommand(fits.c_str(), buf, sizeof buf));
  EXPECT_EQ(std::string(buf), fits);
  char small[8];
  std::string tooLong = " " + std::string(8, 'y') + " ";
  EXPECT_FALSE(CopyTrimmedCommand(tooLong.c_str(), small, sizeof small));
  EXPECT_STREQ(small, "");
}

TEST(IsUnattendedSwitch, ExactAndCaseSensitive) {
  EXPECT_TRUE(IsUnattendedSwitch("-u"));
  EXPECT_TRUE(IsUnattendedSwitch("/u"));
  for (const char* other : {"-U", "/U", "u", "-u x", "--u", "-", "", "-uu", "/u "}) {
    SCOPED_TRACE(other);
    EXPECT_FALSE(IsUnattendedSwitch(other));
  }
}

TEST(MultibyteText, CaseInsensitiveCompareAndSearch) {
  EXPECT_EQ(CompareTextNoCase("VDLITE.EXE", "vdlite.exe"), 0);
  EXPECT_NE(CompareTextNoCase("vdlite.exe x", "vdlite.exe"), 0);
  EXPECT_LT(CompareTextNoCase("a", "B"), 0);
  char s[] = "C:\\WINDOWS\\System32\\VDLite.DLL";
  LowerCaseText(s);
  EXPECT_STREQ(s, "c:\\windows\\system32\\vdlite.dll");
  EXPECT_NE(FindText(s, "vdlite.dll"), nullptr);
  EXPECT_EQ(FindText(s, "vdlite.exe"), nullptr);
}

TEST(MultibyteText, DoubleByteCharactersAreOneUnit) {
  DoubleByteCodePage dbcs;
  // The trail byte 0x41 ('A') of a double-byte character is not lower-cased.
  char s[] =
      "\x82\x41"
      "AB";
  LowerCaseText(s);
  EXPECT_STREQ(s,
               "\x82\x41"
               "ab");
  // A match may not start on a trail byte.
  EXPECT_EQ(FindText("\x82\x41"
                     "B",
                     "AB"),
            nullptr);
  EXPECT_NE(FindText("x"
                     "AB",
                     "AB"),
            nullptr);
  EXPECT_NE(CompareTextNoCase("\x82\x41", "\x82\x61"), 0);
}

}  // namespace
