// Any eight-word record: packing is defined and matches a wide reference.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/timestamp_logic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(StampRecord)) return 0;
  StampRecord stamp;
  memcpy(&stamp, data, sizeof stamp);
  DosDateTime dos = ToDosDateTime(stamp);
  int64_t date = (int64_t{stamp.year} - 1980) * 512 + int64_t{stamp.month} * 32 + stamp.day;
  int64_t time = int64_t{stamp.hour} * 2048 + int64_t{stamp.minute} * 32 + stamp.second / 2;
  if (dos.date != static_cast<uint16_t>(static_cast<uint64_t>(date) & 0xFFFF)) __builtin_trap();
  if (dos.time != static_cast<uint16_t>(static_cast<uint64_t>(time) & 0xFFFF)) __builtin_trap();
  return 0;
}
