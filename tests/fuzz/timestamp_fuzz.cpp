// Any eight-word record packs without undefined behaviour; a record of
// calendar values unpacks to its own fields, and the two spare words never
// change the result.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/timestamp_logic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < sizeof(StampRecord)) return 0;
  StampRecord stamp;
  memcpy(&stamp, data, sizeof stamp);
  DosDateTime dos = ToDosDateTime(stamp);

  StampRecord plain = stamp;
  plain.reserved1 = 0;
  plain.reserved2 = 0;
  DosDateTime same = ToDosDateTime(plain);
  if (same.date != dos.date || same.time != dos.time) __builtin_trap();

  bool calendar = stamp.year >= 1980 && stamp.year <= 2107 && stamp.month >= 1 && stamp.month <= 12 && stamp.day >= 1 &&
                  stamp.day <= 31 && stamp.hour <= 23 && stamp.minute <= 59 && stamp.second <= 59;
  if (!calendar) return 0;
  // The DOS layout: year since 1980 in bits 9-15, month 5-8, day 0-4;
  // hour 11-15, minute 5-10, seconds halved 0-4.
  if ((dos.date >> 9) != stamp.year - 1980 || ((dos.date >> 5) & 0x0F) != stamp.month || (dos.date & 0x1F) != stamp.day)
    __builtin_trap();
  if ((dos.time >> 11) != stamp.hour || ((dos.time >> 5) & 0x3F) != stamp.minute ||
      (dos.time & 0x1F) * 2 != (stamp.second & ~1))
    __builtin_trap();
  return 0;
}
