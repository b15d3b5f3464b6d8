// A stand-in for SETUPVDL.EXE in the deployment program's tests: it tells
// that it runs (event "VdlStandinRuns") and ends, installing nothing, once
// the test lets it (event "VdlStandinGo"), or after two minutes.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE runs = CreateEventA(nullptr, TRUE, TRUE, "VdlStandinRuns");
  HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, "VdlStandinGo");
  if (go != nullptr) WaitForSingleObject(go, 120000);
  if (go != nullptr) CloseHandle(go);
  if (runs != nullptr) CloseHandle(runs);
  return 0;
}
