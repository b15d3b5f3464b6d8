// A program with setup's own entry (src/driver/entry.cpp) built with an
// exit-function table of one place, whose WinMain registers three: the
// startup test runs it to see that a full table never reaches the exit code.
#include <windows.h>

namespace {

volatile LONG g_destroyed;

struct Registered {
  ~Registered() { InterlockedIncrement(&g_destroyed); }
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
