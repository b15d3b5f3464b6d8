// The libraries that only the wizard calls: the common controls, the shell
// and the shell's light-weight helpers. They are loaded at the first call of
// one of their functions, so the unattended and usage roads never map them.
// Each function here has the name, signature and result of the call it
// stands for; when its library or entry point cannot be found, it answers
// as that call answers when it fails.
#ifndef SETUPVDL_LATE_LIBRARIES_H
#define SETUPVDL_LATE_LIBRARIES_H

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

namespace late {

// comctl32.dll. Without it: FALSE.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
// comctl32.dll. Without it: -1, as for a sheet that could not be created.
INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header);
// shell32.dll. Without it: SE_ERR_DLLNOTFOUND (32).
HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters, const char* directory,
                        INT showCommand);
// shlwapi.dll (through wvnsprintfA). Without it: -1 and an empty text.
int wnsprintfA(char* text, int size, const char* format, ...);

}  // namespace late

#endif
