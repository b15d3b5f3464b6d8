// The libraries that setup does not import: the common controls (with the
// theme library that they load by name), the shell and the version library. Only kernel32, user32, gdi32 and advapi32 are
// protected from a planted copy on every NT version (they are KnownDLLs
// everywhere), so every other library is loaded here, at the first call of
// one of its functions, by its full path in the system directory. The
// unattended and usage roads therefore never map the wizard's libraries.
// Each function here has the name, signature and result of the call it
// stands for; when its library or entry point cannot be found, it answers
// as that call answers when it fails.
#ifndef SETUPVDL_LATE_LIBRARIES_H
#define SETUPVDL_LATE_LIBRARIES_H

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

namespace late {

// Narrows the search for libraries loaded by name, those the system loads
// on setup's behalf included, where the system offers a way: to the system
// directory (SetDefaultDllDirectories), or at least without the current
// directory (SetDllDirectoryA). NT 4.0 and 2000 offer neither, and nothing
// is changed there. Called first, before any library is loaded.
void NarrowLibrarySearch();

// comctl32.dll. Without it: FALSE.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
// comctl32.dll. Without it: -1, as for a sheet that could not be created.
INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header);
// shell32.dll. Without it: SE_ERR_DLLNOTFOUND (32).
HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters, const char* directory,
                        INT showCommand);
// version.dll. Without it: VIF_CANNOTREADSRC, with an empty temporary name.
DWORD VerInstallFileA(DWORD flags, char* sourceName, char* destinationName, char* sourceDir, char* destinationDir,
                      char* currentDir, char* tempName, UINT* tempNameChars);

}  // namespace late

#endif
