// The pending-rename scan; see pending_logic.h.
#include "engine/pending_logic.h"

#include <cstring>

#include "driver/mbtext_logic.h"

bool NamesPendingFile(char* data, size_t capacity, size_t size, const char* lowerName) {
  if (capacity == 0) return false;
  if (size >= capacity) size = capacity - 1;
  data[size] = '\0';
  size_t offset = 0;
  while (offset < size) {
    char* text = data + offset;
    size_t length = strlen(text);  // ends at data[size] at the latest
    LowerCaseText(text);
    if (FindText(text, lowerName) != nullptr) return true;
    offset += length + 1;  // an empty string steps over its NUL alone
  }
  return false;
}
