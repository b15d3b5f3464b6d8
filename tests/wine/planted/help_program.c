// Stands in for the help program of the Windows directory, as NT 4.0's
// WinHlp32.exe does in one respect: it imports comdlg32, which is no
// KnownDLL there. Mapped as code, it would bring that import in.
#include <windows.h>

#include <commdlg.h>

void Start(void) { ExitProcess(CommDlgExtendedError()); }
