// A program planted under the name of one that setup starts: when it runs,
// it appends its path to C:\planted-markers.log, as the marker DLL does.
#include <windows.h>

void Start(void) {
  char line[MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(NULL, line, MAX_PATH);
  lstrcpyA(line + length, " ran\r\n");
  length += 6;
  HANDLE log = CreateFileA("C:\\planted-markers.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (log != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(log, line, length, &written, NULL);
    CloseHandle(log);
  }
  ExitProcess(0);
}
