// The product's registry layout: COM class, property-sheet handler, approved
// extension, uninstall entry, product keys, version and the boot-time program.
#include "engine/registry.h"

#include <windows.h>

#include "driver/mbtext_logic.h"
#include "driver/setup_state.h"
#include "engine/bootexec_logic.h"
#include "engine/guards.h"
#include "resource.h"

namespace {

constexpr int kNameChars = 255;  // key paths and value names, NUL included
constexpr int kDataChars = 512;  // data strings, NUL included
// BootExecute is read and written in wide characters: other products'
// entries may hold characters that the ANSI code page lacks. The limit is
// that of a list read in ANSI, in characters.
constexpr DWORD kBootListChars = 512;
// Room for the new entry, its NUL and the list's final NUL after a list that
// fills the whole 512 characters, so such a list is extended rather than refused.
constexpr DWORD kBootWorkChars = kBootListChars + kNameChars + 2;

const char kThreadingModel[] = "ThreadingModel";
const char kDisplayName[] = "DisplayName";
const char kUninstallString[] = "UninstallString";
const wchar_t kBootExecute[] = L"BootExecute";

// A missing string would turn a key path into the root itself: a failure.
bool LoadText(UINT id, char* buffer, int size) { return LoadStringA(g_instance, id, buffer, size) > 0; }

bool CreateKey(HKEY root, UINT pathId, REGSAM access, UniqueHkey* key) {
  char path[kNameChars];
  if (!LoadText(pathId, path, kNameChars)) return false;
  return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, key->put(), nullptr) ==
         ERROR_SUCCESS;
}

bool SetValue(const UniqueHkey& key, const char* name, DWORD type, const void* data, DWORD size) {
  return RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

// REG_SZ from a string of the table; the size counts the NUL.
bool SetText(const UniqueHkey& key, const char* name, UINT dataId) {
  char data[kDataChars];
  if (!LoadText(dataId, data, kDataChars)) return false;
  return SetValue(key, name, REG_SZ, data, static_cast<DWORD>(lstrlenA(data) + 1));
}

bool SetTextNamed(const UniqueHkey& key, UINT nameId, UINT dataId) {
  char name[kNameChars];
  return LoadText(nameId, name, kNameChars) && SetText(key, name, dataId);
}

bool SetNamed(const UniqueHkey& key, UINT nameId, DWORD type, const void* data, DWORD size) {
  char name[kNameChars];
  return LoadText(nameId, name, kNameChars) && SetValue(key, name, type, data, size);
}

// The DLL by its full path: the system directory (with its backslash) and
// string 18. A bare name is looked for in every loading program's folder,
// and on older systems in its current directory, before the system
// directory.
bool SetServerPath(const UniqueHkey& key) {
  char name[kDataChars];
  if (!LoadText(IDS_DLL_NAME, name, kDataChars)) return false;
  const char* directory = g_directories[kSystemDir];
  int directoryLength = lstrlenA(directory);
  int nameLength = lstrlenA(name);
  if (directoryLength + nameLength >= kDataChars) return false;
  char path[kDataChars];
  lstrcpynA(path, directory, directoryLength + 1);
  lstrcpynA(path + directoryLength, name, nameLength + 1);
  return SetValue(key, "", REG_SZ, path, static_cast<DWORD>(directoryLength + nameLength + 1));
}

// Appends the boot-time program to BootExecute unless a whole entry equal to
// it is there already.
bool UpdateBootExecute(const UniqueHkey& key) {
  wchar_t list[kBootWorkChars];
  ZeroMemory(list, sizeof list);
  DWORD type = 0;
  DWORD size = kBootListChars * sizeof(wchar_t);
  if (RegQueryValueExW(key.get(), kBootExecute, nullptr, &type, reinterpret_cast<BYTE*>(list), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_MULTI_SZ || size > kBootListChars * sizeof(wchar_t)) return false;

  char name[kNameChars];
  if (!LoadText(IDS_BOOT_PROGRAM_NAME, name, kNameChars)) return false;
  LowerCaseText(name);
  wchar_t wideName[kNameChars];
  if (MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, kNameChars) == 0) return false;

  // An odd last byte stays, as the low half of a character.
  size_t writeChars = 0;
  switch (AddBootEntry(list, kBootWorkChars, (size + 1) / sizeof(wchar_t), wideName, &writeChars)) {
    case BootListUpdate::kPresent:
      return true;
    case BootListUpdate::kNoRoom:
      return false;
    case BootListUpdate::kAppended:
      break;
  }
  return RegSetValueExW(key.get(), kBootExecute, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list),
                        static_cast<DWORD>(writeChars * sizeof(wchar_t))) == ERROR_SUCCESS;
}

}  // namespace

bool WriteRegistry() {
  // One key at a time; the guard closes whatever is open on a way out.
  UniqueHkey key;
  const DWORD zero = 0;
  const BYTE zeroTime[8] = {};

  if (!CreateKey(HKEY_CLASSES_ROOT, IDS_KEY_CLSID, KEY_WRITE, &key)) return false;
  if (!SetText(key, "", IDS_DISPLAY_NAME)) return false;
  key.reset();

  if (!CreateKey(HKEY_CLASSES_ROOT, IDS_KEY_INPROC_SERVER, KEY_WRITE, &key)) return false;
  if (!SetServerPath(key)) return false;
  if (!SetText(key, kThreadingModel, IDS_THREADING_MODEL)) return false;
  key.reset();

  if (!CreateKey(HKEY_CLASSES_ROOT, IDS_KEY_PROPSHEET_HANDLER, KEY_WRITE, &key)) return false;
  if (!SetText(key, "", IDS_CLSID_TEXT)) return false;
  key.reset();

  if (!CreateKey(HKEY_LOCAL_MACHINE, IDS_KEY_APPROVED, KEY_WRITE, &key)) return false;
  if (!SetTextNamed(key, IDS_CLSID_TEXT, IDS_DISPLAY_NAME)) return false;
  key.reset();

  if (!CreateKey(HKEY_LOCAL_MACHINE, IDS_KEY_UNINSTALL, KEY_WRITE, &key)) return false;
  if (!SetText(key, kDisplayName, IDS_DISPLAY_NAME)) return false;
  if (!SetText(key, kUninstallString, IDS_UNINSTALL_COMMAND)) return false;
  key.reset();

  if (!CreateKey(HKEY_LOCAL_MACHINE, IDS_KEY_JOBS, KEY_WRITE, &key)) return false;
  key.reset();

  if (!CreateKey(HKEY_LOCAL_MACHINE, IDS_KEY_LAST_LAUNCH, KEY_WRITE, &key)) return false;
  if (!SetNamed(key, IDS_VALUE_BSOD, REG_DWORD, &zero, sizeof zero)) return false;
  if (!SetNamed(key, IDS_VALUE_STATUS, REG_DWORD, &zero, sizeof zero)) return false;
  if (!SetNamed(key, IDS_VALUE_START_TIME, REG_BINARY, zeroTime, sizeof zeroTime)) return false;
  if (!SetNamed(key, IDS_VALUE_FINISH_TIME, REG_BINARY, zeroTime, sizeof zeroTime)) return false;
  key.reset();

  const DWORD version = 0x01000000;
  if (!CreateKey(HKEY_LOCAL_MACHINE, IDS_KEY_VENDOR, KEY_WRITE, &key)) return false;
  if (!SetNamed(key, IDS_VALUE_VERSION, REG_DWORD, &version, sizeof version)) return false;
  key.reset();

  if (!CreateKey(HKEY_LOCAL_MACHINE, IDS_KEY_SESSION_MANAGER, KEY_READ | KEY_WRITE, &key)) return false;
  if (!UpdateBootExecute(key)) return false;
  key.reset();
  return true;
}
