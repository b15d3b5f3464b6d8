// Any value bytes, any buffer room: the update stays inside the buffer and,
// when it appends, leaves a well-formed list that ends with the name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "driver/mbtext_logic.h"
#include "engine/bootexec_logic.h"

namespace {
bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
const char* const kNames[] = {"vdlite.exe", "a", "\x81v", "autocheck autochk *", ""};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint8_t control = data[0];
  uint8_t room = data[1];
  data += 2;
  size -= 2;
  SetLeadByteTest((control & 1) ? SjisLead : nullptr);
  const char* name = kNames[(control >> 1) % (sizeof kNames / sizeof kNames[0])];
  // Exactly capacity bytes on the heap, so ASan sees any overrun.
  size_t capacity = size + room / 8;
  size_t dataSize = (control & 0x80) ? size + room % 4 : size;  // sometimes claims more than the buffer
  std::vector<char> list(capacity == 0 ? 1 : capacity);
  if (size != 0) memcpy(list.data(), data, size);
  size_t writeSize = 0;
  BootListUpdate result = AddBootEntry(list.data(), capacity, dataSize, name, &writeSize);
  if (result == BootListUpdate::kAppended) {
    size_t nameLength = strlen(name);
    if (writeSize > capacity || writeSize < dataSize + nameLength + 1 || writeSize < nameLength + 2) __builtin_trap();
    if (list[writeSize - 1] != '\0' || list[writeSize - 2] != '\0') __builtin_trap();
    // Walk the written list: it ends inside writeSize and its last entry is the name.
    size_t pos = 0;
    const char* last = nullptr;
    while (list[pos] != '\0') {
      last = &list[pos];
      pos += strnlen(last, writeSize - pos) + 1;
      if (pos >= writeSize) __builtin_trap();
    }
    if (last == nullptr || strcmp(last, name) != 0) __builtin_trap();
  } else if (writeSize != 0) {
    __builtin_trap();
  }
  SetLeadByteTest(nullptr);
  return 0;
}
