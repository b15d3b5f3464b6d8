// The log that planted markers write to when they run: one line each, so a
// test sees every planted file that any process mapped or started.
#ifndef SETUPVDL_PLANTED_MARKER_LOG_H
#define SETUPVDL_PLANTED_MARKER_LOG_H

#include <windows.h>

static void AppendMarkerLine(const char* line, DWORD length) {
  HANDLE log = CreateFileA("C:\\planted-markers.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (log == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(log, line, length, &written, NULL);
  CloseHandle(log);
}

#endif
