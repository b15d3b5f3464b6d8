// The payload time stamp in DOS form.
#include <gtest/gtest.h>

#include "engine/timestamp_logic.h"

namespace {

TEST(PayloadStamp, RecordIsFifthOfJuly2000AtOne) {
  EXPECT_EQ(kPayloadStamp.year, 2000);
  EXPECT_EQ(kPayloadStamp.month, 7);
  EXPECT_EQ(kPayloadStamp.day, 5);
  EXPECT_EQ(kPayloadStamp.hour, 1);
  EXPECT_EQ(kPayloadStamp.minute, 0);
  EXPECT_EQ(kPayloadStamp.second, 0);
  DosDateTime dos = ToDosDateTime(kPayloadStamp);
  EXPECT_EQ(dos.date, 0x28E5);
  EXPECT_EQ(dos.time, 0x0800);
}

TEST(DosDateTimePacking, FieldsLandInTheirBits) {
  DosDateTime first = ToDosDateTime(StampRecord{1980, 1, 1, 0, 0, 0, 0, 0});
  EXPECT_EQ(first.date, 0x0021);
  EXPECT_EQ(first.time, 0x0000);
  DosDateTime last = ToDosDateTime(StampRecord{2107, 12, 31, 23, 59, 58, 0, 0});
  EXPECT_EQ(last.date, 0xFF9F);
  EXPECT_EQ(last.time, 0xBF7D);
  // Worked by hand: 29 February 2024, 13:45:30, and 31 December 1999 at noon.
  DosDateTime leap = ToDosDateTime(StampRecord{2024, 2, 29, 13, 45, 30, 0, 0});
  EXPECT_EQ(leap.date, 0x585D);
  EXPECT_EQ(leap.time, 0x6DAF);
  DosDateTime eve = ToDosDateTime(StampRecord{1999, 12, 31, 12, 0, 0, 0, 0});
  EXPECT_EQ(eve.date, 0x279F);
  EXPECT_EQ(eve.time, 0x6000);
}

TEST(DosDateTimePacking, OddSecondsDropTheirRemainderAndSpareWordsAreIgnored) {
  EXPECT_EQ(ToDosDateTime(StampRecord{2000, 7, 5, 1, 0, 59, 0, 0}).time, 0x0800 + 29);
  DosDateTime spare = ToDosDateTime(StampRecord{2000, 7, 5, 1, 0, 0, 0xFFFF, 0x1234});
  EXPECT_EQ(spare.date, 0x28E5);
  EXPECT_EQ(spare.time, 0x0800);
}

TEST(DosDateTimePacking, OutOfRangeWordsWrapToSixteenBits) {
  // -1980 * 512 = -1013760 = 0x8800 modulo 65536.
  EXPECT_EQ(ToDosDateTime(StampRecord{0, 0, 0, 0, 0, 0, 0, 0}).date, 0x8800);
  DosDateTime big = ToDosDateTime(StampRecord{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0, 0});
  // (65535 - 1980) * 512 + 65535 * 32 + 65535 = 34702815 = 0x021185DF, and
  // 65535 * (2048 + 32) + 32767 = 136345567 = 0x082077DF.
  EXPECT_EQ(big.date, 0x85DF);
  EXPECT_EQ(big.time, 0x77DF);
}

}  // namespace
