// The BootExecute list update; see bootexec_logic.h.
#include "engine/bootexec_logic.h"

#include <cstring>

#include "driver/mbtext_logic.h"

BootListUpdate AddBootEntry(char* list, size_t capacity, size_t dataSize, const char* name, size_t* writeSize) {
  *writeSize = 0;
  // One byte past the data must be ours to terminate an unterminated last string.
  if (dataSize >= capacity) return BootListUpdate::kNoRoom;
  memset(list + dataSize, 0, capacity - dataSize);

  size_t pos = 0;
  for (;;) {
    if (pos >= capacity) return BootListUpdate::kNoRoom;
    // list[dataSize] is NUL, so every string from here on ends inside the buffer.
    size_t length = strnlen(list + pos, capacity - pos);
    if (length == capacity - pos) return BootListUpdate::kNoRoom;
    if (length == 0) break;
    if (CompareTextNoCase(list + pos, name) == 0) return BootListUpdate::kPresent;
    pos += length + 1;
  }

  size_t nameLength = strlen(name);
  // An empty entry would end the list where it stands: nothing to add.
  if (nameLength == 0) return BootListUpdate::kPresent;
  if (nameLength >= capacity) return BootListUpdate::kNoRoom;
  size_t entryEnd = pos + nameLength + 1;  // just past the entry's NUL
  size_t size = dataSize + nameLength + 1;
  if (size < entryEnd + 1) size = entryEnd + 1;  // room for the final NUL
  if (size > capacity) return BootListUpdate::kNoRoom;

  memcpy(list + pos, name, nameLength + 1);
  memset(list + entryEnd, 0, size - entryEnd);
  *writeSize = size;
  return BootListUpdate::kAppended;
}
