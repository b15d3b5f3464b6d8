// Whether setup's stored files, and each file it installed, are what the
// build put there.
#ifndef SETUPVDL_INTEGRITY_H
#define SETUPVDL_INTEGRITY_H

#include "engine/payload.h"

// The bytes of setup's resource id of type and their count; null when it
// cannot be found or loaded.
const BYTE* LoadSetupResource(WORD id, LPCSTR type, DWORD* size);

// True when setup's file is as long as its headers say and each stored file
// (the four payloads and the licence) has the digest that the build
// recorded. Run before anything is written; shows nothing.
bool IsSetupFileIntact();

// True when the file at path has the digest that the build recorded for
// what entry's stored file expands to.
bool IsInstalledFileIntact(const PayloadEntry& entry, const char* path);

#endif
