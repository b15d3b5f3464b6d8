// The payload table and the installation of one payload file.
#include "engine/payload.h"

#include <winver.h>

#include "driver/late_libraries.h"
#include "driver/setup_state.h"
#include "engine/guards.h"
#include "engine/integrity.h"
#include "engine/timestamp_logic.h"
#include "resource.h"

const PayloadEntry kPayloadTable[kPayloadCount] = {
    {IDR_PAYLOAD_DLL, "vdlite.dl_", "VDLite.dll", kSystemDir},
    {IDR_PAYLOAD_EXE, "vdlite.ex_", "VDLite.exe", kSystemDir},
    {IDR_PAYLOAD_HLP, "vdlite.hl_", "VDLite.hlp", kHelpDir},
    {IDR_PAYLOAD_CNT, "vdlite.cn_", "VDLite.cnt", kHelpDir},
};

namespace {

constexpr int kPathChars = 520;

// Length of text, looking at no more than limit bytes; limit if no NUL.
int BoundedLength(const char* text, int limit) {
  int length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

// dir (with its trailing backslash) followed by name; false if it does not fit.
bool JoinPath(char (&path)[kPathChars], const char* dir, int dirLimit, const char* name, int nameLimit) {
  int dirLength = BoundedLength(dir, dirLimit);
  int nameLength = BoundedLength(name, nameLimit);
  if (dirLength == dirLimit || nameLength == nameLimit) return false;  // unterminated
  if (dirLength + nameLength >= kPathChars) return false;
  lstrcpynA(path, dir, dirLength + 1);
  lstrcpynA(path + dirLength, name, nameLength + 1);
  return true;
}

// The payload stamp as UTC, converted with the bias in force now.
FILETIME PayloadFileTime() {
  DosDateTime dos = ToDosDateTime(kPayloadStamp);
  FILETIME local = {};
  FILETIME utc = {};
  DosDateTimeToFileTime(dos.date, dos.time, &local);
  LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

}  // namespace

bool InstallPayloadEntry(const PayloadEntry& entry) {
  if (entry.directoryKind >= kDirectoryKinds) return false;
  const char* tempDir = g_directories[kTempDir];
  const char* destinationDir = g_directories[entry.directoryKind];

  // Both paths first: one that does not fit fails the entry before this
  // call writes anything.
  char stagedPath[kPathChars];
  char destinationPath[kPathChars];
  if (!JoinPath(stagedPath, tempDir, kDirChars, entry.sourceName, sizeof entry.sourceName)) return false;
  // From here on, every way out removes a file under the staging name, also
  // one that an earlier run left behind. Declared before the file handle so
  // the handle is closed before the staged file is deleted.
  auto removeStaged = MakeScopeExit([&stagedPath] {
    if (GetFileAttributesA(stagedPath) != INVALID_FILE_ATTRIBUTES) DeleteFileA(stagedPath);
  });
  if (!JoinPath(destinationPath, destinationDir, kDirChars, entry.destinationName, sizeof entry.destinationName)) {
    return false;
  }
  UniqueFile file;

  HRSRC found = FindResourceA(g_instance, MAKEINTRESOURCEA(entry.resourceId), "FILE");
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(g_instance, found);
  const void* stored = loaded != nullptr ? LockResource(loaded) : nullptr;
  DWORD storedSize = SizeofResource(g_instance, found);
  if (stored == nullptr || storedSize == 0) return false;

  file.reset(CreateFileA(stagedPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // One write straight from the resource; the version library expands it.
  DWORD written = 0;
  if (!WriteFile(file.get(), stored, storedSize, &written, nullptr)) return false;
  file.reset();

  DWORD attributes = GetFileAttributesA(destinationPath);
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(destinationPath, attributes & ~FILE_ATTRIBUTE_READONLY);

  char tempFile[kPathChars] = "";
  UINT tempFileChars = kPathChars;
  DWORD installed = late::VerInstallFileA(VIFF_FORCEINSTALL, const_cast<char*>(entry.sourceName),
                                          const_cast<char*>(entry.destinationName), const_cast<char*>(tempDir),
                                          const_cast<char*>(destinationDir), nullptr, tempFile, &tempFileChars);
  if (installed != 0) return false;

  FILETIME stamp = PayloadFileTime();
  file.reset(CreateFileA(destinationPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  SetFileTime(file.get(), &stamp, &stamp, &stamp);
  file.reset();
  return IsInstalledFileIntact(entry, destinationPath);
}
