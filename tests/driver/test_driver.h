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

// Setup's caption: its wizard frame, its pre-check dialogs and its message
// boxes carry it, and the welcome page has it as its title.
constexpr char kSetupCaption[] = "Vandrel Lite 1.0 Setup";
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
  // to errorPath when one is given (for Wine's call traces), and it runs in
  // currentDir when one is given (else in this process's).
  // A refused start is retried for up to two seconds.
  bool Start(const std::string& commandLine, const char* errorPath = nullptr, const char* currentDir = nullptr);
  // Exit code once the process ends within timeoutMs (scaled); false on
  // time-out.
  bool WaitExit(DWORD timeoutMs, DWORD* exitCode);
  void Kill();

 private:
  bool TryStart(const std::string& commandLine, const char* errorPath, const char* currentDir);
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Starts SETUPVDL.EXE with the given argument text after its quoted path.
bool StartSetup(const std::string& args, Process* process, const char* errorPath = nullptr);
// Runs SETUPVDL.EXE to its end; false if it did not end within timeoutMs.
bool RunSetup(const std::string& args, DWORD timeoutMs, DWORD* exitCode);
// Waits for a started process to end while no top-level window of it
// appears (a message box would also keep it from ending); ends it at the
// first window or after timeoutMs. True only when it ended by itself
// without a window; *windowSeen tells which went wrong.
bool WaitExitWithoutWindow(Process* process, DWORD timeoutMs, DWORD* exitCode, bool* windowSeen);

// Starts commandLine with Wine's trace channels (WINEDEBUG, "+pid,+relay"
// for instance) in this case's output; with +relay the calls traced are
// narrowed to relayInclude ("advapi32.InitiateSystemShutdownA;..."). This
// process's own channels are restored after the start.
bool StartTraced(Process* process, const std::string& commandLine, const char* channels,
                 const char* relayInclude = nullptr, const char* currentDir = nullptr);
// SETUPVDL.EXE's command line: its quoted path and args.
std::string SetupCommand(const std::string& args);
// The lines of Wine's log that process pid wrote (traced with +pid: each
// line starts with "pid:tid:" in hexadecimal).
std::vector<std::string> WineLogOf(DWORD pid);

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

// Setup's wizard, driven from outside its process: the frame is a
// top-level dialog with the setup caption and a current page; each page
// has its title in item IDC_PAGE_TITLE.
HWND FindFrame(DWORD pid);
HWND WaitForFrame(DWORD pid, DWORD timeoutMs = kWaitMs);
HWND CurrentPage(HWND frame);
std::string PageTitle(HWND frame);
bool WaitForPage(HWND frame, const std::string& title, DWORD timeoutMs = kWaitMs);
// Presses a frame button (PSBTN_NEXT...) as a click would.
void Press(HWND frame, int button);
// From the welcome page over the licence to the copying page.
bool OpenCopyingPage(HWND frame);

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
