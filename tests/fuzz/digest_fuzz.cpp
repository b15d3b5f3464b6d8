// Any input, fed in the pieces that its first byte chooses, gives the digest
// that OpenSSL gives for it whole.
#include <openssl/sha.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/digest_logic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  size_t piece = data[0] + 1u;
  ++data;
  --size;
  Sha256 hash;
  BeginSha256(&hash);
  for (size_t at = 0; at < size; at += piece) AddToSha256(&hash, data + at, size - at < piece ? size - at : piece);
  uint8_t digest[kDigestBytes];
  EndSha256(&hash, digest);
  uint8_t oracle[SHA256_DIGEST_LENGTH];
  SHA256(data, size, oracle);
  if (memcmp(digest, oracle, sizeof oracle) != 0 || !HasSha256(data, size, oracle)) __builtin_trap();
  return 0;
}
