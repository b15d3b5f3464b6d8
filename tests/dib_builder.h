// Packed DIBs built byte by byte for the tests of the picture control (Wine)
// and of the DIB parsing (native); no windows.h.
#ifndef SETUPVDL_TESTS_DIB_BUILDER_H
#define SETUPVDL_TESTS_DIB_BUILDER_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace dib_builder {

inline void Put16(std::vector<uint8_t>* d, size_t at, uint16_t v) {
  (*d)[at] = static_cast<uint8_t>(v);
  (*d)[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void Put32(std::vector<uint8_t>* d, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*d)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline size_t Stride(int width, int bits) { return ((static_cast<size_t>(width) * bits + 31) / 32) * 4; }

// A complete DIB; colour-table entry i is blue i, green 2i, red 3i (mod 256)
// with 0xAB in the reserved byte, which is never copied; every pixel byte is
// pixel.
inline std::vector<uint8_t> MakeDib(int width, int height, int bits, uint32_t clrUsed, uint32_t tableEntries,
                                    uint32_t headerSize = 40, uint32_t compression = 0, uint8_t pixel = 0) {
  size_t rows = static_cast<size_t>(height < 0 ? -height : height);
  std::vector<uint8_t> d(headerSize + 4 * tableEntries + Stride(width, bits) * rows, pixel);
  std::fill(d.begin(), d.begin() + headerSize + 4 * tableEntries, 0);
  Put32(&d, 0, headerSize);
  Put32(&d, 4, static_cast<uint32_t>(width));
  Put32(&d, 8, static_cast<uint32_t>(height));
  Put16(&d, 12, 1);
  Put16(&d, 14, static_cast<uint16_t>(bits));
  Put32(&d, 16, compression);
  Put32(&d, 32, clrUsed);
  for (uint32_t i = 0; i < tableEntries; ++i) {
    d[headerSize + 4 * i] = static_cast<uint8_t>(i);
    d[headerSize + 4 * i + 1] = static_cast<uint8_t>(2 * i);
    d[headerSize + 4 * i + 2] = static_cast<uint8_t>(3 * i);
    d[headerSize + 4 * i + 3] = 0xAB;
  }
  return d;
}

}  // namespace dib_builder

#endif
