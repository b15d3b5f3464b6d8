// The BootExecute list update; see bootexec_logic.h.
#include "engine/bootexec_logic.h"

#include <cstring>

#include "driver/mbtext_logic.h"

namespace {

int CompareNoCase(const char* a, const char* b) { return CompareTextNoCase(a, b); }

// The byte form's folding, A to Z only; a UTF-16 unit never splits.
int CompareNoCase(const wchar_t* a, const wchar_t* b) {
  auto fold = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
  for (;; ++a, ++b) {
    wchar_t ca = fold(*a);
    wchar_t cb = fold(*b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

// Characters before the first NUL, looking at no more than limit.
template <typename Char>
size_t BoundedLength(const Char* text, size_t limit) {
  size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

template <typename Char>
BootListUpdate AddEntry(Char* list, size_t capacity, size_t dataSize, const Char* name, size_t* writeSize) {
  *writeSize = 0;
  // One character past the data must be ours to terminate an unterminated last string.
  if (dataSize >= capacity) return BootListUpdate::kNoRoom;
  memset(list + dataSize, 0, (capacity - dataSize) * sizeof(Char));

  size_t pos = 0;
  for (;;) {
    if (pos >= capacity) return BootListUpdate::kNoRoom;
    // list[dataSize] is NUL, so every string from here on ends inside the buffer.
    size_t length = BoundedLength(list + pos, capacity - pos);
    if (length == capacity - pos) return BootListUpdate::kNoRoom;
    if (length == 0) break;
    if (CompareNoCase(list + pos, name) == 0) return BootListUpdate::kPresent;
    pos += length + 1;
  }

  size_t nameLength = BoundedLength(name, capacity);
  // An empty entry would end the list where it stands: nothing to add.
  if (nameLength == 0) return BootListUpdate::kPresent;
  if (nameLength >= capacity) return BootListUpdate::kNoRoom;
  size_t entryEnd = pos + nameLength + 1;  // just past the entry's NUL
  size_t size = dataSize + nameLength + 1;
  if (size < entryEnd + 1) size = entryEnd + 1;  // room for the final NUL
  if (size > capacity) return BootListUpdate::kNoRoom;

  memcpy(list + pos, name, (nameLength + 1) * sizeof(Char));
  memset(list + entryEnd, 0, (size - entryEnd) * sizeof(Char));
  *writeSize = size;
  return BootListUpdate::kAppended;
}

}  // namespace

BootListUpdate AddBootEntry(wchar_t* list, size_t capacity, size_t dataSize, const wchar_t* name, size_t* writeSize) {
  return AddEntry(list, capacity, dataSize, name, writeSize);
}

BootListUpdate AddBootEntry(char* list, size_t capacity, size_t dataSize, const char* name, size_t* writeSize) {
  return AddEntry(list, capacity, dataSize, name, writeSize);
}
