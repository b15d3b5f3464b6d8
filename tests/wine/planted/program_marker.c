// A program planted under the name of one that setup starts: when it runs,
// it appends its path to C:\planted-markers.log, as the marker DLL does.
#include <windows.h>

#include "marker_log.h"

void Start(void) {
  char line[MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(NULL, line, MAX_PATH);
  lstrcpyA(line + length, " ran\r\n");
  length += 6;
  AppendMarkerLine(line, length);
  ExitProcess(0);
}
