// SHA-256 (FIPS 180-4), fed in pieces: what setup compares its stored files
// and the files it installed with.
#ifndef SETUPVDL_DIGEST_LOGIC_H
#define SETUPVDL_DIGEST_LOGIC_H

#include <cstddef>
#include <cstdint>

constexpr size_t kDigestBytes = 32;

struct Sha256 {
  uint32_t state[8];
  uint64_t length;  // bytes fed so far
  uint8_t block[64];
  size_t used;  // bytes waiting in block
};

void BeginSha256(Sha256* hash);
void AddToSha256(Sha256* hash, const void* data, size_t size);
void EndSha256(Sha256* hash, uint8_t (&digest)[kDigestBytes]);

// The digest of one piece of memory compared with an expected one.
bool HasSha256(const void* data, size_t size, const uint8_t* expected);

#endif
