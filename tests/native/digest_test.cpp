// SHA-256 against the test vectors published with FIPS 180-2.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/digest_logic.h"

namespace {

std::string Hex(const std::string& data, size_t piece) {
  Sha256 hash;
  BeginSha256(&hash);
  for (size_t at = 0; at < data.size(); at += piece)
    AddToSha256(&hash, data.data() + at, std::min(piece, data.size() - at));
  uint8_t digest[kDigestBytes];
  EndSha256(&hash, digest);
  std::string hex;
  char pair[3];
  for (uint8_t byte : digest) {
    snprintf(pair, sizeof pair, "%02x", byte);
    hex += pair;
  }
  return hex;
}

TEST(Sha256, PublishedVectorsWholeAndInOddPieces) {
  const std::string million(1000000, 'a');
  for (size_t piece : {size_t{1000000}, size_t{7}, size_t{64}}) {
    EXPECT_EQ(Hex("", piece), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Hex("abc", piece), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", piece),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Hex(million, piece), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  }
}

}  // namespace
