// Bounded formatting with two texts; see format_logic.h.
#include "engine/format_logic.h"

#include "driver/mbtext_logic.h"

namespace {

// Appends the character at source (one or two bytes) when it fits before
// the terminating zero; returns its length, or 0 when it did not fit.
size_t AppendChar(char* text, size_t size, size_t* length, const char* source) {
  size_t n = CharBytes(source) == 2 ? 2 : 1;
  if (*length + n >= size) return 0;
  text[(*length)++] = source[0];
  if (n == 2) text[(*length)++] = source[1];
  return n;
}

// Appends whole characters of source while they fit; false when one did not.
bool AppendText(char* text, size_t size, size_t* length, const char* source) {
  while (*source != '\0') {
    size_t n = AppendChar(text, size, length, source);
    if (n == 0) return false;
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
      size_t n = AppendChar(text, size, &length, p);
      fits = n != 0;
      p += n;
    }
  }
  text[length] = '\0';
  return fits ? static_cast<int>(length) : -1;
}
