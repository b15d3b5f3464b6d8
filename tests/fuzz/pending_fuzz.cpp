// Any value bytes, any claimed size: the scan stays inside the buffer.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "driver/mbtext_logic.h"
#include "engine/pending_logic.h"

namespace {
bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
const char* const kNames[] = {"vdlite.dll", "a", "\x81v", ""};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint8_t control = data[0];
  uint8_t slack = data[1];
  data += 2;
  size -= 2;
  SetLeadByteTest((control & 1) ? SjisLead : nullptr);
  const char* name = kNames[(control >> 1) % (sizeof kNames / sizeof kNames[0])];
  // The buffer is sometimes exactly the data, sometimes larger; the claimed
  // size sometimes exceeds it.
  size_t capacity = size + (slack & 3);
  size_t claimed = (control & 0x80) ? size + (slack >> 2) : size;
  std::vector<char> buffer(capacity == 0 ? 1 : capacity);
  if (size != 0) memcpy(buffer.data(), data, size);
  bool found = NamesPendingFile(buffer.data(), capacity, claimed, name);
  // An empty name is found in any non-empty walk; a found name is really there.
  if (found && name[0] != '\0') {
    size_t limit = capacity == 0 ? 0 : capacity - 1;
    if (limit > claimed) limit = claimed;
    size_t nameLength = strlen(name);
    bool present = false;
    for (size_t i = 0; i + nameLength <= limit && !present; ++i) present = memcmp(&buffer[i], name, nameLength) == 0;
    if (!present) __builtin_trap();
  }
  SetLeadByteTest(nullptr);
  return 0;
}
