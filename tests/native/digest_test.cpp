// SHA-256 against the test vectors published with FIPS 180-2, fed whole and
// in pieces across its 64-byte blocks.
#include <gtest/gtest.h>

#include <string>

#include "engine/digest_logic.h"

namespace {

std::string Hex(const std::string& data, size_t piece) {
  Sha256 hash;
  BeginSha256(&hash);
  for (size_t at = 0; at < data.size(); at += piece) AddToSha256(&hash, &data[at], std::min(piece, data.size() - at));
  uint8_t digest[kDigestBytes];
  EndSha256(&hash, digest);
  std::string hex;
  for (uint8_t byte : digest) hex.append(1, "0123456789abcdef"[byte >> 4]).append(1, "0123456789abcdef"[byte & 15]);
  return hex;
}

TEST(Sha256, PublishedVectorsWholeAndInPieces) {
  for (size_t piece : {size_t{1000000}, size_t{7}, size_t{64}}) {
    EXPECT_EQ(Hex("", piece), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Hex("abc", piece), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", piece),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Hex(std::string(1000000, 'a'), piece),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  }
}

}  // namespace
