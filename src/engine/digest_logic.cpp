// SHA-256 as FIPS 180-4 gives it, one 64-byte block at a time.
#include "engine/digest_logic.h"

#include <cstring>

namespace {

const uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

uint32_t RotateRight(uint32_t value, int bits) { return (value >> bits) | (value << (32 - bits)); }

void HashBlock(uint32_t (&state)[8], const uint8_t* block) {
  uint32_t w[64];
  for (size_t i = 0; i < 16; ++i) {
    w[i] = (uint32_t{block[4 * i]} << 24) | (uint32_t{block[4 * i + 1]} << 16) | (uint32_t{block[4 * i + 2]} << 8) |
           uint32_t{block[4 * i + 3]};
  }
  for (int i = 16; i < 64; ++i) {
    uint32_t s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
    uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
    w[i] = w[i - 16] + s0 + w[i - 7] + s1;
  }
  uint32_t v[8];
  memcpy(v, state, sizeof v);
  for (int i = 0; i < 64; ++i) {
    uint32_t s1 = RotateRight(v[4], 6) ^ RotateRight(v[4], 11) ^ RotateRight(v[4], 25);
    uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
    uint32_t t1 = v[7] + s1 + choice + kRoundConstants[i] + w[i];
    uint32_t s0 = RotateRight(v[0], 2) ^ RotateRight(v[0], 13) ^ RotateRight(v[0], 22);
    uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
    memmove(v + 1, v, 7 * sizeof v[0]);
    v[4] += t1;
    v[0] = t1 + s0 + majority;
  }
  for (int i = 0; i < 8; ++i) state[i] += v[i];
}

}  // namespace

void BeginSha256(Sha256* hash) {
  static const uint32_t kInitial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  memcpy(hash->state, kInitial, sizeof kInitial);
  hash->length = 0;
  hash->used = 0;
}

void AddToSha256(Sha256* hash, const void* data, size_t size) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  hash->length += size;
  while (size > 0) {
    if (hash->used == 0 && size >= sizeof hash->block) {  // whole blocks straight from the input
      HashBlock(hash->state, bytes);
      bytes += sizeof hash->block;
      size -= sizeof hash->block;
      continue;
    }
    size_t take = sizeof hash->block - hash->used;
    if (take > size) take = size;
    memcpy(hash->block + hash->used, bytes, take);
    hash->used += take;
    bytes += take;
    size -= take;
    if (hash->used == sizeof hash->block) {
      HashBlock(hash->state, hash->block);
      hash->used = 0;
    }
  }
}

void EndSha256(Sha256* hash, uint8_t (&digest)[kDigestBytes]) {
  uint64_t bits = hash->length * 8;
  static const uint8_t kPad[64] = {0x80};
  // One 0x80 byte, zeros to 56 bytes into a block, then the length in bits.
  size_t padding = (hash->used < 56 ? 56 : 120) - hash->used;
  AddToSha256(hash, kPad, padding);
  uint8_t length[8];
  for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  AddToSha256(hash, length, sizeof length);
  for (int i = 0; i < 8; ++i) {
    for (int k = 0; k < 4; ++k) digest[4 * i + k] = static_cast<uint8_t>(hash->state[i] >> (24 - 8 * k));
  }
}

bool HasSha256(const void* data, size_t size, const uint8_t* expected) {
  Sha256 hash;
  BeginSha256(&hash);
  AddToSha256(&hash, data, size);
  uint8_t digest[kDigestBytes];
  EndSha256(&hash, digest);
  return memcmp(digest, expected, kDigestBytes) == 0;
}
