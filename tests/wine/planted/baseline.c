// A program that imports what SETUPVDL.EXE imports (kernel32, user32, gdi32,
// advapi32) and shows one window: the planted libraries that it maps are
// mapped by the system's own DLLs for any program with a window, whatever
// the program itself does.
#include <windows.h>

void Start(void) {
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
