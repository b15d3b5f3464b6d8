// Shared helpers of the installation-engine tests: paths of the prefix, the
// stored payloads and their expansion, the expected stamp, registry seeds.
#ifndef SETUPVDL_ENGINE_TEST_SUPPORT_H
#define SETUPVDL_ENGINE_TEST_SUPPORT_H

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_driver.h"

namespace engine_test {

constexpr char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr char kVendorKey[] = "SOFTWARE\\VandrelSoft\\Vandrel Lite";
constexpr char kClsidKey[] = "CLSID\\{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}";
constexpr char kInprocKey[] = "CLSID\\{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}\\InProcServer32";
constexpr char kHandlerKey[] = "*\\shellex\\PropertySheetHandlers\\VandrelLite";
constexpr char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vandrel Lite";
constexpr char kJobsKey[] = "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite\\Jobs";
constexpr char kLastLaunchKey[] = "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite\\Last Launch";
constexpr char kClsidText[] = "{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}";
constexpr char kProductControlKey[] = "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite";
// What a Windows system holds; a fresh Wine prefix has no BootExecute at all.
constexpr char kNormalBootList[] = "autocheck autochk *";

inline std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}
inline std::string SystemDir() {
  char path[MAX_PATH];
  GetSystemDirectoryA(path, MAX_PATH);
  return WithSlash(path);
}
inline std::string WindowsDir() {
  char path[MAX_PATH];
  GetWindowsDirectoryA(path, MAX_PATH);
  return WithSlash(path);
}
inline std::string HelpDir() { return WindowsDir() + "Help\\"; }
inline std::string TempDir() {
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  return WithSlash(path);
}
// A staging folder of setup's left in TEMP.
inline bool StagingLeft() {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((TempDir() + "vdl*.tmp").c_str(), &found);
  return search != INVALID_HANDLE_VALUE && FindClose(search);
}
// One row of the registry layout that setup writes, with its exact type and
// bytes (strings with their terminating zero).
struct LayoutRow {
  HKEY root;
  const char* key;
  const char* name;
  DWORD type;
  std::string data;
};
inline std::string Dword(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }
// Rows 1 to 13 in the order written; BootExecute (row 14) is checked on its
// own, since what it holds depends on what it held.
inline std::vector<LayoutRow> LayoutRows() {
  const std::string product("Vandrel Lite 1.0", sizeof "Vandrel Lite 1.0");
  return {
      {HKEY_CLASSES_ROOT, kClsidKey, "", REG_SZ, product},
      {HKEY_CLASSES_ROOT, kInprocKey, "", REG_SZ, SystemDir() + std::string("VDLITE.DLL", sizeof "VDLITE.DLL")},
      {HKEY_CLASSES_ROOT, kInprocKey, "ThreadingModel", REG_SZ, std::string("Apartment", sizeof "Apartment")},
      {HKEY_CLASSES_ROOT, kHandlerKey, "", REG_SZ, std::string(kClsidText, sizeof kClsidText)},
      {HKEY_LOCAL_MACHINE, kApprovedKey, kClsidText, REG_SZ, product},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", REG_SZ, product},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", REG_SZ,
       std::string("Rundll32.exe VDLite.dll,Uninstall", sizeof "Rundll32.exe VDLite.dll,Uninstall")},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "BSOD", REG_DWORD, Dword(0)},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "Status", REG_DWORD, Dword(0)},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "StartTime", REG_BINARY, std::string(8, '\0')},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "FinishTime", REG_BINARY, std::string(8, '\0')},
      {HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, Dword(0x01000000)},
  };
}

// The bytes of a FILE resource of module (null: this program).
inline std::string StoredFile(WORD id, HMODULE module = nullptr) {
  if (module == nullptr) module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "FILE");
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const char* data = static_cast<const char*>(LockResource(loaded));
  return data == nullptr ? std::string() : std::string(data, SizeofResource(module, found));
}

// A copy of SETUPVDL.EXE at path with one byte changed in the middle of its
// FILE resource id (found by its bytes, which this program carries too), or,
// for id 0, with its last cut bytes cut off.
inline bool WriteDamagedSetup(const std::string& path, int id, size_t cut = 0) {
  std::string image;
  if (!td::ReadWholeFile(td::SetupExePath(), &image) || cut > image.size()) return false;
  image.resize(image.size() - cut);
  if (id != 0) {
    std::string stored = StoredFile(static_cast<WORD>(id));
    size_t at = image.find(stored);
    if (stored.empty() || at == std::string::npos) return false;
    image[at + stored.size() / 2] ^= 0x20;
  }
  return td::WriteWholeFile(path, image);
}

// An SZDD expander of our own, so the installed contents are checked against
// the stored format and not against the version library's own reading.
inline bool ExpandSzdd(const std::string& stored, std::string* out) {
  static const char kMagic[] = "SZDD\x88\xF0\x27\x33";
  if (stored.size() < 14 || stored.compare(0, 8, kMagic, 8) != 0 || stored[8] != 'A') return false;
  auto byte = [&stored](size_t i) { return static_cast<unsigned char>(stored[i]); };
  uint32_t length = byte(10) | (byte(11) << 8) | (byte(12) << 16) | (static_cast<uint32_t>(byte(13)) << 24);
  std::vector<unsigned char> window(4096, ' ');
  size_t position = 4080;
  out->clear();
  auto emit = [&](unsigned char c) {
    out->push_back(static_cast<char>(c));
    window[position] = c;
    position = (position + 1) & 4095;
  };
  size_t i = 14;
  while (i < stored.size() && out->size() < length) {
    unsigned flags = byte(i++);
    for (int bit = 0; bit < 8 && i < stored.size(); ++bit) {
      if (flags & (1u << bit)) {
        emit(byte(i++));
      } else {
        if (i + 1 >= stored.size()) return false;
        size_t reference = byte(i) | ((byte(i + 1) & 0xF0u) << 4);
        size_t count = (byte(i + 1) & 0x0Fu) + 3;
        i += 2;
        for (size_t k = 0; k < count; ++k) emit(window[(reference + k) & 4095]);
      }
    }
  }
  return out->size() == length;
}

// 5 July 2000 01:00:00 local time as UTC, with the bias in force now.
inline LONG CurrentBiasMinutes() {
  TIME_ZONE_INFORMATION zone;
  DWORD state = GetTimeZoneInformation(&zone);
  LONG bias = zone.Bias;
  if (state == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
  if (state == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
  return bias;
}
inline uint64_t ExpectedStampUtc() {
  SYSTEMTIME local = {};
  local.wYear = 2000;
  local.wMonth = 7;
  local.wDay = 5;
  local.wHour = 1;
  FILETIME asIfUtc;
  SystemTimeToFileTime(&local, &asIfUtc);
  uint64_t ticks = (static_cast<uint64_t>(asIfUtc.dwHighDateTime) << 32) | asIfUtc.dwLowDateTime;
  return ticks + static_cast<int64_t>(CurrentBiasMinutes()) * 60 * 10000000LL;
}

struct FileTimes {
  uint64_t creation = 0;
  uint64_t access = 0;
  uint64_t write = 0;
};
inline uint64_t Ticks(const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }
inline bool ReadFileTimes(const std::string& path, FileTimes* times) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME c, a, w;
  BOOL ok = GetFileTime(file, &c, &a, &w);
  CloseHandle(file);
  times->creation = Ticks(c);
  times->access = Ticks(a);
  times->write = Ticks(w);
  return ok != FALSE;
}

inline std::string Bytes(const char* text, size_t size) { return std::string(text, size); }

inline bool SeedBootList(const std::string& raw, DWORD type = REG_MULTI_SZ) {
  return td::SetRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", type, raw.data(),
                         static_cast<DWORD>(raw.size()));
}
inline bool SeedNormalBootList() {
  return td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", {kNormalBootList});
}
// BootExecute's bytes; "<missing>" or "<type N>" when it is not a list.
inline std::string BootList() {
  DWORD type = 0;
  std::string data;
  if (!td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", &type, &data)) return "<missing>";
  return type == REG_MULTI_SZ ? data : "<type " + std::to_string(type) + ">";
}

// A key whose security grants everyone reading only: Wine refuses KEY_WRITE on
// it, and deleting it. An existing key keeps its contents.
inline bool CreateReadOnlyKey(HKEY root, const char* path) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
  char aclBuffer[256];
  ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
  SECURITY_DESCRIPTOR descriptor;
  bool ok = InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
            AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone) &&
            InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  HKEY key = nullptr;
  ok = ok && RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_READ | WRITE_DAC, nullptr, &key, nullptr) == ERROR_SUCCESS;
  ok = ok && RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
  if (key != nullptr) RegCloseKey(key);
  FreeSid(everyone);
  return ok;
}

}  // namespace engine_test

#endif
