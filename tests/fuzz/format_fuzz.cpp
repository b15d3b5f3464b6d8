// Any format, any texts, any room: the result stays inside the buffer and
// ends with its terminating zero where the returned length says. Where
// snprintf reads the format as setup does (single-byte texts, no '%' but
// "%%" and at most two "%s"), the result is what snprintf writes into the
// same room.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/mbtext_logic.h"
#include "engine/format_logic.h"

namespace {
bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

bool PrintfReadsItAlike(const std::string& format) {
  int texts = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 < format.size() && (format[i + 1] == '%' || (format[i + 1] == 's' && ++texts <= 2))) {
      ++i;
      continue;
    }
    return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  uint8_t control = data[0];
  size_t room = data[1];
  data += 2;
  size -= 2;
  SetLeadByteTest((control & 1) ? SjisLead : nullptr);
  // Format, first and second text, split at the first two zero bytes.
  std::string parts[3];
  int part = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && part < 2) {
      ++part;
      continue;
    }
    if (data[i] != 0) parts[part] += static_cast<char>(data[i]);
  }
  // Exactly room bytes on the heap, so ASan sees any overrun.
  std::vector<char> text(room == 0 ? 1 : room);
  int written =
      FormatTwoTexts(text.data(), room, parts[0].c_str(), parts[1].c_str(), (control & 2) ? nullptr : parts[2].c_str());
  if (room == 0) {
    if (written != -1) __builtin_trap();
    return 0;
  }
  size_t length = strnlen(text.data(), room);
  if (length >= room) __builtin_trap();
  if (written != -1 && static_cast<size_t>(written) != length) __builtin_trap();
  if ((control & 1) == 0 && PrintfReadsItAlike(parts[0])) {
    std::vector<char> expected(room);
    const char* second = (control & 2) ? "" : parts[2].c_str();
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
    int full = snprintf(expected.data(), room, parts[0].c_str(), parts[1].c_str(), second);
#pragma clang diagnostic pop
    if (strcmp(expected.data(), text.data()) != 0) __builtin_trap();
    if (written != (full < static_cast<int>(room) ? full : -1)) __builtin_trap();
  }
  return 0;
}
