// Stand-in for the product's shell-extension DLL: a real in-process server
// shape (class factory query, unload query) that serves no class, and the
// entry point that the uninstall command runs through Rundll32. No CRT.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  (void)clsid;
  (void)iid;
  if (object) *object = NULL;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow(void) { return S_FALSE; }

// Rundll32 signature; the stand-in has nothing to remove.
void CALLBACK Uninstall(HWND window, HINSTANCE instance, LPSTR command_line, int show) {
  (void)window;
  (void)instance;
  (void)command_line;
  (void)show;
}
