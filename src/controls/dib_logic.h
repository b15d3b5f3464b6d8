// Layout of a packed DIB (the data of a bitmap resource), read from bytes
// that are not trusted: every offset is checked against the data's size.
#ifndef SETUPVDL_DIB_LOGIC_H
#define SETUPVDL_DIB_LOGIC_H

#include <cstddef>
#include <cstdint>

// The 40-byte BITMAPINFOHEADER is the smallest header accepted; larger ones
// (V4, V5) keep its fields at the same places.
constexpr uint32_t kDibInfoHeaderSize = 40;
// GDI keeps a palette's entry count in 16 bits.
constexpr uint32_t kDibMaxColours = 0xFFFF;

struct DibLayout {
  uint32_t headerSize = 0;   // biSize
  int32_t width = 0;         // biWidth, > 0
  int32_t height = 0;        // biHeight; negative for top-down rows
  uint16_t bitCount = 0;     // biBitCount
  uint32_t compression = 0;  // biCompression: BI_RGB (0) or BI_BITFIELDS (3)
  uint32_t colourCount = 0;  // entries of the colour table
  size_t colourTableOffset = 0;
  size_t bitsOffset = 0;  // first byte of the pixel rows
  size_t bitsSize = 0;    // bytes of pixel rows that the header describes
};

// An entry of a logical palette, in PALETTEENTRY order.
struct DibPaletteEntry {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
  uint8_t flags;
};

// Colour count: 2^bitCount up to 8 bits per pixel, otherwise 0; a non-zero
// biClrUsed wins whatever the bit count.
uint32_t DibColourCount(uint16_t bitCount, uint32_t clrUsed);

// Reads the header of the size-byte DIB at data. False when the header, the
// colour table or the pixel rows would run past the end, or when the DIB is
// of a kind that is not drawn (core header, compressed rows, odd bit count).
bool ParseDib(const uint8_t* data, size_t size, DibLayout* layout);

// Entry index of the colour table of a parsed DIB as a palette entry; false
// when the index is outside the table or the data.
bool DibPaletteEntryAt(const uint8_t* data, size_t size, const DibLayout& layout, size_t index, DibPaletteEntry* entry);

// Copies the colour table (blue, green, red, reserved) of a parsed DIB into
// palette entries (red, green, blue, flags 0). capacity bounds the output;
// returns the number of entries written.
size_t BuildDibPalette(const uint8_t* data, size_t size, const DibLayout& layout, DibPaletteEntry* entries,
                       size_t capacity);

#endif
