// Parsing of packed DIBs from bitmap resources.
#include "controls/dib_logic.h"

namespace {

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr size_t kBitfieldMasksSize = 12;

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

uint32_t DibColourCount(uint16_t bitCount, uint32_t clrUsed) {
  uint32_t n = bitCount <= 8 ? (1u << bitCount) : 0;
  if (clrUsed != 0) n = clrUsed;
  return n;
}

bool ParseDib(const uint8_t* data, size_t size, DibLayout* layout) {
  if (data == nullptr || layout == nullptr || size < kDibInfoHeaderSize) return false;
  DibLayout l;
  l.headerSize = Read32(data);
  if (l.headerSize < kDibInfoHeaderSize || l.headerSize > size) return false;
  l.width = static_cast<int32_t>(Read32(data + 4));
  l.height = static_cast<int32_t>(Read32(data + 8));
  uint16_t planes = Read16(data + 12);
  l.bitCount = Read16(data + 14);
  l.compression = Read32(data + 16);
  uint32_t clrUsed = Read32(data + 32);

  if (planes != 1 || l.width <= 0 || l.height == 0 || l.height == INT32_MIN) return false;
  switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (l.compression != kBiRgb) return false;
      break;
    case 16:
    case 32:
      if (l.compression != kBiRgb && l.compression != kBiBitfields) return false;
      break;
    default:
      return false;
  }
  if (l.bitCount <= 8 && clrUsed > (1u << l.bitCount)) return false;
  l.colourCount = DibColourCount(l.bitCount, clrUsed);
  if (l.colourCount > kDibMaxColours) return false;

  // The three colour masks of a 40-byte BI_BITFIELDS header lie between the
  // header and the colour table; larger headers hold them inside.
  size_t offset = l.headerSize;
  if (l.compression == kBiBitfields && l.headerSize == kDibInfoHeaderSize) {
    if (size - offset < kBitfieldMasksSize) return false;
    offset += kBitfieldMasksSize;
  }
  size_t tableSize = static_cast<size_t>(l.colourCount) * 4;
  if (size - offset < tableSize) return false;
  l.colourTableOffset = offset;
  l.bitsOffset = offset + tableSize;

  // Rows are padded to 32 bits; width, bit count and height are bounded, so
  // 64 bits hold the product.
  uint64_t stride = ((static_cast<uint64_t>(l.width) * l.bitCount + 31) / 32) * 4;
  uint64_t rows =
      l.height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(l.height)) : static_cast<uint64_t>(l.height);
  if (rows > (size - l.bitsOffset) / stride) return false;
  l.bitsSize = static_cast<size_t>(stride * rows);
  *layout = l;
  return true;
}

bool DibPaletteEntryAt(const uint8_t* data, size_t size, const DibLayout& layout, size_t index,
                       DibPaletteEntry* entry) {
  if (data == nullptr || entry == nullptr || index >= layout.colourCount) return false;
  if (layout.colourTableOffset > size || index >= (size - layout.colourTableOffset) / 4) return false;
  // Stored blue, green, red, reserved.
  const uint8_t* quad = data + layout.colourTableOffset + 4 * index;
  entry->red = quad[2];
  entry->green = quad[1];
  entry->blue = quad[0];
  entry->flags = 0;
  return true;
}

size_t BuildDibPalette(const uint8_t* data, size_t size, const DibLayout& layout, DibPaletteEntry* entries,
                       size_t capacity) {
  if (entries == nullptr) return 0;
  size_t n = 0;
  while (n < capacity && DibPaletteEntryAt(data, size, layout, n, &entries[n])) ++n;
  return n;
}
