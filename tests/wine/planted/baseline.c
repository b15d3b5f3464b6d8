// A program that imports what SETUPVDL.EXE imports (kernel32, user32, gdi32,
// advapi32), narrows its library search as far as the system allows, and
// shows one window: the planted libraries that it maps are mapped by the
// system's own DLLs for any program with a window, whatever the program
// itself does.
#include <windows.h>

typedef BOOL(WINAPI* SetDefaultDllDirectoriesFunction)(DWORD);

void Start(void) {
  SetDefaultDllDirectoriesFunction narrow = (SetDefaultDllDirectoriesFunction)(void (*)(void))GetProcAddress(
      GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
  if (narrow == NULL || !narrow(LOAD_LIBRARY_SEARCH_SYSTEM32)) ExitProcess(2);
  HKEY key = NULL;
  RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key);
  if (key != NULL) RegCloseKey(key);
  HWND window = CreateWindowExA(0, "STATIC", "baseline", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL,
                                NULL, NULL);
  MSG message;
  while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  UINT code = window != NULL && GetStockObject(WHITE_BRUSH) != NULL ? 0 : 1;
  if (window != NULL) DestroyWindow(window);
  ExitProcess(code);
}
