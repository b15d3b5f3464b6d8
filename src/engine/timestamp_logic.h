// The fixed time stamp of the installed payload files and its DOS form.
#ifndef SETUPVDL_TIMESTAMP_LOGIC_H
#define SETUPVDL_TIMESTAMP_LOGIC_H

#include <cstdint>

// Eight 16-bit words, as the stamp is stored; the last two are never read.
struct StampRecord {
  uint16_t year;
  uint16_t month;
  uint16_t day;
  uint16_t hour;
  uint16_t minute;
  uint16_t second;
  uint16_t reserved1;
  uint16_t reserved2;
};

// 5 July 2000, 01:00:00, local time of the installing machine.
extern const StampRecord kPayloadStamp;

struct DosDateTime {
  uint16_t date;  // (year - 1980) * 512 + month * 32 + day
  uint16_t time;  // hour * 2048 + minute * 32 + second / 2
};

// Packs a record into DOS date and time words. The arithmetic is unsigned and
// keeps the low 16 bits, so no record, however odd, is undefined behaviour;
// only a record of valid calendar values gives a meaningful result.
DosDateTime ToDosDateTime(const StampRecord& stamp);

#endif
