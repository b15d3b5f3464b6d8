// Hyperlink arithmetic and error texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "controls/link_logic.h"

namespace {

TEST(FitLinkRect, LeftAlignedTextSitsAtTopLeft) {
  LinkRect r = FitLinkRect({300, 110, 390, 123}, 0, 55, 13);
  EXPECT_EQ(300, r.left);
  EXPECT_EQ(110, r.top);
  EXPECT_EQ(355, r.right);
  EXPECT_EQ(123, r.bottom);
}

TEST(FitLinkRect, CentredShrinksSymmetrically) {
  // d = (100 - 60 - 2) / 2 = 19: 62 wide.
  LinkRect r = FitLinkRect({10, 5, 110, 25}, kLinkStyleCenter, 60, 13);
  EXPECT_EQ(29, r.left);
  EXPECT_EQ(91, r.right);
  EXPECT_EQ(62, r.right - r.left);
  EXPECT_EQ(5, r.top);
  EXPECT_EQ(18, r.bottom);
}

TEST(FitLinkRect, CentreImageCentresVertically) {
  // d = (20 - 13 - 2) / 2 = 2: 16 high.
  LinkRect r = FitLinkRect({0, 40, 100, 60}, kLinkStyleCenterImage, 30, 13);
  EXPECT_EQ(42, r.top);
  EXPECT_EQ(58, r.bottom);
  EXPECT_EQ(0, r.left);
  EXPECT_EQ(30, r.right);
}

TEST(FitLinkRect, RightAlignedKeepsRightEdge) {
  LinkRect r = FitLinkRect({10, 0, 110, 20}, kLinkStyleRight, 40, 13);
  EXPECT_EQ(70, r.left);
  EXPECT_EQ(110, r.right);
}

TEST(FitLinkRect, CentreBitWinsOverRightBit) {
  // SS_CENTER | SS_RIGHT is SS_BLACKRECT's number; the centre bit is tested first.
  LinkRect r = FitLinkRect({0, 0, 100, 20}, kLinkStyleCenter | kLinkStyleRight, 60, 13);
  EXPECT_EQ(19, r.left);
  EXPECT_EQ(81, r.right);
}

TEST(FitLinkRect, OversizedTextGrowsOnBothSidesWithTruncation) {
  // (50 - 81 - 2) / 2 = -33 / 2 = -16 (toward zero, not -17).
  LinkRect r = FitLinkRect({100, 0, 150, 10}, kLinkStyleCenter | kLinkStyleCenterImage, 81, 15);
  EXPECT_EQ(84, r.left);
  EXPECT_EQ(166, r.right);
  // (10 - 15 - 2) / 2 = -7 / 2 = -3.
  EXPECT_EQ(-3, r.top);
  EXPECT_EQ(13, r.bottom);
}

TEST(OpenErrorText, EveryKnownCodeHasItsMessage) {
  struct Row {
    int code;
    const char* text;
  } rows[] = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred."},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_STREQ(row.text, OpenErrorMessage(row.code));
    char buffer[kOpenErrorTextSize];
    size_t n = FormatOpenError(row.code, buffer, sizeof buffer);
    std::string expected = std::string("Unable to open hyperlink:\n\n") + row.text;
    EXPECT_EQ(expected, buffer);
    EXPECT_EQ(expected.size(), n);
  }
}

TEST(OpenErrorText, OtherCodesAreUnknown) {
  for (int code : {1, 4, 6, 7, 9, 10, 12, 25, 33, 42, 1000, -1, -31}) {
    SCOPED_TRACE(code);
    EXPECT_STREQ("Unknown Error occurred.", OpenErrorMessage(code));
  }
}

TEST(OpenErrorText, LongestTextFitsAndSmallBuffersAreCut) {
  char buffer[kOpenErrorTextSize];
  size_t longest = 0;
  for (int code = -1; code <= 40; ++code) {
    longest = std::max(longest, FormatOpenError(code, buffer, sizeof buffer));
    EXPECT_EQ(std::strlen(buffer), FormatOpenError(code, buffer, sizeof buffer));
  }
  EXPECT_LT(longest, kOpenErrorTextSize - 1);

  char small[12];
  std::memset(small, 'x', sizeof small);
  EXPECT_EQ(11u, FormatOpenError(30, small, sizeof small));
  EXPECT_STREQ("Unable to o", small);
  EXPECT_EQ(0u, FormatOpenError(30, small, 0));
  EXPECT_EQ('U', small[0]);  // a zero size writes nothing
}

// The link cursor's module: the Windows directory's help program, or none.
TEST(HelpProgram, PathInTheWindowsDirectoryOrNone) {
  char path[kHelpProgramChars];
  ASSERT_TRUE(HelpProgramPath("C:\\WINNT", 8, 260, path, sizeof path));
  EXPECT_STREQ("C:\\WINNT\\WinHlp32.exe", path);
  // A failed query (0), or a result of the buffer's size or more (the size
  // that would have been needed): no path at all, not one from the root.
  std::memset(path, 'x', sizeof path);
  EXPECT_FALSE(HelpProgramPath("", 0, 260, path, sizeof path));
  EXPECT_STREQ("", path);
  std::string longDir(300, 'd');
  EXPECT_FALSE(HelpProgramPath(longDir.c_str(), 300, 260, path, sizeof path));
  EXPECT_STREQ("", path);
  EXPECT_FALSE(HelpProgramPath(longDir.c_str(), 260, 260, path, sizeof path));
  // A directory of 259 characters still leaves room for the name.
  ASSERT_TRUE(HelpProgramPath(longDir.c_str(), 259, 260, path, sizeof path));
  EXPECT_EQ(259u + 13u, std::strlen(path));
  EXPECT_FALSE(HelpProgramPath("C:\\WINNT", 8, 260, path, 21));  // "C:\WINNT\WinHlp32.exe" needs 22
  EXPECT_STREQ("", path);
}

}  // namespace
