// The install worker: installs the payload files and the registry on a
// thread of its own behind the copying page, reporting through the page's
// progress bar and by posting to the wizard frame.
#ifndef SETUPVDL_WORKER_H
#define SETUPVDL_WORKER_H

#include <windows.h>

// Thread procedure; the parameter is the copying page's window.
// Returns 0 after success or a cancel, 1 after a failure.
DWORD WINAPI InstallWorker(LPVOID copyingPage);

#endif
