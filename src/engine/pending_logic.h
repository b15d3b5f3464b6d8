// The scan of PendingFileRenameOperations for a file name.
#ifndef SETUPVDL_PENDING_LOGIC_H
#define SETUPVDL_PENDING_LOGIC_H

#include <cstddef>

// data is a buffer of capacity bytes whose first size bytes hold the value.
// It holds source/target pairs of NUL-terminated strings, and the target of
// a deletion is empty, so only size ends the walk, never an empty string.
// Each string is lower-cased in place and searched for lowerName (already
// lower case) as a substring, multibyte-aware.
//
// A last string without its NUL is still searched: data[size] is set to NUL
// for it, which needs capacity > size. If size >= capacity the walk covers
// only the first capacity - 1 bytes.
bool NamesPendingFile(char* data, size_t capacity, size_t size, const char* lowerName);

#endif
