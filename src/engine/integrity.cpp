// Setup's own stored files against the digests that the build recorded, and
// each installed file against the digest of what its payload expands to.
#include "engine/integrity.h"

#include <cstring>

#include "driver/setup_state.h"
#include "engine/digest_logic.h"
#include "engine/guards.h"
#include "resource.h"

namespace {

constexpr int kStoredFiles = 5;    // FILE 107 to 111
constexpr int kExpandedFiles = 4;  // FILE 107 to 110, as installed
static_assert(IDR_LICENSE_TEXT == IDR_PAYLOAD_DLL + kStoredFiles - 1, "the stored files have consecutive ids");
constexpr DWORD kRecordBytes = (kStoredFiles + kExpandedFiles) * kDigestBytes;
constexpr DWORD kReadBytes = 8192;

// The stored digests, then the expanded ones; null when the record is
// missing or of another size.
const BYTE* DigestRecord() {
  DWORD size = 0;
  const BYTE* record = LoadSetupResource(IDR_FILE_DIGESTS, RT_RCDATA, &size);
  return size == kRecordBytes ? record : nullptr;
}

// The file is at least as long as its headers say: to the end of the last
// section's data or of the signature appended after it. A copy cut short in
// what the loader maps fails to load at all; this refuses one cut in the
// last part of a sector, which the loader fills with zeros, or in the
// signature, which it does not map.
bool IsImageComplete() {
  const BYTE* base = reinterpret_cast<const BYTE*>(g_instance);
  const auto* nt =
      reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  ULONGLONG end = 0;
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    ULONGLONG sectionEnd = ULONGLONG{section->PointerToRawData} + section->SizeOfRawData;
    if (section->SizeOfRawData != 0 && sectionEnd > end) end = sectionEnd;
  }
  const IMAGE_DATA_DIRECTORY& signature = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
  ULONGLONG signatureEnd = ULONGLONG{signature.VirtualAddress} + signature.Size;  // a file offset
  if (signature.Size != 0 && signatureEnd > end) end = signatureEnd;

  char path[kDirChars];
  DWORD length = GetModuleFileNameA(g_instance, path, sizeof path);
  WIN32_FILE_ATTRIBUTE_DATA file;
  if (length == 0 || length >= sizeof path || !GetFileAttributesExA(path, GetFileExInfoStandard, &file)) return false;
  return ((ULONGLONG{file.nFileSizeHigh} << 32) | file.nFileSizeLow) >= end;
}

}  // namespace

const BYTE* LoadSetupResource(WORD id, LPCSTR type, DWORD* size) {
  HRSRC found = FindResourceA(g_instance, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return nullptr;
  HGLOBAL loaded = LoadResource(g_instance, found);
  *size = SizeofResource(g_instance, found);
  return loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
}

bool IsSetupFileIntact() {
  const BYTE* digests = DigestRecord();
  if (digests == nullptr || !IsImageComplete()) return false;
  for (int i = 0; i < kStoredFiles; ++i) {
    DWORD size = 0;
    const BYTE* stored = LoadSetupResource(static_cast<WORD>(IDR_PAYLOAD_DLL + i), "FILE", &size);
    if (stored == nullptr || !HasSha256(stored, size, digests + i * kDigestBytes)) return false;
  }
  return true;
}

bool IsInstalledFileIntact(const PayloadEntry& entry, const char* path) {
  const BYTE* digests = DigestRecord();
  int index = entry.resourceId - IDR_PAYLOAD_DLL;
  if (digests == nullptr || index < 0 || index >= kExpandedFiles) return false;
  // Nobody may write to it while it is read. Reading moves its access time,
  // which is put back afterwards: the file keeps its stamp.
  UniqueFile file(CreateFileA(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  FILETIME times[3];
  if (!file || !GetFileTime(file.get(), &times[0], &times[1], &times[2])) return false;
  Sha256 hash;
  BeginSha256(&hash);
  BYTE buffer[kReadBytes];
  DWORD read = 0;
  do {
    if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return false;
    AddToSha256(&hash, buffer, read);
  } while (read != 0);
  SetFileTime(file.get(), &times[0], &times[1], &times[2]);
  uint8_t digest[kDigestBytes];
  EndSha256(&hash, digest);
  return memcmp(digest, digests + (kStoredFiles + index) * kDigestBytes, kDigestBytes) == 0;
}
