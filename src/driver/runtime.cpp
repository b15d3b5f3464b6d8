// The few run-time library functions that setup's code calls, so that the
// image imports nothing but kernel32, user32, gdi32 and advapi32: msvcrt.dll
// is no KnownDLL on NT 4.0, and a copy planted beside setup would run inside
// it. Linked into SETUPVDL.EXE only; the test programs keep their library.
#include <windows.h>

#include <cstddef>

extern "C" {

size_t strlen(const char* s) {
  const char* end = s;
  while (*end != '\0') ++end;
  return static_cast<size_t>(end - s);
}

int strcmp(const char* a, const char* b) {
  while (*a != '\0' && *a == *b) ++a, ++b;
  return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

int strncmp(const char* a, const char* b, size_t count) {
  for (; count > 0; --count, ++a, ++b) {
    if (*a != *b) return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
    if (*a == '\0') break;
  }
  return 0;
}

int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (size_t i = 0; i < count; ++i) {
    if (x[i] != y[i]) return x[i] - y[i];
  }
  return 0;
}

void* memmove(void* to, const void* from, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(to);
  const unsigned char* s = static_cast<const unsigned char*>(from);
  if (d < s) {
    for (size_t i = 0; i < count; ++i) d[i] = s[i];
  } else {
    for (size_t i = count; i > 0; --i) d[i - 1] = s[i - 1];
  }
  return to;
}

}  // extern "C"

// The controls' virtual destructors name the deleting form, which setup
// never calls: its objects are static and it has no operator new (one from
// the library would bring msvcrt.dll back into the imports, which the image
// check refuses). Should one be added, it takes the process heap.
void operator delete(void* block) noexcept {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}
void operator delete(void* block, size_t) noexcept { operator delete(block); }
