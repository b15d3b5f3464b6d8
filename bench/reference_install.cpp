// B1: the floor for installing. Writes the four payload files, already
// expanded and embedded here, and the product's registry values with the
// plainest calls: no staging, no version library, no string table.
// Built with SETUP_STARTUP it is F1: the same, after the start-up that setup
// performs in every mode (caption string, single-instance window search,
// directory table, both setup icons, two events).
#include <windows.h>
#ifdef SETUP_STARTUP
#include <shlwapi.h>
#endif

namespace {

struct FileRow {
  WORD resourceId;
  const char* name;
  bool helpDir;
};
const FileRow kFiles[] = {
    {1, "VDLite.dll", false}, {2, "VDLite.exe", false}, {3, "VDLite.hlp", true}, {4, "VDLite.cnt", true}};

const char kClsid[] = "{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}";
const char kProduct[] = "Vandrel Lite 1.0";
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// a, b and c joined into out, cut to its size: kernel32 only, no formatting library.
void Join(char* out, int size, const char* a, const char* b, const char* c) {
  lstrcpynA(out, a, size);
  int used = lstrlenA(out);
  lstrcpynA(out + used, b, size - used);
  used = lstrlenA(out);
  lstrcpynA(out + used, c, size - used);
}

bool WriteFileRow(const FileRow& row, const char* systemDir, const char* helpDir, const FILETIME& stamp) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(row.resourceId), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (found == nullptr) return false;
  const void* data = LockResource(LoadResource(nullptr, found));
  DWORD size = SizeofResource(nullptr, found);
  char path[MAX_PATH];
  Join(path, MAX_PATH, row.helpDir ? helpDir : systemDir, "\\", row.name);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
  SetFileTime(file, &stamp, &stamp, &stamp);
  CloseHandle(file);
  return ok;
}

bool SetValue(HKEY root, const char* path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key;
  if (RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  LONG rc = name != nullptr ? RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) : ERROR_SUCCESS;
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool SetText(HKEY root, const char* path, const char* name, const char* text) {
  return SetValue(root, path, name, REG_SZ, text, lstrlenA(text) + 1);
}

bool AppendBootProgram() {
  HKEY key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                      nullptr, &key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  char list[512 + 16] = {};
  DWORD type = 0;
  DWORD size = 512;
  LONG rc = RegQueryValueExA(key, "BootExecute", nullptr, &type, reinterpret_cast<BYTE*>(list), &size);
  if (rc == ERROR_SUCCESS && type == REG_MULTI_SZ) {
    DWORD at = 0;
    bool present = false;
    while (at < 512 && list[at] != '\0') {
      if (lstrcmpiA(list + at, "vdlite.exe") == 0) present = true;
      at += lstrlenA(list + at) + 1;
    }
    if (!present) {
      lstrcpynA(list + at, "vdlite.exe", 11);
      rc = RegSetValueExA(key, "BootExecute", 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(list), size + 11);
    }
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_MULTI_SZ;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
#ifdef SETUP_STARTUP
  char caption[256];
  LoadStringA(instance, 1, caption, 255);
  if (FindWindowA("#32770", caption) != nullptr) return 0;
  char dirs[3][MAX_PATH + 1];
  GetWindowsDirectoryA(dirs[0], MAX_PATH);
  GetSystemDirectoryA(dirs[1], MAX_PATH);
  GetTempPathA(MAX_PATH, dirs[2]);
  for (char* dir : dirs) PathAddBackslashA(dir);
  LoadImageA(instance, MAKEINTRESOURCEA(101), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
  LoadImageA(instance, MAKEINTRESOURCEA(101), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR);
  HANDLE events[2] = {CreateEventA(nullptr, FALSE, FALSE, nullptr), CreateEventA(nullptr, TRUE, TRUE, nullptr)};
#else
  (void)instance;
#endif
  char systemDir[MAX_PATH];
  char helpDir[MAX_PATH];
  GetSystemDirectoryA(systemDir, MAX_PATH);
  char windowsDir[MAX_PATH];
  GetWindowsDirectoryA(windowsDir, MAX_PATH);
  Join(helpDir, MAX_PATH, windowsDir, "\\Help", "");

  // 5 July 2000, 01:00:00 local time.
  SYSTEMTIME local = {2000, 7, 0, 5, 1, 0, 0, 0};
  FILETIME localTime;
  FILETIME stamp;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &stamp);
  for (const FileRow& row : kFiles) {
    if (!WriteFileRow(row, systemDir, helpDir, stamp)) return 1;
  }

  char dllPath[MAX_PATH + 16];
  Join(dllPath, sizeof dllPath, systemDir, "\\VDLITE.DLL", "");
  char clsidKey[80];
  Join(clsidKey, sizeof clsidKey, "CLSID\\", kClsid, "");
  char inprocKey[100];
  Join(inprocKey, sizeof inprocKey, clsidKey, "\\InProcServer32", "");
  const char uninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vandrel Lite";
  const char lastLaunch[] = "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite\\Last Launch";
  const DWORD zero = 0;
  const BYTE zeroTime[8] = {};
  const DWORD version = 0x01000000;
  bool ok =
      SetText(HKEY_CLASSES_ROOT, clsidKey, "", kProduct) && SetText(HKEY_CLASSES_ROOT, inprocKey, "", dllPath) &&
      SetText(HKEY_CLASSES_ROOT, inprocKey, "ThreadingModel", "Apartment") &&
      SetText(HKEY_CLASSES_ROOT, "*\\shellex\\PropertySheetHandlers\\VandrelLite", "", kClsid) &&
      SetText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", kClsid,
              kProduct) &&
      SetText(HKEY_LOCAL_MACHINE, uninstall, "DisplayName", kProduct) &&
      SetText(HKEY_LOCAL_MACHINE, uninstall, "UninstallString", "Rundll32.exe VDLite.dll,Uninstall") &&
      SetValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite\\Jobs", nullptr, 0, nullptr, 0) &&
      SetValue(HKEY_LOCAL_MACHINE, lastLaunch, "BSOD", REG_DWORD, &zero, 4) &&
      SetValue(HKEY_LOCAL_MACHINE, lastLaunch, "Status", REG_DWORD, &zero, 4) &&
      SetValue(HKEY_LOCAL_MACHINE, lastLaunch, "StartTime", REG_BINARY, zeroTime, 8) &&
      SetValue(HKEY_LOCAL_MACHINE, lastLaunch, "FinishTime", REG_BINARY, zeroTime, 8) &&
      SetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\VandrelSoft\\Vandrel Lite", "Version", REG_DWORD, &version, 4) &&
      AppendBootProgram();
#ifdef SETUP_STARTUP
  for (HANDLE event : events) CloseHandle(event);
#endif
  return ok ? 0 : 1;
}
