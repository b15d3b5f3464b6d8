// Multibyte text helpers; see mbtext_logic.h.
#include "driver/mbtext_logic.h"

#include <cstring>

namespace {
LeadByteTest g_leadByteTest = nullptr;

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

void SetLeadByteTest(LeadByteTest test) { g_leadByteTest = test; }

bool IsLeadByte(unsigned char byte) { return g_leadByteTest != nullptr && g_leadByteTest(byte); }

size_t CharBytes(const char* s) { return (IsLeadByte(static_cast<unsigned char>(s[0])) && s[1] != '\0') ? 2 : 1; }

void LowerCaseText(char* s) {
  while (*s != '\0') {
    size_t n = CharBytes(s);
    if (n == 1) *s = FoldCase(*s);
    s += n;
  }
}

int CompareTextNoCase(const char* a, const char* b) {
  for (;;) {
    size_t na = CharBytes(a);
    size_t nb = CharBytes(b);
    unsigned int ca = static_cast<unsigned char>(na == 1 ? FoldCase(*a) : *a);
    unsigned int cb = static_cast<unsigned char>(nb == 1 ? FoldCase(*b) : *b);
    if (na == 2) ca = (ca << 8) | static_cast<unsigned char>(a[1]);
    if (nb == 2) cb = (cb << 8) | static_cast<unsigned char>(b[1]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
    a += na;
    b += nb;
  }
}

const char* FindText(const char* haystack, const char* needle) {
  size_t len = strlen(needle);
  if (len == 0) return haystack;
  for (const char* p = haystack; *p != '\0'; p += CharBytes(p)) {
    if (strncmp(p, needle, len) == 0) return p;
  }
  return nullptr;
}

bool IsBlank(unsigned char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

void TrimBlanks(char* s) {
  size_t start = 0;
  while (s[start] != '\0' && IsBlank(static_cast<unsigned char>(s[start]))) ++start;
  // Walk forward by characters so a trail byte is never taken for a blank
  // (trail bytes are never below 0x40 anyway) and nothing is split.
  size_t end = start;
  for (size_t i = start; s[i] != '\0';) {
    size_t n = CharBytes(s + i);
    if (!IsBlank(static_cast<unsigned char>(s[i]))) end = i + n;
    i += n;
  }
  memmove(s, s + start, end - start);
  s[end - start] = '\0';
}

char* AddBackslash(char* path) {
  size_t length = strlen(path);
  if (length >= kShellPathChars) return nullptr;
  if (length == 0) return path;
  char* last = path;
  char* end = path;
  while (*end != '\0') {
    last = end;
    end += CharBytes(end);
  }
  // A trail byte of 0x5C is part of a double-byte character, no backslash.
  if (*last != '\\') {
    *end++ = '\\';
    *end = '\0';
  }
  return end;
}
