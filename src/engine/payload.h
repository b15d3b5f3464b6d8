// The payload table and the installation of one payload file.
#ifndef SETUPVDL_PAYLOAD_H
#define SETUPVDL_PAYLOAD_H

#include <windows.h>

struct PayloadEntry {
  WORD resourceId;            // "FILE" resource holding the stored (SZDD) file
  char sourceName[257];       // staged under this name in the temporary directory
  char destinationName[257];  // installed under this name
  DWORD directoryKind;        // index into g_directories
};

constexpr int kPayloadCount = 4;

// In installation order.
extern const PayloadEntry kPayloadTable[kPayloadCount];

// Stages the stored file, installs and expands it with the version library,
// stamps it with the payload time and removes the staged file. True when the
// file is installed and stamped; shows nothing.
bool InstallPayloadEntry(const PayloadEntry& entry);

#endif
