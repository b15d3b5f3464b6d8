// Process entry: chooses the wizard, the unattended setup or the usage message.
#include <windows.h>

#include "driver/cmdline_logic.h"
#include "driver/setup_state.h"
#include "resource.h"

namespace {
void ShowUsage() {
  char usage[256];
  LoadStringA(g_instance, IDS_USAGE, usage, 255);
  MessageBoxA(nullptr, usage, g_setupCaption, MB_OK | MB_ICONINFORMATION);
}
}  // namespace

// Setup reports nothing through its exit code: every road returns 0.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!InitSetupState(instance)) {
    CloseSetupEvents();
    return 0;
  }
  // The tail is taken from the process command line itself, so that the
  // name rules are ours and not the run-time library's.
  const char* tail = CommandTail(GetCommandLineA());
  char command[512];
  bool fits = CopyTrimmedCommand(tail, command, sizeof command);
  if (fits && command[0] == '\0') {
    RunWizardMode();
    CloseSetupEvents();
    return 0;
  }
  if (fits && IsUnattendedSwitch(command)) {
    RunUnattendedSetup(tail);
    CloseSetupEvents();
    return 0;
  }
  ShowUsage();
  return 0;
}
