// Multibyte text helpers for strings in the ANSI code page. A double-byte
// character (lead byte plus trail byte) is always handled as one unit.
// Case folding is that of the C locale: only A-Z change.
#ifndef SETUPVDL_MBTEXT_LOGIC_H
#define SETUPVDL_MBTEXT_LOGIC_H

#include <cstddef>

using LeadByteTest = bool (*)(unsigned char byte);

// Installs the code page's lead-byte test; null means a single-byte code page.
void SetLeadByteTest(LeadByteTest test);
bool IsLeadByte(unsigned char byte);

// Bytes of the character at s: 2 for a lead byte followed by a non-NUL byte.
size_t CharBytes(const char* s);

void LowerCaseText(char* s);
int CompareTextNoCase(const char* a, const char* b);
// First occurrence of needle in haystack starting on a character boundary.
const char* FindText(const char* haystack, const char* needle);
// The classic white space test: space, \t, \n, \v, \f, \r; never a byte >= 128.
bool IsBlank(unsigned char byte);
// Removes leading and trailing white space in place.
void TrimBlanks(char* s);

// The longest path, in characters, that AddBackslash accepts, minus one.
constexpr size_t kShellPathChars = 260;
// Appends a backslash unless the path's last character is one, as the
// shell's PathAddBackslashA does: returns the terminating zero of the
// result, the path itself when it is empty, and null (the path unchanged)
// when it has kShellPathChars characters or more. The buffer must hold one
// byte more than the path.
char* AddBackslash(char* path);

#endif
