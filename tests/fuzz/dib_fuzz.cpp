// Any bytes as a bitmap resource: parsing and palette building stay inside
// the data.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "controls/dib_logic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DibLayout layout;
  if (!ParseDib(data, size, &layout)) return 0;
  if (layout.bitsOffset > size || layout.bitsSize > size - layout.bitsOffset) __builtin_trap();
  std::vector<DibPaletteEntry> entries(layout.colourCount);
  size_t n = BuildDibPalette(data, size, layout, entries.data(), entries.size());
  if (n != layout.colourCount) __builtin_trap();
  // Touch the first and last byte of the pixel rows, as GDI would.
  volatile uint8_t sink = 0;
  if (layout.bitsSize > 0) sink = data[layout.bitsOffset] ^ data[layout.bitsOffset + layout.bitsSize - 1];
  (void)sink;
  return 0;
}
