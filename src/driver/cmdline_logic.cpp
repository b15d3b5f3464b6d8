// Command-line handling; see cmdline_logic.h.
#include "driver/cmdline_logic.h"

#include <cstring>

#include "driver/mbtext_logic.h"

const char* CommandTail(const char* commandLine) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') p += CharBytes(reinterpret_cast<const char*>(p));
    if (*p == '"') ++p;
  } else {
    while (*p > ' ') ++p;
  }
  while (*p >= 1 && *p <= ' ') ++p;
  return reinterpret_cast<const char*>(p);
}

bool CopyTrimmedCommand(const char* tail, char* dest, size_t size) {
  if (size == 0) return false;
  size_t len = strlen(tail);
  if (len < size) {
    memcpy(dest, tail, len + 1);
    TrimBlanks(dest);
    return true;
  }
  // Longer than the buffer: only the trimmed form is looked at.
  size_t start = 0;
  while (IsBlank(static_cast<unsigned char>(tail[start]))) ++start;
  size_t end = len;
  while (end > start && IsBlank(static_cast<unsigned char>(tail[end - 1]))) --end;
  if (end - start >= size) {
    dest[0] = '\0';
    return false;
  }
  memcpy(dest, tail + start, end - start);
  dest[end - start] = '\0';
  return true;
}

bool IsUnattendedSwitch(const char* trimmed) { return strcmp(trimmed, "/u") == 0 || strcmp(trimmed, "-u") == 0; }
