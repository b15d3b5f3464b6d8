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

// The staged file's folder, made afresh under TEMP for one entry: a name
// that nobody held before this call (CreateDirectoryA makes only a name that
// is free, so one taken first is passed over, never used), and where the
// file system keeps access lists, open to the administrators and SYSTEM
// alone. The staged file is created in it and nowhere else.
struct Staging {
  SECURITY_ATTRIBUTES attributes;
  SECURITY_DESCRIPTOR descriptor;
  DWORD administrators[4];  // S-1-5-32-544: two sub-authorities, 16 bytes
  DWORD system[3];          // S-1-5-18: one sub-authority, 12 bytes
  DWORD acl[32];            // the header and two entries take 52 bytes
  char folder[kPathChars];  // with its trailing backslash, as VerInstallFileA takes it
  char file[kPathChars];
};

// Full access for the administrators and SYSTEM, no one else, nothing
// inherited from TEMP; with the calls that NT 4.0 has.
bool PrepareOwnAccess(Staging* staging) {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = staging->administrators;
  PSID system = staging->system;
  ACL* acl = reinterpret_cast<ACL*>(staging->acl);
  if (!InitializeSid(administrators, &nt, 2) || !InitializeSid(system, &nt, 1)) return false;
  *GetSidSubAuthority(administrators, 0) = SECURITY_BUILTIN_DOMAIN_RID;
  *GetSidSubAuthority(administrators, 1) = DOMAIN_ALIAS_RID_ADMINS;
  *GetSidSubAuthority(system, 0) = SECURITY_LOCAL_SYSTEM_RID;
  if (!InitializeAcl(acl, sizeof staging->acl, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, administrators) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, system) ||
      !InitializeSecurityDescriptor(&staging->descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&staging->descriptor, TRUE, acl, FALSE)) {
    return false;
  }
  staging->attributes.nLength = sizeof staging->attributes;
  staging->attributes.lpSecurityDescriptor = &staging->descriptor;
  staging->attributes.bInheritHandle = FALSE;
  // Windows 2000 and later add TEMP's inheritable entries to a list given
  // at creation unless it is marked protected; NT 4.0 adds nothing and has
  // no such call, so it is looked up.
  auto* setControl = reinterpret_cast<decltype(::SetSecurityDescriptorControl)*>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), "SetSecurityDescriptorControl")));
  return setControl == nullptr || setControl(&staging->descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
}

// "vdl", eight hex digits mixed from the process id, the clocks and a count
// of attempts, and ".tmp"; a name that exists already is passed over.
bool MakeStaging(const PayloadEntry& entry, Staging* staging) {
  constexpr int kTries = 64;
  static LONG attempts = 0;
  if (!PrepareOwnAccess(staging)) return false;
  for (int i = 0; i < kTries; ++i) {
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    DWORD mix = GetCurrentProcessId() * 0x9E3779B1u ^ GetTickCount() ^ counter.LowPart ^
                static_cast<DWORD>(InterlockedIncrement(&attempts)) * 0x85EBCA6Bu;
    mix = (mix ^ (mix >> 16)) * 0x7FEB352Du;
    mix ^= mix >> 15;
    char name[] = "vdl00000000.tmp\\";
    for (int digit = 0; digit < 8; ++digit) name[3 + digit] = "0123456789abcdef"[(mix >> (28 - 4 * digit)) & 0xF];
    if (!JoinPath(staging->folder, g_directories[kTempDir], kDirChars, name, sizeof name)) break;
    if (CreateDirectoryA(staging->folder, &staging->attributes)) {
      return JoinPath(staging->file, staging->folder, kPathChars, entry.sourceName, sizeof entry.sourceName);
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  staging->folder[0] = '\0';  // none of ours to remove
  return false;
}

// The staged file, then its folder: only what this call made.
void RemoveStaging(const Staging& staging) {
  if (staging.folder[0] == '\0') return;
  if (staging.file[0] != '\0') DeleteFileA(staging.file);
  RemoveDirectoryA(staging.folder);
}

}  // namespace

bool InstallPayloadEntry(const PayloadEntry& entry) {
  if (entry.directoryKind >= kDirectoryKinds) return false;
  const char* destinationDir = g_directories[entry.directoryKind];

  char destinationPath[kPathChars];
  if (!JoinPath(destinationPath, destinationDir, kDirChars, entry.destinationName, sizeof entry.destinationName)) {
    return false;
  }

  DWORD storedSize = 0;
  const BYTE* stored = LoadSetupResource(entry.resourceId, "FILE", &storedSize);
  if (stored == nullptr || storedSize == 0) return false;

  // From here on, every way out removes the staging folder with its file.
  // Declared before the file handle so the handle is closed before the
  // staged file is deleted.
  Staging staging = {};
  auto removeStaging = MakeScopeExit([&staging] { RemoveStaging(staging); });
  if (!MakeStaging(entry, &staging)) return false;
  UniqueFile file;

  file.reset(CreateFileA(staging.file, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &staging.attributes, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // One write straight from the resource; the version library expands it.
  DWORD written = 0;
  if (!WriteFile(file.get(), stored, storedSize, &written, nullptr) || written != storedSize) return false;
  file.reset();

  DWORD attributes = GetFileAttributesA(destinationPath);
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(destinationPath, attributes & ~FILE_ATTRIBUTE_READONLY);

  char tempFile[kPathChars] = "";
  UINT tempFileChars = kPathChars;
  DWORD installed = late::VerInstallFileA(VIFF_FORCEINSTALL, const_cast<char*>(entry.sourceName),
                                          const_cast<char*>(entry.destinationName), staging.folder,
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
