// The global setup state and its start-up.
#include "driver/setup_state.h"

#include "driver/mbtext_logic.h"
#include "pages/pages.h"
#include "resource.h"

HINSTANCE g_instance;
char g_setupCaption[kCaptionChars];
char g_directories[kDirectoryKinds][kDirChars];
HICON g_smallIcon;
HICON g_largeIcon;
HANDLE g_continueEvent;
HANDLE g_cancelEvent;
volatile LONG g_installComplete;

namespace {
bool IsCodePageLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

// A directory query result with its trailing backslash; false on failure
// or when the path is too long for the shell's path functions.
bool FinishDirectory(UINT length, char* dir) {
  if (length == 0 || length >= kDirChars) return false;
  return AddBackslash(dir) != nullptr;
}
}  // namespace

bool InitSetupState(HINSTANCE instance) {
  SetLeadByteTest(IsCodePageLeadByte);
  g_instance = instance;
  if (LoadStringA(instance, IDS_SETUP_CAPTION, g_setupCaption, 255) == 0) return false;

  // A running setup shows at least one dialog-class window with our caption.
  if (HWND other = FindWindowA("#32770", g_setupCaption)) {
    SetForegroundWindow(other);
    ShowWindow(other, SW_SHOWNORMAL);
    return false;
  }

  char* windowsDir = g_directories[kWindowsDir];
  if (!FinishDirectory(GetWindowsDirectoryA(windowsDir, kDirChars), windowsDir)) return false;
  char* helpDir = g_directories[kHelpDir];
  if (lstrlenA(windowsDir) + 5 >= kDirChars) return false;
  lstrcpyA(helpDir, windowsDir);
  lstrcatA(helpDir, "Help\\");
  char* systemDir = g_directories[kSystemDir];
  if (!FinishDirectory(GetSystemDirectoryA(systemDir, kDirChars), systemDir)) return false;
  char* tempDir = g_directories[kTempDir];
  if (!FinishDirectory(GetTempPathA(kDirChars, tempDir), tempDir)) return false;

  g_smallIcon =
      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  g_largeIcon =
      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));

  g_cancelEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  g_continueEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  return true;
}

bool CloseSetupEvents() {
  // A worker cut off inside a step (the wizard closed and its grace time
  // ran out) still waits on both events at its next checkpoint: closed
  // under it, that wait would fail and the worker would go on. Such events
  // are left to the process's end.
  if (InstallWorkerRunning()) return true;
  if (g_cancelEvent != nullptr) {
    CloseHandle(g_cancelEvent);
    g_cancelEvent = nullptr;
  }
  if (g_continueEvent != nullptr) {
    CloseHandle(g_continueEvent);
    g_continueEvent = nullptr;
  }
  return true;
}

// The size field that NT 4.0 expects.
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");

bool IsSupportedSystem() {
  OSVERSIONINFOA info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&info);
#pragma GCC diagnostic pop
  return info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 4;
}
