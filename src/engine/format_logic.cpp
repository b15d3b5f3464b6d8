// Bounded formatting with two texts; see format_logic.h.
#include "engine/format_logic.h"

#include "driver/mbtext_logic.h"

namespace {

// Appends whole characters of source while they fit before the terminating
// zero; false when one did not.
bool AppendText(char* text, size_t size, size_t* length, const char* source) {
  while (*source != '\0') {
    size_t n = CharBytes(source);
    if (*length + n >= size) return false;
    for (size_t i = 0; i < n; ++i) text[(*length)++] = source[i];
    source += n;
  }
  return true;
}

}  // namespace

int FormatTwoTexts(char* text, size_t size, const char* format, const char* first, const char* second) {
  if (size == 0) return -1;
  const char* arguments[2] = {first != nullptr ? first : "", second != nullptr ? second : ""};
  int used = 0;
  size_t length = 0;
  bool fits = true;
  const char* p = format;
  while (fits && *p != '\0') {
    if (p[0] == '%' && p[1] == '%') {
      fits = AppendText(text, size, &length, "%");
      p += 2;
    } else if (p[0] == '%' && p[1] == 's' && used < 2) {
      fits = AppendText(text, size, &length, arguments[used++]);
      p += 2;
    } else {
      char one[3] = {p[0], CharBytes(p) == 2 ? p[1] : '\0', '\0'};
      fits = AppendText(text, size, &length, one);
      p += CharBytes(p);
    }
  }
  text[length] = '\0';
  return fits ? static_cast<int>(length) : -1;
}
