// VDLPUSH.EXE: installs Vandrel Lite 1.0 on a managed machine with the
// SETUPVDL.EXE that lies beside it, and answers with what setup never gives:
// an exit code that deployment tools judge, one line on standard output that
// says why, and an event in the Application log.
//   VDLPUSH.EXE          install, over an existing installation
//   VDLPUSH.EXE /check   only read whether the installation is complete
// It runs as SYSTEM on every machine of a fleet, so it writes no file, reads
// nothing from folders that users can write, and parses nothing as code: the
// outcome is read from the registry and the installed files themselves.
#include <windows.h>

#include "driver/cmdline_logic.h"
#include "driver/late_libraries.h"
#include "driver/mbtext_logic.h"
#include "engine/bootexec_logic.h"
#include "engine/guards.h"

namespace {

// Setup's caption: the title of its wizard and of every box it shows, which
// its own single-instance test looks for.
const char kSetupCaption[] = "Vandrel Lite 1.0 Setup";
const char kSetupName[] = "SETUPVDL.EXE";
// One installation at a time on a machine, in every session. NT 4.0 knows no
// "Global\" namespace and refuses the name; there the plain name is the same.
const char kGlobalLockName[] = "Global\\VandrelLiteDeployment";
const char kLockName[] = "VandrelLiteDeployment";
const char kEventSource[] = "Vandrel Lite Deployment";
const char kEventSourceKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Vandrel Lite Deployment";
const char kVendorKey[] = "SOFTWARE\\VandrelSoft\\Vandrel Lite";
const char kVersionValue[] = "Version";
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kBootEntry[] = "vdlite.exe";

constexpr int kTextChars = 1024;
constexpr DWORD kBootListBytes = 4096;

// A line of text, every addition bounded by the buffer.
struct Text {
  char chars[kTextChars] = "";
  void Add(const char* more) {
    int used = lstrlenA(chars);
    if (used < kTextChars - 1) lstrcpynA(chars + used, more, kTextChars - used);
  }
  // One item of a list, after a comma unless it is the first.
  void AddItem(const char* item, const char* more = "") {
    if (chars[0] != '\0') Add(", ");
    Add(item);
    Add(more);
  }
};

struct Answer {
  DWORD code = ERROR_INSTALL_FAILURE;
  Text why;
};

DWORD Say(Answer* answer, DWORD code, const char* why, const char* more = "", const char* last = "") {
  answer->code = code;
  answer->why.Add(why);
  answer->why.Add(more);
  answer->why.Add(last);
  return code;
}

template <typename F>
F* KernelFunction(const char* name) {
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel == nullptr ? nullptr : reinterpret_cast<F*>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

bool IsSixtyFourBitWindows() {
#ifdef _WIN64
  return true;
#else
  // XP SP2 and later; older systems are 32-bit.
  auto* isWow64 = KernelFunction<decltype(::IsWow64Process)>("IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

// One view of an installation: where setup of one bitness puts the two
// program files and its vendor key. The help files and the Session Manager
// are shared by both views.
struct View {
  REGSAM registry = 0;            // KEY_WOW64_64KEY or KEY_WOW64_32KEY on 64-bit Windows
  char systemDir[MAX_PATH] = "";  // with a trailing backslash
  bool unredirected = false;      // a 32-bit program looking into the 64-bit system directory
};

bool WithBackslash(UINT length, char* dir) { return length != 0 && length < MAX_PATH - 1 && AddBackslash(dir); }

// The native view always; on 64-bit Windows also the 32-bit one, where the
// shipping 32-bit setup installs.
int GetViews(View views[2]) {
  View& native = views[0];
  if (!WithBackslash(GetSystemDirectoryA(native.systemDir, MAX_PATH), native.systemDir)) return 0;
  if (!IsSixtyFourBitWindows()) return 1;
  native.registry = KEY_WOW64_64KEY;
#ifndef _WIN64
  native.unredirected = true;
#endif
  View& wow = views[1];
  wow.registry = KEY_WOW64_32KEY;
  auto* wowDir = KernelFunction<decltype(::GetSystemWow64DirectoryA)>("GetSystemWow64DirectoryA");
  if (wowDir == nullptr || !WithBackslash(wowDir(wow.systemDir, MAX_PATH), wow.systemDir)) return 1;
  return 2;
}

bool IsFile(const char* dir, const char* name) {
  char path[MAX_PATH + 16];
  wsprintfA(path, "%s%s", dir, name);
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Both program files, with the file-system redirection of a 32-bit program
// off where it would hide the 64-bit system directory.
bool AreProgramFilesThere(const View& view, Text* missing) {
  using Disable = decltype(::Wow64DisableWow64FsRedirection);
  using Revert = decltype(::Wow64RevertWow64FsRedirection);
  auto* disable = view.unredirected ? KernelFunction<Disable>("Wow64DisableWow64FsRedirection") : nullptr;
  auto* revert = view.unredirected ? KernelFunction<Revert>("Wow64RevertWow64FsRedirection") : nullptr;
  void* old = nullptr;
  bool off = disable != nullptr && revert != nullptr && disable(&old);
  bool there = true;
  for (const char* name : {"VDLite.dll", "VDLite.exe"}) {
    if (IsFile(view.systemDir, name)) continue;
    missing->AddItem(view.systemDir, name);
    there = false;
  }
  if (off) revert(old);
  return there;
}

bool AreHelpFilesThere(Text* missing) {
  char helpDir[MAX_PATH + 8];
  if (!WithBackslash(GetWindowsDirectoryA(helpDir, MAX_PATH), helpDir)) return false;
  lstrcatA(helpDir, "Help\\");
  bool there = true;
  for (const char* name : {"VDLite.hlp", "VDLite.cnt"}) {
    if (IsFile(helpDir, name)) continue;
    missing->AddItem(helpDir, name);
    there = false;
  }
  return there;
}

// The vendor key's Version, 0 when it is missing or not a REG_DWORD.
DWORD ReadVersion(const View& view) {
  UniqueHkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_QUERY_VALUE | view.registry, key.put()) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD type = 0, version = 0, size = sizeof version;
  if (RegQueryValueExA(key.get(), kVersionValue, nullptr, &type, reinterpret_cast<BYTE*>(&version), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof version) {
    return 0;
  }
  return version;
}

// Sets Version, or deletes it for a version of 0; false when the key refuses.
bool WriteVersion(const View& view, DWORD version) {
  UniqueHkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVendorKey, 0, KEY_SET_VALUE | view.registry, key.put()) != ERROR_SUCCESS) {
    return version == 0;
  }
  if (version == 0) {
    LONG result = RegDeleteValueA(key.get(), kVersionValue);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
  }
  return RegSetValueExA(key.get(), kVersionValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&version),
                        sizeof version) == ERROR_SUCCESS;
}

// "vdlite.exe" as an entry of its own in BootExecute, in any case.
bool IsBootEntryThere() {
  UniqueHkey key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;
  // Room for the entry that the test appends to a copy it never writes back.
  static char list[kBootListBytes + sizeof kBootEntry + 1];
  DWORD type = 0, size = kBootListBytes;
  if (RegQueryValueExA(key.get(), "BootExecute", nullptr, &type, reinterpret_cast<BYTE*>(list), &size) !=
          ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return false;
  }
  size_t ignored = 0;
  return AddBootEntry(list, sizeof list, size, kBootEntry, &ignored) == BootListUpdate::kPresent;
}

// What a successful "SETUPVDL.EXE -u" leaves in one view; what is missing
// is added to missing.
bool IsComplete(const View& view, Text* missing) {
  bool complete = AreProgramFilesThere(view, missing);
  complete = AreHelpFilesThere(missing) && complete;
  if (ReadVersion(view) == 0) {
    missing->AddItem("Version under HKLM\\", kVendorKey);
    complete = false;
  }
  if (!IsBootEntryThere()) {
    missing->AddItem("vdlite.exe in BootExecute");
    complete = false;
  }
  return complete;
}

// The answer on the installation as it stands: complete in the native view;
// complete only for 32-bit Windows, which a 64-bit system cannot boot with;
// or what the view that setup began to fill lacks.
DWORD JudgeInstallation(DWORD incomplete, Answer* answer) {
  View views[2];
  int count = GetViews(views);
  if (count == 0) return Say(answer, incomplete, "the system directory cannot be read");
  Text missing;
  if (IsComplete(views[0], &missing)) {
    return Say(answer, ERROR_SUCCESS, "Vandrel Lite 1.0 is installed completely.");
  }
  Text wowMissing;
  if (count == 2 && IsComplete(views[1], &wowMissing)) {
    return Say(answer, incomplete, "Vandrel Lite 1.0 is installed for 32-bit Windows, in ", views[1].systemDir,
               ", where 64-bit Windows cannot run its boot program.");
  }
  if (count == 2 && IsFile(views[1].systemDir, "VDLite.dll")) missing = wowMissing;
  return Say(answer, incomplete, "Vandrel Lite 1.0 is not installed completely; missing: ", missing.chars);
}

bool IsSetupWindowOpen() { return FindWindowA("#32770", kSetupCaption) != nullptr; }

// Held while this program runs; Windows releases it when the holder ends,
// however it ends, so a lock is never stale.
HANDLE TakeMachineLock() {
  HANDLE lock = CreateMutexA(nullptr, FALSE, kGlobalLockName);
  if (lock == nullptr && GetLastError() != ERROR_ACCESS_DENIED) lock = CreateMutexA(nullptr, FALSE, kLockName);
  if (lock == nullptr) return nullptr;
  DWORD wait = WaitForSingleObject(lock, 0);
  if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) return lock;
  CloseHandle(lock);
  return nullptr;
}

// SETUPVDL.EXE beside this program, by full path; false when it is not there.
bool FindSetup(char* path) {
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  char* name = path + length;
  while (name > path && name[-1] != '\\') --name;
  if (name - path + sizeof kSetupName > MAX_PATH) return false;
  lstrcpyA(name, kSetupName);
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// "SETUPVDL.EXE -u" to its end, started in the system directory; false when
// it could not be started (*result is then the error).
bool RunSetup(const char* setup, DWORD* result) {
  char commandLine[MAX_PATH + 8];
  wsprintfA(commandLine, "\"%s\" -u", setup);
  char systemDir[MAX_PATH];
  if (GetSystemDirectoryA(systemDir, MAX_PATH) == 0) systemDir[0] = '\0';
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessA(setup, commandLine, nullptr, nullptr, FALSE, 0, nullptr, systemDir[0] ? systemDir : nullptr,
                      &startup, &started)) {
    *result = GetLastError();
    return false;
  }
  UniqueHandle process(started.hProcess);
  UniqueHandle thread(started.hThread);
  WaitForSingleObject(process.get(), INFINITE);
  if (!GetExitCodeProcess(process.get(), result)) *result = 0xFFFFFFFF;
  return true;
}

DWORD Install(Answer* answer) {
  char setup[MAX_PATH];
  if (!FindSetup(setup)) return Say(answer, ERROR_INSTALL_PACKAGE_OPEN_FAILED, "there is no file ", setup);
  UniqueHandle lock(TakeMachineLock());
  if (!lock) {
    return Say(answer, ERROR_INSTALL_ALREADY_RUNNING,
               "another installation is in progress: VDLPUSH runs already on this machine; nothing was started.");
  }
  auto unlock = MakeScopeExit([&lock] { ReleaseMutex(lock.get()); });
  if (IsSetupWindowOpen()) {
    return Say(answer, ERROR_INSTALL_ALREADY_RUNNING,
               "another installation is in progress: a window of setup is open; nothing was started.");
  }

  // Setup writes Version after every file and every other row but the
  // boot entry. It is taken away before the run, so that afterwards its
  // presence tells that setup got that far in this run; a run that did not
  // has it put back as it was.
  View views[2];
  int count = GetViews(views);
  DWORD before[2] = {};
  for (int i = 0; i < count; ++i) {
    before[i] = ReadVersion(views[i]);
    if (!WriteVersion(views[i], 0))
      return Say(answer, ERROR_INSTALL_FAILURE, "the registry refuses changes: run as an administrator.");
  }
  DWORD result = 0;
  bool ran = RunSetup(setup, &result);
  bool wrote = false;
  for (int i = 0; i < count; ++i) wrote = ReadVersion(views[i]) != 0 || wrote;
  if (!wrote) {
    for (int i = 0; i < count; ++i) WriteVersion(views[i], before[i]);
  }

  char number[16];
  wsprintfA(number, "%lu.", result);
  if (!ran) return Say(answer, ERROR_INSTALL_FAILURE, "SETUPVDL.EXE could not be started: error ", number);
  if (result != 0) return Say(answer, ERROR_INSTALL_FAILURE, "SETUPVDL.EXE did not end normally: exit code ", number);
  if (!wrote && IsSetupWindowOpen()) {
    return Say(answer, ERROR_INSTALL_ALREADY_RUNNING,
               "another installation is in progress: setup found a window of setup open and installed nothing.");
  }
  if (wrote) return JudgeInstallation(ERROR_INSTALL_FAILURE, answer);
  Answer state;
  JudgeInstallation(ERROR_INSTALL_FAILURE, &state);
  return Say(answer, ERROR_INSTALL_FAILURE, "setup failed before it wrote its registry entries. ", state.why.chars);
}

// The program names its own event message file, which carries one message
// per exit code that shows the event's text.
void RegisterEventMessages(const char* self) {
  UniqueHkey key;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                      key.put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key.get(), "EventMessageFile", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(self),
                 lstrlenA(self) + 1);
  DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
  RegSetValueExA(key.get(), "TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&types), sizeof types);
}

// The event id is the exit code; 1618 (try again later) is a warning.
void ReportOutcome(const Answer& answer) {
  char self[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  RegisterEventMessages(self);
  HANDLE source = RegisterEventSourceA(nullptr, kEventSource);
  if (source == nullptr) return;
  WORD type = answer.code == ERROR_SUCCESS                   ? EVENTLOG_INFORMATION_TYPE
              : answer.code == ERROR_INSTALL_ALREADY_RUNNING ? EVENTLOG_WARNING_TYPE
                                                             : EVENTLOG_ERROR_TYPE;
  const char* strings[] = {answer.why.chars};
  ReportEventA(source, type, 0, answer.code, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}

void PrintLine(const Answer& answer) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  char code[32];
  wsprintfA(code, "VDLPUSH %lu: ", answer.code);
  DWORD written = 0;
  for (const char* part : {static_cast<const char*>(code), answer.why.chars, "\r\n"})
    WriteFile(out, part, static_cast<DWORD>(lstrlenA(part)), &written, nullptr);
}

bool IsCodePageLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

DWORD Run() {
  SetLeadByteTest(IsCodePageLeadByte);
  Answer answer;
  char argument[16];
  if (!CopyTrimmedCommand(CommandTail(GetCommandLineA()), argument, sizeof argument) ||
      (argument[0] != '\0' && CompareTextNoCase(argument, "/check") != 0)) {
    Say(&answer, ERROR_INVALID_COMMAND_LINE, "unknown argument; give none to install, or /check.");
  } else if (argument[0] != '\0') {
    JudgeInstallation(ERROR_UNKNOWN_PRODUCT, &answer);
  } else {
    Install(&answer);
    ReportOutcome(answer);
  }
  PrintLine(answer);
  return answer.code;
}

}  // namespace

extern "C" {
// No run-time library: the program needs none of its services, and its
// start-up code would import msvcrt.dll, which is no KnownDLL on NT 4.0.
// The stack is only 4-byte aligned at process entry on i386.
__attribute__((force_align_arg_pointer, noreturn)) void mainCRTStartup() {
  late::NarrowLibrarySearch();
  ExitProcess(Run());
}
}  // extern "C"
