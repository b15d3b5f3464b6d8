// Read-only checks of an earlier installation, run before the wizard.
#ifndef SETUPVDL_CHECKS_H
#define SETUPVDL_CHECKS_H

#include <windows.h>

// True when the shell-extension DLL is named in a file operation pending for
// the next boot: the product was uninstalled and the system not restarted.
bool IsRestartPending();

// The Version value an earlier installation stored, or 0.
DWORD GetInstalledVersion();

#endif
