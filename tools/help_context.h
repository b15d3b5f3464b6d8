// The hash of a context string, by which the |CONTEXT tree of a WinHelp 3.1
// file finds a topic. WinHelp 3.1 allows only letters, digits, '.' and '_'
// in context strings; the writer refuses any other string instead of giving
// it a hash that the help program would not compute.
#ifndef SETUPVDL_HELP_CONTEXT_H
#define SETUPVDL_HELP_CONTEXT_H

#include <cstdint>

// Base 43: letters without case 17..42, digits 1..9 and '0' as 10, '.' 12,
// '_' 13. False, and no hash, for an empty string or any other character.
inline bool HashContext(const char* context, int32_t* hash) {
  if (context == nullptr || *context == '\0') return false;
  uint32_t value = 0;
  for (const char* p = context; *p != '\0'; ++p) {
    const char c = *p;
    unsigned x = 0;
    if (c >= 'A' && c <= 'Z') {
      x = unsigned(c - 'A') + 17;
    } else if (c >= 'a' && c <= 'z') {
      x = unsigned(c - 'a') + 17;
    } else if (c >= '1' && c <= '9') {
      x = unsigned(c - '0');
    } else if (c == '0') {
      x = 10;
    } else if (c == '.') {
      x = 12;
    } else if (c == '_') {
      x = 13;
    } else {
      return false;
    }
    value = value * 43 + x;
  }
  *hash = int32_t(value);
  return true;
}

#endif
