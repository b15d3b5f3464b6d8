// Parsing of packed DIBs and the palettes built from their colour tables.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../dib_builder.h"
#include "controls/dib_logic.h"

namespace {

using dib_builder::MakeDib;
using dib_builder::Put16;
using dib_builder::Put32;
using dib_builder::Stride;

TEST(DibColourCount, FollowsBitCountUnlessClrUsedIsSet) {
  EXPECT_EQ(2u, DibColourCount(1, 0));
  EXPECT_EQ(16u, DibColourCount(4, 0));
  EXPECT_EQ(256u, DibColourCount(8, 0));
  EXPECT_EQ(0u, DibColourCount(24, 0));
  EXPECT_EQ(0u, DibColourCount(32, 0));
  EXPECT_EQ(20u, DibColourCount(8, 20));
  EXPECT_EQ(7u, DibColourCount(24, 7));
}

TEST(ParseDib, PaletteSizesAndBitsOffsets) {
  struct Case {
    int bits;
    uint32_t clrUsed;
    uint32_t entries;
  } cases[] = {{8, 0, 256}, {4, 0, 16}, {1, 0, 2}, {24, 0, 0}, {8, 20, 20}, {24, 5, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    SCOPED_TRACE(c.clrUsed);
    std::vector<uint8_t> d = MakeDib(96, 222, c.bits, c.clrUsed, c.entries);
    DibLayout layout;
    ASSERT_TRUE(ParseDib(d.data(), d.size(), &layout));
    EXPECT_EQ(40u, layout.headerSize);
    EXPECT_EQ(96, layout.width);
    EXPECT_EQ(222, layout.height);
    EXPECT_EQ(c.bits, layout.bitCount);
    EXPECT_EQ(c.entries, layout.colourCount);
    EXPECT_EQ(40u, layout.colourTableOffset);
    EXPECT_EQ(40u + 4 * c.entries, layout.bitsOffset);
    EXPECT_EQ(Stride(96, c.bits) * 222, layout.bitsSize);
    EXPECT_EQ(d.size(), layout.bitsOffset + layout.bitsSize);
  }
}

TEST(BuildDibPalette, SwapsBlueAndRedAndClearsFlags) {
  std::vector<uint8_t> d = MakeDib(4, 2, 8, 20, 20);
  d[40 + 4 * 7] = 0x10;
  d[40 + 4 * 7 + 1] = 0x20;
  d[40 + 4 * 7 + 2] = 0x30;
  DibLayout layout;
  ASSERT_TRUE(ParseDib(d.data(), d.size(), &layout));
  DibPaletteEntry entries[256];
  std::memset(entries, 0xCD, sizeof entries);
  ASSERT_EQ(20u, BuildDibPalette(d.data(), d.size(), layout, entries, 256));
  EXPECT_EQ(0x30, entries[7].red);
  EXPECT_EQ(0x20, entries[7].green);
  EXPECT_EQ(0x10, entries[7].blue);
  EXPECT_EQ(0, entries[7].flags);
  for (int i = 0; i < 20; ++i) {
    if (i == 7) continue;
    SCOPED_TRACE(i);
    EXPECT_EQ(static_cast<uint8_t>(3 * i), entries[i].red);
    EXPECT_EQ(static_cast<uint8_t>(2 * i), entries[i].green);
    EXPECT_EQ(static_cast<uint8_t>(i), entries[i].blue);
    EXPECT_EQ(0, entries[i].flags);
  }
  EXPECT_EQ(0xCD, entries[20].red);  // nothing past the count
  // The capacity bounds the output.
  EXPECT_EQ(5u, BuildDibPalette(d.data(), d.size(), layout, entries, 5));
}

TEST(ParseDib, ColourTableOrHeaderPastTheEndIsRefused) {
  DibLayout layout;
  // biClrUsed far beyond the data.
  std::vector<uint8_t> d = MakeDib(4, 2, 24, 0, 0);
  Put32(&d, 32, 0x40000000);
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  Put32(&d, 32, 0xFFFFFFFF);
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  // An 8-bit DIB cut inside its colour table.
  d = MakeDib(4, 2, 8, 0, 256);
  EXPECT_FALSE(ParseDib(d.data(), 40 + 4 * 100, &layout));
  // A header size pointing past the end, or smaller than the info header.
  d = MakeDib(4, 2, 24, 0, 0);
  Put32(&d, 0, static_cast<uint32_t>(d.size() + 1));
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  Put32(&d, 0, 0xFFFFFFF0);
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  Put32(&d, 0, 12);
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  // Less than a header.
  EXPECT_FALSE(ParseDib(d.data(), 39, &layout));
  EXPECT_FALSE(ParseDib(nullptr, 0, &layout));
}

TEST(ParseDib, PixelRowsPastTheEndAreRefused) {
  DibLayout layout;
  std::vector<uint8_t> d = MakeDib(96, 222, 8, 0, 256);
  EXPECT_FALSE(ParseDib(d.data(), d.size() - 1, &layout));
  Put32(&d, 4, 0x7FFFFFFF);  // a huge width
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  d = MakeDib(96, 222, 8, 0, 256);
  Put32(&d, 8, 0x80000000);  // INT32_MIN rows
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
}

TEST(ParseDib, OddKindsAreRefusedOrPlacedRight) {
  DibLayout layout;
  // Compressed rows, odd bit counts, too many colours for 4 bits.
  std::vector<uint8_t> d = MakeDib(4, 2, 8, 0, 256, 40, 1);
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  d = MakeDib(4, 2, 8, 0, 256);
  Put16(&d, 14, 7);
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  d = MakeDib(4, 2, 4, 17, 17);
  EXPECT_FALSE(ParseDib(d.data(), d.size(), &layout));
  // Top-down rows parse, with a negative height.
  d = MakeDib(4, -3, 4, 0, 16);
  ASSERT_TRUE(ParseDib(d.data(), d.size(), &layout));
  EXPECT_EQ(-3, layout.height);
  // A V5 header: the table follows the 124-byte header.
  d = MakeDib(4, 2, 8, 0, 256, 124);
  ASSERT_TRUE(ParseDib(d.data(), d.size(), &layout));
  EXPECT_EQ(124u, layout.colourTableOffset);
  EXPECT_EQ(124u + 1024, layout.bitsOffset);
  // A 40-byte BI_BITFIELDS header: three masks before the bits.
  d = MakeDib(4, 2, 16, 0, 3, 40, 3);  // three "entries" stand for the masks
  ASSERT_TRUE(ParseDib(d.data(), d.size(), &layout));
  EXPECT_EQ(0u, layout.colourCount);
  EXPECT_EQ(52u, layout.bitsOffset);
}

}  // namespace
