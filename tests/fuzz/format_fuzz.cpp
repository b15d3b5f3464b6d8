// Any format, any texts, any room: the result stays inside the buffer, ends
// with its terminating zero where the returned length says, and is the whole
// message or, cut, a beginning of it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/mbtext_logic.h"
#include "engine/format_logic.h"

namespace {
bool SjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
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
  // The whole result, unbounded: what was written is all of it or, when
  // cut, a beginning of it.
  std::string whole;
  const char* texts[2] = {parts[1].c_str(), (control & 2) ? "" : parts[2].c_str()};
  int used = 0;
  for (const char* p = parts[0].c_str(); *p != '\0';) {
    if (p[0] == '%' && p[1] == '%') {
      whole += '%';
      p += 2;
    } else if (p[0] == '%' && p[1] == 's' && used < 2) {
      whole += texts[used++];
      p += 2;
    } else {
      whole.append(p, CharBytes(p));
      p += CharBytes(p);
    }
  }
  if (written != -1 && whole != text.data()) __builtin_trap();
  if (written == -1 && (whole.size() < room || whole.compare(0, length, text.data()) != 0)) __builtin_trap();
  return 0;
}
