// The payload time stamp; see timestamp_logic.h.
#include "engine/timestamp_logic.h"

const StampRecord kPayloadStamp = {2000, 7, 5, 1, 0, 0, 0, 0};

DosDateTime ToDosDateTime(const StampRecord& stamp) {
  // uint32_t, not int: 16-bit words promote to int and could overflow it.
  uint32_t date = (uint32_t{stamp.year} - 1980u) * 512u + uint32_t{stamp.month} * 32u + uint32_t{stamp.day};
  uint32_t time = uint32_t{stamp.hour} * 2048u + uint32_t{stamp.minute} * 32u + uint32_t{stamp.second} / 2u;
  return DosDateTime{static_cast<uint16_t>(date & 0xFFFFu), static_cast<uint16_t>(time & 0xFFFFu)};
}
