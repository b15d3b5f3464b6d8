// Adding the boot-time program to the Session Manager's BootExecute list,
// on the raw characters of the REG_MULTI_SZ value: wide ones as setup reads
// it, so that another product's entries keep every character; the same
// rules on bytes of the ANSI code page.
#ifndef SETUPVDL_BOOTEXEC_LOGIC_H
#define SETUPVDL_BOOTEXEC_LOGIC_H

#include <cstddef>

enum class BootListUpdate {
  kPresent,   // an entry equal to the name is there: write nothing
  kAppended,  // the name was added: write *writeSize characters
  kNoRoom,    // the list with the new entry does not fit the buffer
};

// list is a buffer of capacity characters whose first dataSize characters
// hold the value as read. The walk stops at the first empty string; an entry
// matches when it equals name as a whole, case-insensitively (A to Z only;
// the byte form never splits a double-byte character). Otherwise name is
// copied over that empty string, followed by the list's final NUL.
//
// The size to write is dataSize + the name's length + 1, the value's old
// size grown by the entry, but never less than what the list needs to end
// with its final NUL: a value read without one (malformed) is written back
// well-formed. Characters after the new entry up to that size are zeroed, so
// nothing that stood after the old end of the list reappears as an entry.
// Characters from dataSize to capacity are cleared first; nothing past
// capacity is ever read or written. All sizes count characters.
BootListUpdate AddBootEntry(wchar_t* list, size_t capacity, size_t dataSize, const wchar_t* name, size_t* writeSize);
BootListUpdate AddBootEntry(char* list, size_t capacity, size_t dataSize, const char* name, size_t* writeSize);

#endif
