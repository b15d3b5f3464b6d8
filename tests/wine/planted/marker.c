// A library planted under the name of a system DLL: when any process maps
// it, its DllMain appends one line to C:\planted-markers.log, its own path
// and the program's, and lets the load go on as a real attack's would.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  char line[2 * MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(self, line, MAX_PATH);
  lstrcpyA(line + length, " in ");
  length += 4;
  length += GetModuleFileNameA(NULL, line + length, MAX_PATH);
  lstrcpyA(line + length, "\r\n");
  length += 2;
  HANDLE log = CreateFileA("C:\\planted-markers.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(log, line, length, &written, NULL);
    CloseHandle(log);
  }
  return TRUE;
}
