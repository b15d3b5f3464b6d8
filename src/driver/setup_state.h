// Process-wide setup state: written by start-up before any other thread
// exists, read everywhere else.
#ifndef SETUPVDL_SETUP_STATE_H
#define SETUPVDL_SETUP_STATE_H

#include <windows.h>

enum DirectoryKind : DWORD { kWindowsDir = 0, kSystemDir = 1, kHelpDir = 2, kTempDir = 3, kDirectoryKinds = 4 };

constexpr int kCaptionChars = 256;
constexpr int kDirChars = 520;

extern HINSTANCE g_instance;
extern char g_setupCaption[kCaptionChars];
extern char g_directories[kDirectoryKinds][kDirChars];
extern HICON g_smallIcon;
extern HICON g_largeIcon;
extern HANDLE g_continueEvent;  // manual reset, created signalled
extern HANDLE g_cancelEvent;    // auto reset, created non-signalled
extern volatile LONG g_installComplete;

bool InitSetupState(HINSTANCE instance);
// Closes both events, unless an install worker still runs: it may yet wait
// on them, so they are then left to the process's end. Returns true.
bool CloseSetupEvents();
bool IsSupportedSystem();

// The run modes.
int RunWizardMode();
void RunUnattendedSetup(const char* commandTail);

#endif
