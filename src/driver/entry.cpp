// The process entry of SETUPVDL.EXE, in place of the run-time library's
// start-up code: setup needs none of its services (no stdio, arguments,
// locale, threads' storage or exceptions), and the code and sections it
// brings cost about a tenth of the executable. What setup does need is
// kept: static constructors before WinMain, and the exit functions that the
// page controls register, run in reverse order after it.
#include <windows.h>

#include "driver/late_libraries.h"

extern "C" {

// Bounds of the static constructor list, laid out by the linker script:
// a -1 marker, the constructors, a 0 terminator.
typedef void (*Constructor)();
extern Constructor __CTOR_LIST__[];

namespace {
// Twelve page controls and a handful of globals register here. The build
// counts the registrations that the linked code can make and fails when
// they could fill the table (cmake/check-exit-table.cmake). A test program
// builds this entry with a smaller table.
#ifndef SETUPVDL_EXIT_FUNCTIONS
#define SETUPVDL_EXIT_FUNCTIONS 32
#endif
constexpr int kMaxExitFunctions = SETUPVDL_EXIT_FUNCTIONS;
void (*g_exitFunctions[kMaxExitFunctions])();
int g_exitFunctionCount;

void RunConstructors() {
  int count = 0;
  while (__CTOR_LIST__[count + 1] != nullptr) ++count;
  // Last one first, as the run-time library does.
  for (int i = count; i >= 1; --i) __CTOR_LIST__[i]();
}

void RunExitFunctions() {
  while (g_exitFunctionCount > 0) g_exitFunctions[--g_exitFunctionCount]();
}
}  // namespace

// Function-local statics with destructors register them here. Should the
// table be full all the same, the object is not destroyed at exit.
int atexit(void (*function)()) {
  if (g_exitFunctionCount == kMaxExitFunctions) return -1;
  g_exitFunctions[g_exitFunctionCount++] = function;
  return 0;
}

// The stack is only 4-byte aligned at process entry on i386.
__attribute__((force_align_arg_pointer, noreturn)) void WinMainCRTStartup() {
  late::NarrowLibrarySearch();
  RunConstructors();
  WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWDEFAULT);
  RunExitFunctions();
  // Setup tells nothing through its exit code: deployment tools read any
  // other value than 0 as a failed installation.
  ExitProcess(0);
}

}  // extern "C"
