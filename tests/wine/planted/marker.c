// A library planted under the name of a system DLL: when any process maps
// it, its DllMain appends one line to C:\planted-markers.log, its own path
// and the program's, and lets the load go on as a real attack's would.
#include <windows.h>

#include "marker_log.h"

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
  AppendMarkerLine(line, length);
  return TRUE;
}
