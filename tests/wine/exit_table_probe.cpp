// A program with setup's own entry (src/driver/entry.cpp) built with an
// exit-function table of two places, part of which the linked code may take
// before WinMain; WinMain registers three more. The startup test runs it to
// see that a full table never reaches the exit code, and that those that fit
// run and the others never: each destructor that runs adds a "d" to the file
// named by SETUPVDL_EXIT_PROBE_FILE.
#include <windows.h>

namespace {

struct Registered {
  ~Registered() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("SETUPVDL_EXIT_PROBE_FILE", path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, "d", 1, &written, nullptr);
    CloseHandle(file);
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  static Registered first;
  static Registered second;
  static Registered third;
  (void)first;
  (void)second;
  (void)third;
  return 0;
}
