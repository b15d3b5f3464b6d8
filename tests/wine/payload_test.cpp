// Installing the payload files through the version library into the
// prefix's system and help directories.
#include <gtest/gtest.h>
#include <windows.h>

#include <winver.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "driver/setup_state.h"
#include "engine/digest_logic.h"
#include "engine/payload.h"
#include "engine_test_support.h"
#include "import_patch.h"
#include "resource.h"
#include "test_driver.h"

using namespace engine_test;

namespace {

// Started as "test.exe --hold-file PATH", this program opens PATH without any
// sharing, signals it holds it, and lets go when told or after a minute.
constexpr char kHoldSwitch[] = "--hold-file ";
constexpr char kHolderReady[] = "SetupVdlEngineHolderReady";
constexpr char kHolderRelease[] = "SetupVdlEngineHolderRelease";

struct HolderMode {
  HolderMode() {
    const char* line = GetCommandLineA();
    const char* arg = strstr(line, kHoldSwitch);
    if (arg == nullptr) return;
    HANDLE file = CreateFileA(arg + strlen(kHoldSwitch), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, kHolderReady);
    HANDLE release = OpenEventA(SYNCHRONIZE, FALSE, kHolderRelease);
    if (file != INVALID_HANDLE_VALUE && ready != nullptr) SetEvent(ready);
    if (release != nullptr) WaitForSingleObject(release, td::Scaled(60000));
    ExitProcess(file != INVALID_HANDLE_VALUE ? 0 : 1);
  }
} g_holderMode;

// Another process that holds a file open exclusively while it lives.
class FileHolder {
 public:
  explicit FileHolder(const std::string& path) {
    ready_ = CreateEventA(nullptr, TRUE, FALSE, kHolderReady);
    release_ = CreateEventA(nullptr, TRUE, FALSE, kHolderRelease);
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    started_ = process_.Start("\"" + std::string(self) + "\" " + kHoldSwitch + path);
  }
  ~FileHolder() {
    SetEvent(release_);
    process_.WaitExit(td::kWaitMs, nullptr);
    CloseHandle(ready_);
    CloseHandle(release_);
  }
  bool WaitHeld() { return started_ && WaitForSingleObject(ready_, td::Scaled(td::kWaitMs)) == WAIT_OBJECT_0; }

 private:
  HANDLE ready_;
  HANDLE release_;
  td::Process process_;
  bool started_ = false;
};

std::string DestinationOf(const PayloadEntry& entry) {
  return std::string(g_directories[entry.directoryKind]) + entry.destinationName;
}
class PayloadInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
    CreateDirectoryA(g_directories[kHelpDir], nullptr);
  }
  void TearDown() override {
    EXPECT_FALSE(StagingLeft());
    CloseSetupEvents();
  }

  // Installed with the expanded stored contents and the payload stamp.
  void ExpectInstalled(const PayloadEntry& entry) {
    SCOPED_TRACE(entry.destinationName);
    // Times first: reading the contents may move the access time (relatime).
    FileTimes times;
    ASSERT_TRUE(ReadFileTimes(DestinationOf(entry), &times));
    uint64_t stamp = ExpectedStampUtc();
    EXPECT_EQ(times.write, stamp);
    EXPECT_EQ(times.access, stamp);
    EXPECT_EQ(times.creation, stamp);
    std::string expanded;
    ASSERT_TRUE(ExpandSzdd(StoredFile(entry.resourceId), &expanded));
    std::string installed;
    ASSERT_TRUE(td::ReadWholeFile(DestinationOf(entry), &installed));
    EXPECT_EQ(installed.size(), expanded.size());
    EXPECT_TRUE(installed == expanded);
  }
};

TEST(PayloadTable, FourRowsInInstallationOrder) {
  const struct {
    WORD id;
    const char* source;
    const char* destination;
    DWORD kind;
  } expected[] = {{107, "vdlite.dl_", "VDLite.dll", 1},
                  {110, "vdlite.ex_", "VDLite.exe", 1},
                  {108, "vdlite.hl_", "VDLite.hlp", 2},
                  {109, "vdlite.cn_", "VDLite.cnt", 2}};
  ASSERT_EQ(kPayloadCount, 4);
  for (int i = 0; i < kPayloadCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(kPayloadTable[i].resourceId, expected[i].id);
    EXPECT_STREQ(kPayloadTable[i].sourceName, expected[i].source);
    EXPECT_STREQ(kPayloadTable[i].destinationName, expected[i].destination);
    EXPECT_EQ(kPayloadTable[i].directoryKind, expected[i].kind);
    // Each stored file is SZDD with mode 'A'.
    std::string stored = StoredFile(expected[i].id);
    ASSERT_GE(stored.size(), 14u);
    EXPECT_EQ(stored.substr(0, 9), std::string("SZDD\x88\xF0\x27\x33"
                                               "A",
                                               9));
  }
}

TEST_F(PayloadInstall, AllFourLandExpandedAndStamped) {
  for (const PayloadEntry& entry : kPayloadTable) EXPECT_TRUE(InstallPayloadEntry(entry)) << entry.destinationName;
  for (const PayloadEntry& entry : kPayloadTable) ExpectInstalled(entry);
  EXPECT_EQ(DestinationOf(kPayloadTable[0]), SystemDir() + "VDLite.dll");
  EXPECT_EQ(DestinationOf(kPayloadTable[3]), HelpDir() + "VDLite.cnt");
  std::string dll;
  ASSERT_TRUE(td::ReadWholeFile(SystemDir() + "VDLite.dll", &dll));
  EXPECT_EQ(dll.substr(0, 2), "MZ");
}

TEST_F(PayloadInstall, SecondInstallGivesIdenticalTimes) {
  ASSERT_TRUE(InstallPayloadEntry(kPayloadTable[2]));
  FileTimes first;
  ASSERT_TRUE(ReadFileTimes(DestinationOf(kPayloadTable[2]), &first));
  ASSERT_TRUE(InstallPayloadEntry(kPayloadTable[2]));
  FileTimes second;
  ASSERT_TRUE(ReadFileTimes(DestinationOf(kPayloadTable[2]), &second));
  EXPECT_EQ(first.write, second.write);
  EXPECT_EQ(first.creation, second.creation);
  ExpectInstalled(kPayloadTable[2]);
}

TEST_F(PayloadInstall, ReadOnlyDestinationIsReplaced) {
  const PayloadEntry& help = kPayloadTable[2];
  ASSERT_TRUE(td::WriteWholeFile(DestinationOf(help), "an older help file"));
  ASSERT_TRUE(SetFileAttributesA(DestinationOf(help).c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_TRUE(InstallPayloadEntry(help));
  ExpectInstalled(help);
  EXPECT_EQ(GetFileAttributesA(DestinationOf(help).c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
}

decltype(&WriteFile) g_realWriteFile = nullptr;
BOOL WINAPI ShortWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
  return g_realWriteFile(file, data, size - 1, written, overlapped);
}

// The old staging name, created first in TEMP by another user who holds it,
// is neither used nor needed; a short write of the staged file fails.
TEST_F(PayloadInstall, PlantedAndHeldStagingNameIsNotUsedAndAShortWriteFails) {
  const PayloadEntry& dll = kPayloadTable[0];
  ASSERT_TRUE(td::WriteWholeFile(TempDir() + dll.sourceName, "planted"));
  FileHolder holder(TempDir() + dll.sourceName);
  ASSERT_TRUE(holder.WaitHeld());
  EXPECT_TRUE(InstallPayloadEntry(dll));
  ExpectInstalled(dll);
  td::ImportPatch patch(GetModuleHandleA(nullptr), "kernel32.dll", "WriteFile", reinterpret_cast<void*>(ShortWrite));
  g_realWriteFile = reinterpret_cast<decltype(&WriteFile)>(patch.original());
  EXPECT_FALSE(InstallPayloadEntry(kPayloadTable[2]));
}

TEST_F(PayloadInstall, MissingResourceFailsWithoutStaging) {
  PayloadEntry missing = kPayloadTable[1];
  missing.resourceId = 4242;
  ASSERT_TRUE(td::WriteWholeFile(DestinationOf(missing), "untouched"));
  EXPECT_FALSE(InstallPayloadEntry(missing));
  std::string content;
  ASSERT_TRUE(td::ReadWholeFile(DestinationOf(missing), &content));
  EXPECT_EQ(content, "untouched");
}

// Sets the size of resource FILE/id of a PE file to 0 (the resource
// updater refuses empty data, so its one byte is cut here).
void ZeroResourceSize(const std::string& path, WORD id) {
  std::string image;
  ASSERT_TRUE(td::ReadWholeFile(path, &image));
  char* base = &image[0];
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
  IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  IMAGE_SECTION_HEADER* rsrc = nullptr;
  for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->Misc.VirtualSize) rsrc = section;
  }
  ASSERT_NE(rsrc, nullptr);
  char* root = base + (rva - rsrc->VirtualAddress + rsrc->PointerToRawData);
  auto entries = [](char* directory, int* count) {
    auto* header = reinterpret_cast<IMAGE_RESOURCE_DIRECTORY*>(directory);
    *count = header->NumberOfNamedEntries + header->NumberOfIdEntries;
    return reinterpret_cast<IMAGE_RESOURCE_DIRECTORY_ENTRY*>(header + 1);
  };
  int count = 0;
  IMAGE_RESOURCE_DIRECTORY_ENTRY* types = entries(root, &count);
  char* names = nullptr;
  for (int i = 0; i < count; ++i) {
    if (!types[i].NameIsString) continue;
    auto* name = reinterpret_cast<IMAGE_RESOURCE_DIR_STRING_U*>(root + types[i].NameOffset);
    if (name->Length == 4 && memcmp(name->NameString, L"FILE", 8) == 0) names = root + types[i].OffsetToDirectory;
  }
  ASSERT_NE(names, nullptr);
  IMAGE_RESOURCE_DIRECTORY_ENTRY* ids = entries(names, &count);
  char* languages = nullptr;
  for (int i = 0; i < count; ++i) {
    if (!ids[i].NameIsString && ids[i].Id == id) languages = root + ids[i].OffsetToDirectory;
  }
  ASSERT_NE(languages, nullptr);
  IMAGE_RESOURCE_DIRECTORY_ENTRY* first = entries(languages, &count);
  ASSERT_EQ(count, 1);
  auto* data = reinterpret_cast<IMAGE_RESOURCE_DATA_ENTRY*>(root + first->OffsetToData);
  ASSERT_EQ(data->Size, 1u);
  data->Size = 0;
  ASSERT_TRUE(td::WriteWholeFile(path, image));
}

// Setup's digest record, with the digest of what FILE 107 expands to made
// that of dll.
bool AddDigestRecord(HANDLE update, const std::string& dll) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_FILE_DIGESTS), RT_RCDATA);
  std::string record(static_cast<const char*>(LockResource(LoadResource(nullptr, found))),
                     SizeofResource(nullptr, found));
  Sha256 hash;
  BeginSha256(&hash);
  AddToSha256(&hash, dll.data(), dll.size());
  uint8_t digest[kDigestBytes];
  EndSha256(&hash, digest);
  record.replace(5 * kDigestBytes, kDigestBytes, reinterpret_cast<const char*>(digest), kDigestBytes);
  return UpdateResourceA(update, RT_RCDATA, MAKEINTRESOURCEA(IDR_FILE_DIGESTS),
                         MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &record[0], static_cast<DWORD>(record.size()));
}

// A copy of SETUPVDL.EXE whose only resources are an empty FILE 4243, a
// copy of the stored DLL as FILE 107 and the digests, loaded as a data file.
void LoadModuleWithEmptyResource(const std::string& path, HMODULE* module) {
  *module = nullptr;
  ASSERT_TRUE(CopyFileA(td::SetupExePath().c_str(), path.c_str(), FALSE)) << GetLastError();
  HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
  ASSERT_NE(update, nullptr) << GetLastError();
  static char one[1] = {'x'};
  std::string stored = StoredFile(IDR_PAYLOAD_DLL);
  WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  BOOL oneByte = UpdateResourceA(update, "FILE", MAKEINTRESOURCEA(4243), language, one, 1);
  std::string dll;
  BOOL full = UpdateResourceA(update, "FILE", MAKEINTRESOURCEA(IDR_PAYLOAD_DLL), language, &stored[0],
                              static_cast<DWORD>(stored.size())) &&
              ExpandSzdd(stored, &dll) && AddDigestRecord(update, dll);
  ASSERT_TRUE(EndUpdateResourceA(update, !(oneByte && full))) << GetLastError();
  ASSERT_TRUE(oneByte && full);
  ASSERT_NO_FATAL_FAILURE(ZeroResourceSize(path, 4243));
  *module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(*module, nullptr) << GetLastError();
}

std::string StoreLiterally(const std::string& plain);

// A copy of SETUPVDL.EXE whose only resources are dll stored as FILE 107
// and its digests, loaded as a data file.
void LoadModuleWithDll(const std::string& path, const std::string& dll, HMODULE* module) {
  *module = nullptr;
  ASSERT_TRUE(CopyFileA(td::SetupExePath().c_str(), path.c_str(), FALSE)) << GetLastError();
  HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
  ASSERT_NE(update, nullptr) << GetLastError();
  std::string copy = StoreLiterally(dll);
  BOOL added = UpdateResourceA(update, "FILE", MAKEINTRESOURCEA(IDR_PAYLOAD_DLL),
                               MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &copy[0], static_cast<DWORD>(copy.size())) &&
               AddDigestRecord(update, dll);
  ASSERT_TRUE(EndUpdateResourceA(update, !added)) << GetLastError();
  ASSERT_TRUE(added);
  *module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(*module, nullptr) << GetLastError();
}

// SZDD of only literals: a flag byte 0xFF before every eight bytes.
std::string StoreLiterally(const std::string& plain) {
  std::string stored(
      "SZDD\x88\xF0\x27\x33"
      "A\0",
      10);
  for (int shift = 0; shift < 32; shift += 8) stored += static_cast<char>((plain.size() >> shift) & 0xFF);
  for (size_t i = 0; i < plain.size(); i += 8) {
    stored += '\xFF';
    stored += plain.substr(i, 8);
  }
  return stored;
}

// A version block (VS_VERSIONINFO) with a file version and one translation.
std::string VersionBlock(DWORD versionMs, DWORD versionLs, WORD language, WORD codePage) {
  std::string block;
  auto word = [&block](WORD w) { block.append(reinterpret_cast<const char*>(&w), 2); };
  auto dword = [&block](DWORD d) { block.append(reinterpret_cast<const char*>(&d), 4); };
  auto key = [&block](const wchar_t* k) {
    block.append(reinterpret_cast<const char*>(k), (wcslen(k) + 1) * 2);
    while (block.size() % 4 != 0) block += '\0';
  };
  word(160), word(sizeof(VS_FIXEDFILEINFO)), word(0), key(L"VS_VERSION_INFO");
  VS_FIXEDFILEINFO fixed = {};
  fixed.dwSignature = VS_FFI_SIGNATURE;
  fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
  fixed.dwFileVersionMS = fixed.dwProductVersionMS = versionMs;
  fixed.dwFileVersionLS = fixed.dwProductVersionLS = versionLs;
  fixed.dwFileFlagsMask = VS_FFI_FILEFLAGSMASK;
  fixed.dwFileOS = VOS_NT_WINDOWS32;
  fixed.dwFileType = VFT_DLL;
  block.append(reinterpret_cast<const char*>(&fixed), sizeof fixed);
  word(68), word(0), word(1), key(L"VarFileInfo");
  word(36), word(4), word(0), key(L"Translation");
  dword(MAKELONG(language, codePage));
  return block;
}

// The product's DLL with only the given version block as its resources.
std::string VersionedDll(const std::string& path, const std::string& versionBlock) {
  std::string dll;
  if (!ExpandSzdd(StoredFile(IDR_PAYLOAD_DLL), &dll) || !td::WriteWholeFile(path, dll)) return {};
  HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
  if (update == nullptr) return {};
  std::string copy = versionBlock;
  BOOL added = UpdateResourceA(update, MAKEINTRESOURCEA(16) /* RT_VERSION */, MAKEINTRESOURCEA(1),
                               MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), &copy[0], static_cast<DWORD>(copy.size()));
  if (!EndUpdateResourceA(update, !added) || !added) return {};
  std::string versioned;
  td::ReadWholeFile(path, &versioned);
  DeleteFileA(path.c_str());
  return versioned;
}

DWORD FileVersionMs(const std::string& path) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::string info(size, '\0');
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, &info[0])) return 0;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueA(&info[0], "\\", reinterpret_cast<void**>(&fixed), &length) || fixed == nullptr) return 0;
  return fixed->dwFileVersionMS;
}

// The stored file is version 1.0, US English in Unicode; the one installed
// is version 2.0, German in the Western code page. Installation is forced:
// the older file replaces it.
TEST_F(PayloadInstall, NewerFileOfAnotherLanguageIsReplaced) {
  std::string older = VersionedDll(TempDir() + "older.dll", VersionBlock(0x00010000, 0, 0x0409, 1200));
  std::string newer = VersionedDll(TempDir() + "newer.dll", VersionBlock(0x00020000, 0, 0x0407, 1252));
  ASSERT_FALSE(older.empty());
  ASSERT_FALSE(newer.empty());
  HMODULE module = nullptr;
  ASSERT_NO_FATAL_FAILURE(LoadModuleWithDll(TempDir() + "versioned.dll", older, &module));
  PayloadEntry entry = kPayloadTable[0];
  ASSERT_TRUE(td::WriteWholeFile(DestinationOf(entry), newer));
  ASSERT_EQ(FileVersionMs(DestinationOf(entry)), 0x00020000u);

  g_instance = reinterpret_cast<HINSTANCE>(module);
  bool installed = InstallPayloadEntry(entry);
  g_instance = GetModuleHandleA(nullptr);
  FreeLibrary(module);

  EXPECT_TRUE(installed);
  std::string content;
  ASSERT_TRUE(td::ReadWholeFile(DestinationOf(entry), &content));
  EXPECT_TRUE(content == older);
  EXPECT_EQ(FileVersionMs(DestinationOf(entry)), 0x00010000u);
}

TEST_F(PayloadInstall, EmptyResourceFailsWithoutStaging) {
  HMODULE module = nullptr;
  ASSERT_NO_FATAL_FAILURE(LoadModuleWithEmptyResource(TempDir() + "resources.dll", &module));
  HRSRC empty = FindResourceA(module, MAKEINTRESOURCEA(4243), "FILE");
  ASSERT_NE(empty, nullptr);
  ASSERT_EQ(SizeofResource(module, empty), 0u);

  g_instance = reinterpret_cast<HINSTANCE>(module);
  PayloadEntry entry = kPayloadTable[0];
  entry.resourceId = 4243;
  bool emptyResult = InstallPayloadEntry(entry);
  bool installedAfterEmpty = td::FileExists(DestinationOf(entry));
  // The same module's non-empty resource installs, so the module is sound.
  entry.resourceId = IDR_PAYLOAD_DLL;
  bool fullResult = InstallPayloadEntry(entry);
  g_instance = GetModuleHandleA(nullptr);
  FreeLibrary(module);

  EXPECT_FALSE(emptyResult);
  EXPECT_FALSE(installedAfterEmpty);
  EXPECT_TRUE(fullResult);
  ExpectInstalled(kPayloadTable[0]);
}

TEST_F(PayloadInstall, DestinationHeldByAnotherProcessFails) {
  ASSERT_TRUE(InstallPayloadEntry(kPayloadTable[0]));
  const PayloadEntry& exe = kPayloadTable[1];
  ASSERT_TRUE(td::WriteWholeFile(DestinationOf(exe), "held"));
  {
    FileHolder holder(DestinationOf(exe));
    ASSERT_TRUE(holder.WaitHeld());
    // Read-only is cleared before the attempt; the other attributes stay.
    const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesA(DestinationOf(exe).c_str(), kept | FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(InstallPayloadEntry(exe));
    EXPECT_EQ(GetFileAttributesA(DestinationOf(exe).c_str()), kept);
  }
  std::string content;
  ASSERT_TRUE(td::ReadWholeFile(DestinationOf(exe), &content));
  EXPECT_EQ(content, "held");
  ExpectInstalled(kPayloadTable[0]);
}

using VerInstallFileAFn = DWORD(WINAPI*)(DWORD, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPSTR, PUINT);
VerInstallFileAFn g_realVerInstallFile;
HANDLE g_heldInstalledFile = INVALID_HANDLE_VALUE;

// Installs, then holds the installed file open without sharing, as a virus
// scanner or an indexer may do at that moment.
DWORD WINAPI InstallThenHold(DWORD flags, LPCSTR source, LPCSTR destination, LPCSTR sourceDir, LPCSTR destinationDir,
                             LPCSTR currentDir, LPSTR tempFile, PUINT tempFileChars) {
  DWORD result =
      g_realVerInstallFile(flags, source, destination, sourceDir, destinationDir, currentDir, tempFile, tempFileChars);
  std::string installed = std::string(destinationDir) + destination;
  g_heldInstalledFile =
      CreateFileA(installed.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return result;
}

using GetProcAddressFn = FARPROC(WINAPI*)(HMODULE, LPCSTR);
GetProcAddressFn g_realGetProcAddress;

// Setup looks VerInstallFileA up in the version library, which it loads
// itself: the look-up answers with InstallThenHold.
FARPROC WINAPI GetProcAddressHolding(HMODULE module, LPCSTR name) {
  if (!IS_INTRESOURCE(name) && strcmp(name, "VerInstallFileA") == 0) return reinterpret_cast<FARPROC>(InstallThenHold);
  return g_realGetProcAddress(module, name);
}

TEST_F(PayloadInstall, InstalledFileThatCannotBeReopenedFails) {
  const PayloadEntry& contents = kPayloadTable[3];
  g_realVerInstallFile = reinterpret_cast<VerInstallFileAFn>(
      GetProcAddress(LoadLibraryA((SystemDir() + "version.dll").c_str()), "VerInstallFileA"));
  ASSERT_NE(g_realVerInstallFile, nullptr);
  bool result = false;
  {
    td::ImportPatch holding(GetModuleHandleA(nullptr), "kernel32.dll", "GetProcAddress",
                            reinterpret_cast<void*>(GetProcAddressHolding));
    ASSERT_TRUE(holding.active()) << "no import of GetProcAddress";
    g_realGetProcAddress = reinterpret_cast<GetProcAddressFn>(holding.original());
    result = InstallPayloadEntry(contents);
  }
  ASSERT_NE(g_heldInstalledFile, INVALID_HANDLE_VALUE) << GetLastError();
  CloseHandle(g_heldInstalledFile);

  EXPECT_FALSE(result);
  // The new file is in place, only not stamped.
  std::string expanded;
  ASSERT_TRUE(ExpandSzdd(StoredFile(contents.resourceId), &expanded));
  std::string installed;
  ASSERT_TRUE(td::ReadWholeFile(DestinationOf(contents), &installed));
  EXPECT_TRUE(installed == expanded);
  FileTimes times;
  ASSERT_TRUE(ReadFileTimes(DestinationOf(contents), &times));
  EXPECT_NE(times.write, ExpectedStampUtc());
}

TEST_F(PayloadInstall, DestinationThatIsADirectoryFails) {
  ASSERT_TRUE(InstallPayloadEntry(kPayloadTable[0]));
  ASSERT_TRUE(InstallPayloadEntry(kPayloadTable[1]));
  const PayloadEntry& help = kPayloadTable[2];
  ASSERT_TRUE(CreateDirectoryA(DestinationOf(help).c_str(), nullptr));
  EXPECT_FALSE(InstallPayloadEntry(help));
  EXPECT_NE(GetFileAttributesA(DestinationOf(help).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ExpectInstalled(kPayloadTable[0]);
  ExpectInstalled(kPayloadTable[1]);
}

TEST_F(PayloadInstall, PathThatDoesNotFitFails) {
  // A temporary directory of 515 characters leaves no room for "vdlite.dl_".
  std::string longDir = "C:\\" + std::string(511, 'd') + "\\";
  ASSERT_EQ(longDir.size(), 515u);
  char savedTemp[kDirChars];
  lstrcpynA(savedTemp, g_directories[kTempDir], kDirChars);
  lstrcpynA(g_directories[kTempDir], longDir.c_str(), kDirChars);
  EXPECT_FALSE(InstallPayloadEntry(kPayloadTable[0]));
  lstrcpynA(g_directories[kTempDir], savedTemp, kDirChars);
  EXPECT_FALSE(td::FileExists(DestinationOf(kPayloadTable[0])));

  // Likewise a destination directory, and one with no terminating NUL at all.
  char savedSystem[kDirChars];
  lstrcpynA(savedSystem, g_directories[kSystemDir], kDirChars);
  lstrcpynA(g_directories[kSystemDir], longDir.c_str(), kDirChars);
  EXPECT_FALSE(InstallPayloadEntry(kPayloadTable[0]));
  memset(g_directories[kSystemDir], 'x', kDirChars);
  EXPECT_FALSE(InstallPayloadEntry(kPayloadTable[0]));
  lstrcpynA(g_directories[kSystemDir], savedSystem, kDirChars);
  EXPECT_FALSE(td::FileExists(DestinationOf(kPayloadTable[0])));

  // A kind outside the table.
  PayloadEntry odd = kPayloadTable[0];
  odd.directoryKind = kDirectoryKinds;
  EXPECT_FALSE(InstallPayloadEntry(odd));
}

// Run once with TZ=Europe/Berlin and once with TZ=America/New_York: the stamp
// is 01:00 local time, so the UTC times differ by the zones' biases.
class PayloadStampZone : public PayloadInstall {
 protected:
  // The stamp's minutes after 2000-07-05 00:00 UTC, with standard or with
  // daylight time in force now (the bias of today, not of July 2000).
  void InstallUnderBias(LONG standardBias, int64_t inStandardTime, int64_t inDaylightTime) {
    TIME_ZONE_INFORMATION zone;
    const DWORD state = GetTimeZoneInformation(&zone);
    ASSERT_EQ(zone.Bias, standardBias) << "this case must run in its own time zone (TZ)";
    ASSERT_TRUE(InstallPayloadEntry(kPayloadTable[3]));
    ExpectInstalled(kPayloadTable[3]);
    FileTimes times;
    ASSERT_TRUE(ReadFileTimes(DestinationOf(kPayloadTable[3]), &times));
    // 2000-07-05 00:00 UTC is 0x01BFE613_F642C000 in file-time ticks.
    const int64_t midnight = 0x01BFE613F642C000LL;
    int64_t minutes = (static_cast<int64_t>(times.write) - midnight) / (60 * 10000000LL);
    EXPECT_EQ(minutes, state == TIME_ZONE_ID_DAYLIGHT ? inDaylightTime : inStandardTime);
  }
};

// 01:00 CET (UTC+1) is 00:00 UTC: 0 minutes; 01:00 CEST (UTC+2) is 23:00
// UTC the day before: -60.
TEST_F(PayloadStampZone, BerlinTime) { InstallUnderBias(-60, 0, -60); }
// 01:00 EST (UTC-5) is 06:00 UTC: 360 minutes; 01:00 EDT (UTC-4) is 05:00
// UTC: 300.
TEST_F(PayloadStampZone, NewYorkTime) { InstallUnderBias(300, 360, 300); }

// The stamping changes one byte of the file that the version library has just
// expanded, as a disk or a filter driver might.
void* g_realSetFileTime = nullptr;
BOOL WINAPI ChangeByteThenStamp(HANDLE file, const FILETIME* creation, const FILETIME* access, const FILETIME* write) {
  DWORD done = 0;
  SetFilePointer(file, 100, nullptr, FILE_BEGIN);  // a letter of the DOS stub's text, or of the help file's
  WriteFile(file, "", 1, &done, nullptr);
  return reinterpret_cast<decltype(&SetFileTime)>(g_realSetFileTime)(file, creation, access, write);
}

// The unattended road stops at the changed first file and writes its log;
// the file stays as it is.
TEST_F(PayloadInstall, InstalledFileThatDiffersFromItsPayloadFailsThatFile) {
  {
    td::ImportPatch changing(GetModuleHandleA(nullptr), "kernel32.dll", "SetFileTime",
                             reinterpret_cast<void*>(ChangeByteThenStamp));
    ASSERT_TRUE(changing.active());
    g_realSetFileTime = changing.original();
    RunUnattendedSetup("");
  }
  std::string log;
  ASSERT_TRUE(td::ReadWholeFile("C:\\SetupVDL.ERR", &log));
  EXPECT_EQ(log, "Unattended installation of Vandrel Lite 1.0 failed. ");
  EXPECT_TRUE(td::FileExists(DestinationOf(kPayloadTable[0])));
  EXPECT_FALSE(td::FileExists(DestinationOf(kPayloadTable[1])));
}

}  // namespace
