// Dialog procedures of the five wizard pages, in wizard order.
#ifndef SETUPVDL_PAGES_H
#define SETUPVDL_PAGES_H

#include <windows.h>

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopyingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WhereToStartPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// After the wizard has closed: lets an install worker that is still inside a
// step finish it (pumping sent messages meanwhile), for at most timeoutMs.
// True when no worker is left running.
bool WaitForInstallWorker(DWORD timeoutMs);
// True while a worker that the copying page started has not ended: it may
// still wait on the setup events.
bool InstallWorkerRunning();

#endif
