// A small Win32 test driver: starts SETUPVDL.EXE, finds and drives its
// windows, answers message boxes and takes screenshots. Every wait is bounded.
#ifndef SETUPVDL_TEST_DRIVER_H
#define SETUPVDL_TEST_DRIVER_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace td {

// Time-outs are sized for Wine at native speed. Under emulation the harness
// sets SETUPVDL_WAIT_SCALE (see tests/harness/wine-env.sh), and every bounded
// wait of this driver is that many times longer; Scaled() gives the same to
// a test's own waits.
constexpr DWORD kWaitMs = 20000;
DWORD WaitScale();
DWORD Scaled(DWORD nativeMs);

// Directory of the running test program, with a trailing backslash; the
// setup executable is built into the same directory.
std::string BinDir();
std::string SetupExePath();

class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  HANDLE handle() const { return process_; }
  DWORD pid() const { return pid_; }
  // The child inherits this process's environment; its standard error goes
  // to errorPath when one is given (for Wine's call traces).
  // A refused start is retried for up to two seconds.
  bool Start(const std::string& commandLine, const char* errorPath = nullptr);
  // Exit code once the process ends within timeoutMs (scaled); false on
  // time-out.
  bool WaitExit(DWORD timeoutMs, DWORD* exitCode);
  void Kill();

 private:
  bool TryStart(const std::string& commandLine, const char* errorPath);
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Starts SETUPVDL.EXE with the given argument text after its quoted path.
bool StartSetup(const std::string& args, Process* process, const char* errorPath = nullptr);
// Runs SETUPVDL.EXE to its end; false if it did not end within timeoutMs.
bool RunSetup(const std::string& args, DWORD timeoutMs, DWORD* exitCode);

// Polls predicate every 20 ms until it holds or timeoutMs (scaled) passes.
bool WaitUntil(const std::function<bool()>& predicate, DWORD timeoutMs = kWaitMs);

// A visible top-level window of the class and caption (either may be null
// for any), owned by pid (0 for any process).
HWND FindTopWindow(const char* className, const char* caption, DWORD pid = 0);
HWND WaitForWindow(const char* className, const char* caption, DWORD pid = 0, DWORD timeoutMs = kWaitMs);
std::vector<HWND> TopWindows(DWORD pid);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
std::string ItemText(HWND dialog, int id);
// The window with the keyboard focus in the thread that owns window.
HWND FocusOf(HWND window);
// Clicks a button of a dialog (owned by any thread or process).
bool PressButton(HWND dialog, int id);

// Message boxes are "#32770" windows; the text is the static item 0xFFFF.
struct MessageBoxInfo {
  HWND window = nullptr;
  std::string caption;
  std::string text;
  // GW_OWNER: for a box owned by a child window (a wizard page), the
  // top-level window that holds it.
  HWND owner = nullptr;
  // The MB_ style read back from the box: its buttons (MB_OK, MB_YESNO...),
  // its default button (MB_DEFBUTTON1...) and, for a box of this process,
  // its icon (MB_ICONERROR...). Buttons of no MB_ set give MB_TYPEMASK.
  UINT style = 0;
};
UINT MessageBoxStyle(HWND box);
bool WaitForMessageBox(const char* caption, DWORD pid, MessageBoxInfo* info, DWORD timeoutMs = kWaitMs);
// Answers a message box with a button id (IDOK, IDYES, IDNO...).
bool AnswerMessageBox(HWND box, int buttonId);

// Answers, from a background thread, the first message box with this caption
// that appears in this process; its text is kept for the test.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher(const char* caption, int answer, DWORD timeoutMs = kWaitMs);
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
  // Waits for the watcher to finish; true if it answered a box.
  bool Wait(DWORD timeoutMs = kWaitMs);
  const MessageBoxInfo& info() const { return info_; }

 private:
  static DWORD WINAPI Run(void* self);
  std::string caption_;
  int answer_;
  DWORD timeoutMs_;
  HANDLE thread_ = nullptr;
  bool answered_ = false;
  MessageBoxInfo info_;
};

// Screenshots of the whole virtual display, saved as BMP under the artifacts
// directory (SETUPVDL_ARTIFACTS); returns the Windows path written.
std::string ArtifactPath(const std::string& name);
// A Unix path as this Wine prefix sees it (drive Z:).
std::string WindowsPathOf(const std::string& unixPath);
// The text Wine has written so far to this test's output (its traces of
// child processes started with WINEDEBUG=+relay, for instance).
std::string ReadWineLog();
bool SaveScreenshot(const std::string& name);
// Waits until window and all its descendants have painted (no update
// region left), then takes the screenshot.
bool WaitPainted(HWND window, DWORD timeoutMs = kWaitMs);
// A window without an update region has painted, but Wine copies its pixels
// to the display a moment later (sooner or later by build and load): this
// waits until the window's part of the screen stays the same over three
// looks, 100 ms apart.
bool WaitOnScreen(HWND window, DWORD timeoutMs = kWaitMs);
// WaitPainted, then WaitOnScreen, then the screenshot.
bool SavePaintedScreenshot(HWND window, const std::string& name);
bool SaveWindowShot(HWND window, const std::string& name);

// Files and registry.
bool ReadWholeFile(const std::string& path, std::string* data);
bool WriteWholeFile(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);
bool SetRegValue(HKEY root, const char* key, const char* name, DWORD type, const void* data, DWORD size);
bool SetRegMultiSz(HKEY root, const char* key, const char* name, const std::vector<std::string>& entries);
// Type and raw bytes of a value; false when it cannot be read.
bool QueryRegValue(HKEY root, const char* key, const char* name, DWORD* type, std::string* data);
bool DeleteRegValue(HKEY root, const char* key, const char* name);
bool DeleteRegTree(HKEY root, const char* key);
bool RegKeyExists(HKEY root, const char* key);

}  // namespace td

#endif
