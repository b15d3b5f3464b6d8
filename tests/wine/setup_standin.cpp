// A stand-in for SETUPVDL.EXE in the deployment wrapper's tests: it removes
// the log, as setup's unattended mode does first, and ends normally without
// installing anything, as setup does after a failure when it cannot write
// its log.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  DeleteFileA("C:\\SetupVDL.ERR");
  return 0;
}
