// The Uninstall entry point of VDLite.dll, run by the uninstall command
// "Rundll32.exe VDLite.dll,Uninstall": it removes what setup wrote. Every
// step is done whatever an earlier one found, and a part that is already gone
// counts as removed, so a second run finishes what a first one left. The
// uninstall entry, the way to that second run, goes last and only when
// everything else is done.
//
// "/q" or "-q" (either case) on its command line makes it quiet: no message.
#include <windows.h>

#include "vdlite_dll.h"

namespace {

const char kClassKey[] = "CLSID\\{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}";
const char kHandlerKey[] = "*\\shellex\\PropertySheetHandlers\\VandrelLite";
const char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kClassIdText[] = "{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vandrel Lite";
const char kControlKey[] = "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite";
const char kVendorKey[] = "SOFTWARE\\VandrelSoft";
const char kProductKey[] = "SOFTWARE\\VandrelSoft\\Vandrel Lite";
const char kVersionValue[] = "Version";
const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kBootExecuteW[] = L"BootExecute";
const char kPendingRenames[] = "PendingFileRenameOperations";
const wchar_t kBootProgramW[] = L"vdlite.exe";
const char* const kHelpFiles[] = {"VDLite.hlp", "VDLite.cnt", "VDLite.gid"};
const char kDllFile[] = "VDLite.dll";
const char kBootProgramFile[] = "VDLite.exe";

const char kTitle[] = "Vandrel Lite 1.0";
const char kDoneText[] = "Vandrel Lite has been uninstalled. Restart the computer to finish.";
const char kIncompleteText[] =
    "Vandrel Lite could not remove all of its files and settings.\n\n"
    "Restart the computer and run the uninstall again.";

constexpr int kPathChars = MAX_PATH + 8;

bool Gone(LONG result) { return result == ERROR_FILE_NOT_FOUND || result == ERROR_PATH_NOT_FOUND; }

// Deletes parent\name with all its subkeys and values; a key that is not
// there is removed already.
bool DeleteKeyTree(HKEY parent, const char* name) {
  HKEY key;
  LONG opened = RegOpenKeyExA(parent, name, 0, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | DELETE, &key);
  if (Gone(opened)) return true;
  if (opened != ERROR_SUCCESS) return false;
  bool ok = true;
  char child[256];
  for (;;) {
    DWORD length = sizeof child;
    if (RegEnumKeyExA(key, 0, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (!DeleteKeyTree(key, child)) {
      ok = false;
      break;
    }
  }
  RegCloseKey(key);
  LONG deleted = RegDeleteKeyA(parent, name);
  return ok && (deleted == ERROR_SUCCESS || Gone(deleted));
}

bool DeleteValue(HKEY root, const char* keyPath, const char* name) {
  HKEY key;
  LONG opened = RegOpenKeyExA(root, keyPath, 0, KEY_SET_VALUE, &key);
  if (Gone(opened)) return true;
  if (opened != ERROR_SUCCESS) return false;
  LONG deleted = RegDeleteValueA(key, name);
  RegCloseKey(key);
  return deleted == ERROR_SUCCESS || Gone(deleted);
}

// Deletes the key only when nothing is left in it: no value, no subkey.
bool DeleteKeyIfEmpty(HKEY root, const char* keyPath) {
  HKEY key;
  LONG opened = RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key);
  if (Gone(opened)) return true;
  if (opened != ERROR_SUCCESS) return false;
  DWORD subkeys = 1;
  DWORD values = 1;
  LONG queried = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                                  nullptr, nullptr);
  RegCloseKey(key);
  if (queried != ERROR_SUCCESS) return false;
  if (subkeys != 0 || values != 0) return true;  // another program's: it stays
  LONG deleted = RegDeleteKeyA(root, keyPath);
  return deleted == ERROR_SUCCESS || Gone(deleted);
}

// The rows of setup's registry layout except BootExecute and the uninstall
// entry. The class, handler and control-set keys are the product's own and
// go with whatever else stands in them; the approved list and the vendor key
// are shared, so only the product's value leaves them.
bool RemoveRegistryRows() {
  bool ok = DeleteKeyTree(HKEY_CLASSES_ROOT, kClassKey);
  ok = DeleteKeyTree(HKEY_CLASSES_ROOT, kHandlerKey) && ok;
  ok = DeleteValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClassIdText) && ok;
  ok = DeleteKeyTree(HKEY_LOCAL_MACHINE, kControlKey) && ok;
  ok = DeleteValue(HKEY_LOCAL_MACHINE, kProductKey, kVersionValue) && ok;
  ok = DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, kProductKey) && ok;
  ok = DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, kVendorKey) && ok;
  return ok;
}

// How reading a whole value went.
enum class ValueRead { kRead, kMissing, kFailed };

LONG QueryValue(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExA(key, name, nullptr, type, data, size);
}
// Wide: another product's entries in BootExecute may hold characters that
// the ANSI code page cannot show.
LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size) {
  return RegQueryValueExW(key, name, nullptr, type, data, size);
}

// Reads a whole value into a zeroed block of whole characters, two more than
// the data fills (an odd last byte is the low half of one), so that a list
// without its terminating NULs still ends inside the block, and the walk
// may write the list's final NUL after it. A value that grows between the
// size query and the read is a failure, not a missing value.
template <typename Char>
ValueRead ReadValue(HKEY key, const Char* name, DWORD* type, DWORD* size, Char** data) {
  *data = nullptr;
  *size = 0;
  LONG queried = QueryValue(key, name, type, nullptr, size);
  if (Gone(queried)) return ValueRead::kMissing;
  if (queried != ERROR_SUCCESS) return ValueRead::kFailed;
  const DWORD room = *size;
  const DWORD chars = (room + sizeof(Char) - 1) / sizeof(Char) + 2;
  Char* block = static_cast<Char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, chars * sizeof(Char)));
  if (block == nullptr) return ValueRead::kFailed;
  *size = room;
  if (QueryValue(key, name, type, reinterpret_cast<BYTE*>(block), size) != ERROR_SUCCESS || *size > room) {
    HeapFree(GetProcessHeap(), 0, block);
    return ValueRead::kFailed;
  }
  *data = block;
  return ValueRead::kRead;
}

// Takes every entry equal to the boot-time program out of BootExecute; the
// other entries keep their order, their characters and the list its final
// NUL. A missing value, or one that is not a list, is left as it is.
bool RemoveBootEntry() {
  HKEY key;
  LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
  if (Gone(opened)) return true;
  if (opened != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  wchar_t* list = nullptr;
  ValueRead read = ReadValue(key, kBootExecuteW, &type, &size, &list);
  bool ok = read != ValueRead::kFailed;
  if (read == ValueRead::kRead && type == REG_MULTI_SZ) {
    // Compacted in place: the kept entries never overtake the walk.
    const DWORD count = size / sizeof(wchar_t);
    DWORD at = 0;
    DWORD written = 0;
    bool removed = false;
    while (at < count && list[at] != L'\0') {
      DWORD length = static_cast<DWORD>(lstrlenW(list + at));
      if (lstrcmpiW(list + at, kBootProgramW) == 0) {
        removed = true;
      } else {
        for (DWORD i = 0; i <= length && written != at; ++i) list[written + i] = list[at + i];
        written += length + 1;
      }
      at += length + 1;
    }
    list[written] = L'\0';
    if (removed) {
      ok = RegSetValueExW(key, kBootExecuteW, 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(list),
                          (written + 1) * sizeof(wchar_t)) == ERROR_SUCCESS;
    }
  }
  if (list != nullptr) HeapFree(GetProcessHeap(), 0, list);
  RegCloseKey(key);
  return ok;
}

// Directory plus file name; false when it does not fit. The directory ends
// in a backslash only when its last character is one: the trail byte of a
// double-byte character may be 0x5C too.
bool JoinPath(char* out, const char* directory, const char* name) {
  int length = lstrlenA(directory);
  if (length == 0 || length + 1 + lstrlenA(name) >= kPathChars) return false;
  lstrcpynA(out, directory, kPathChars);
  const char* last = directory;
  for (const char* p = directory; *p != '\0'; p = CharNextA(p)) last = p;
  if (*last != '\\' || last != directory + length - 1) out[length++] = '\\';
  lstrcpynA(out + length, name, kPathChars - length);
  return true;
}

// True when a deletion of path (target empty) is already waiting for the
// next restart, so a second run does not add it twice.
bool IsDeletionPending(const char* path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  char* list = nullptr;
  ValueRead read = ReadValue(key, kPendingRenames, &type, &size, &list);
  RegCloseKey(key);
  if (read != ValueRead::kRead) return false;
  bool pending = false;
  // Pairs of source and target; empty targets stand inside the list.
  DWORD at = 0;
  while (type == REG_MULTI_SZ && at < size && !pending) {
    const char* source = list + at;
    at += lstrlenA(source) + 1;
    if (at >= size) break;  // a source without its target
    const char* target = list + at;
    at += lstrlenA(target) + 1;
    if (source[0] == '\\' && source[1] == '?' && source[2] == '?' && source[3] == '\\') source += 4;
    pending = target[0] == '\0' && source[0] != '\0' && lstrcmpiA(source, path) == 0;
  }
  HeapFree(GetProcessHeap(), 0, list);
  return pending;
}

// True when path names no file: its attributes cannot be read because it or
// its directory is not there. Any other failure (access denied, say) leaves
// the file where it may still be.
bool IsFileGone(const char* path) {
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD error = GetLastError();
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Deletes a file now, or at the next restart when it is in use.
bool DeleteFileNowOrLater(const char* path) {
  if (IsFileGone(path)) return true;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileA(path)) return true;
  return IsDeletionPending(path) || MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool RemoveHelpFiles() {
  char directory[kPathChars];
  UINT length = GetWindowsDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  char help[kPathChars];
  if (!JoinPath(help, directory, "Help")) return false;
  bool ok = true;
  for (const char* name : kHelpFiles) {
    char path[kPathChars];
    ok = JoinPath(path, help, name) && DeleteFileNowOrLater(path) && ok;
  }
  return ok;
}

// Schedules a file of the system directory for deletion at the next
// restart: the DLL is loaded by this very process, and the boot-time
// program goes with it.
bool ScheduleSystemFile(const char* name) {
  char directory[kPathChars];
  UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  char path[kPathChars];
  if (!JoinPath(path, directory, name)) return false;
  if (IsFileGone(path) || IsDeletionPending(path)) return true;
  SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

bool IsQuietSwitch(const char* commandLine) {
  if (commandLine == nullptr) return false;
  while (*commandLine == ' ' || *commandLine == '\t') ++commandLine;
  if ((commandLine[0] != '/' && commandLine[0] != '-') || (commandLine[1] != 'q' && commandLine[1] != 'Q'))
    return false;
  for (const char* rest = commandLine + 2; *rest != '\0'; ++rest) {
    if (*rest != ' ' && *rest != '\t' && *rest != '\r' && *rest != '\n') return false;
  }
  return true;
}

}  // namespace

extern "C" void CALLBACK Uninstall(HWND window, HINSTANCE instance, LPSTR commandLine, int show) {
  (void)instance;
  (void)show;
  bool complete = RemoveRegistryRows();
  complete = RemoveBootEntry() && complete;
  complete = RemoveHelpFiles() && complete;
  complete = ScheduleSystemFile(kBootProgramFile) && complete;
  // The DLL and its entry are the way to the run that finishes the job:
  // they go only when everything else has gone, the entry last.
  if (complete) complete = ScheduleSystemFile(kDllFile);
  if (complete) complete = DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  if (IsQuietSwitch(commandLine)) return;
  MessageBoxA(window, complete ? kDoneText : kIncompleteText, kTitle,
              MB_OK | MB_SETFOREGROUND | (complete ? MB_ICONINFORMATION : MB_ICONWARNING));
}
