// Command-line handling that needs nothing but the text itself.
#ifndef SETUPVDL_CMDLINE_LOGIC_H
#define SETUPVDL_CMDLINE_LOGIC_H

#include <cstddef>

// The process command line without the program's name and the characters of
// code 1 to 32 after it. A quoted name ends after its closing quote.
const char* CommandTail(const char* commandLine);

// Copies the tail, trimmed of blanks, into dest (size bytes with the NUL).
// Returns false when even the trimmed tail does not fit: such a command is
// no switch of ours and counts as unrecognised.
bool CopyTrimmedCommand(const char* tail, char* dest, size_t size);

// "-u" or "/u", exactly.
bool IsUnattendedSwitch(const char* trimmed);

#endif
