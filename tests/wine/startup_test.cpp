// Start-up: the global setup state, the command-line roads, the usage
// message, the single instance and the exit code, on the real executable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "driver/setup_state.h"
#include "engine_test_support.h"
#include "layout_check.h"
#include "resource.h"
#include "test_driver.h"

namespace {

constexpr const char* kCaption = td::kSetupCaption;

// A string of module's table (null: this program, which carries setup's
// resources too).
std::string LoadString(UINT id, HMODULE module = nullptr) {
  char text[256] = "";
  LoadStringA(module != nullptr ? module : GetModuleHandleA(nullptr), id, text, 255);
  return text;
}

TEST(SetupState, FillsDirectoriesIconsAndEvents) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  EXPECT_STREQ(g_setupCaption, kCaption);
  char windows[MAX_PATH], system[MAX_PATH], temp[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  GetSystemDirectoryA(system, MAX_PATH);
  GetTempPathA(MAX_PATH, temp);
  EXPECT_EQ(std::string(g_directories[kWindowsDir]), std::string(windows) + "\\");
  EXPECT_EQ(std::string(g_directories[kSystemDir]), std::string(system) + "\\");
  EXPECT_EQ(std::string(g_directories[kHelpDir]), std::string(windows) + "\\Help\\");
  std::string tempDir = temp;
  if (tempDir.back() != '\\') tempDir += '\\';
  EXPECT_EQ(std::string(g_directories[kTempDir]), tempDir);

  ICONINFO info;
  ASSERT_TRUE(g_smallIcon != nullptr && GetIconInfo(g_smallIcon, &info));
  BITMAP bm;
  GetObjectA(info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 16);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  ASSERT_TRUE(g_largeIcon != nullptr && GetIconInfo(g_largeIcon, &info));
  GetObjectA(info.hbmMask, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 32);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);

  // Continue: manual reset, signalled. Cancel: automatic reset, not signalled.
  EXPECT_EQ(WaitForSingleObject(g_continueEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(g_continueEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(g_cancelEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(g_cancelEvent);
  EXPECT_EQ(WaitForSingleObject(g_cancelEvent, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(g_cancelEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(g_installComplete, 0);

  EXPECT_TRUE(CloseSetupEvents());
  EXPECT_EQ(g_continueEvent, nullptr);
  EXPECT_EQ(g_cancelEvent, nullptr);
  EXPECT_TRUE(CloseSetupEvents());  // nothing left to close
}

TEST(SetupState, RefusesWhenAnotherSetupWindowIsOpen) {
  // A window of another class with the caption is no running setup.
  HWND stranger =
      CreateWindowExA(0, "STATIC", kCaption, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(stranger, nullptr);
  EXPECT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  EXPECT_TRUE(CloseSetupEvents());
  DestroyWindow(stranger);
  // Any dialog-class window with the caption counts as a running setup.
  HWND other =
      CreateWindowExA(0, "#32770", kCaption, WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  ShowWindow(other, SW_MINIMIZE);
  EXPECT_FALSE(InitSetupState(GetModuleHandleA(nullptr)));
  EXPECT_FALSE(IsIconic(other)) << "the running setup's window is restored";
  EXPECT_EQ(g_continueEvent, nullptr);
  DestroyWindow(other);
}

// Started as "startup_test.exe --probe-supported-system", this program
// reports IsSupportedSystem in its exit code before any test runs.
constexpr char kProbeSwitch[] = "--probe-supported-system";
struct ProbeMode {
  ProbeMode() {
    if (strstr(GetCommandLineA(), kProbeSwitch) != nullptr) ExitProcess(IsSupportedSystem() ? 1 : 2);
  }
} g_probeMode;

DWORD RunProbe() {
  td::Process child;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  EXPECT_TRUE(child.Start(std::string("\"") + self + "\" " + kProbeSwitch));
  DWORD code = 0;
  EXPECT_TRUE(child.WaitExit(td::kWaitMs, &code));
  return code;
}

TEST(SupportedSystem, NtFamilyOnlyFromVersionFour) {
  EXPECT_TRUE(IsSupportedSystem());  // Wine reports NT 6.1 by default
  // Wine's own version setting makes the next process see Windows 98.
  ASSERT_TRUE(td::SetRegValue(HKEY_CURRENT_USER, "Software\\Wine", "Version", REG_SZ, "win98", 6));
  EXPECT_EQ(RunProbe(), 2u);
  ASSERT_TRUE(td::SetRegValue(HKEY_CURRENT_USER, "Software\\Wine", "Version", REG_SZ, "nt40", 5));
  EXPECT_EQ(RunProbe(), 1u);
}

TEST(CommandLine, UnrecognisedArgumentsShowTheUsageMessage) {
  const std::string usage = LoadString(IDS_USAGE);
  int shot = 0;
  for (const char* args : {"/U", "-U", "u", "-u x", "--u", "  /u/u  "}) {
    SCOPED_TRACE(args);
    td::Process setup;
    ASSERT_TRUE(td::StartTraced(&setup, td::SetupCommand(args), "+pid,+relay", "user32.MessageBoxA"));
    td::MessageBoxInfo box;
    ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &box));
    EXPECT_EQ(box.text, usage);
    EXPECT_EQ(box.style & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    if (shot++ == 0) {
      td::SavePaintedScreenshot(box.window, "usage-message.bmp");
      layout::ExpectEverythingFits(box.window, layout::MessageBoxFont(), GetDlgItem(box.window, 0xFFFF));
    }
    ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
    DWORD code = 99;
    ASSERT_TRUE(setup.WaitExit(td::kWaitMs, &code));
    EXPECT_EQ(code, 0u);
    // The information icon. The box belongs to setup's process, where this
    // program cannot compare icons: the style is read from Wine's trace of
    // MessageBoxA(owner,text,caption,style), its last argument.
    std::string call;
    for (const std::string& line : td::WineLogOf(setup.pid()))
      if (line.find("Call user32.MessageBoxA(") != std::string::npos) call = line.substr(0, line.rfind(") ret="));
    ASSERT_FALSE(call.empty()) << "no MessageBoxA call traced";
    EXPECT_EQ(strtoul(call.c_str() + call.rfind(',') + 1, nullptr, 16), static_cast<unsigned long>(MB_ICONINFORMATION))
        << call;
  }
}

// Read from SETUPVDL.EXE itself, not from this program's copy.
TEST(CommandLine, UsageTextHasSevenLines) {
  HMODULE setup = LoadLibraryExA(td::SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(setup, nullptr);
  const std::string usage = LoadString(IDS_USAGE, setup);
  FreeLibrary(setup);
  EXPECT_EQ(std::count(usage.begin(), usage.end(), '\n'), 6);
  EXPECT_EQ(usage.rfind(std::string(kCaption) + "\n", 0), 0u);
  EXPECT_NE(usage.find("\n\nUsage:\n\n   SETUPVDL.EXE [-u]\n   -u - unattended setup"), std::string::npos);
}

// The unattended road and no other: the files are installed, and no window
// of the setup's appears while it runs.
TEST(CommandLine, SwitchesRunUnattendedWithoutAnyWindow) {
  ASSERT_TRUE(engine_test::SeedNormalBootList());
  const std::string dll = engine_test::SystemDir() + "VDLite.dll";
  for (const char* args : {"-u", "/u", "  -u  ", "\t/u\t"}) {
    SCOPED_TRACE(args);
    DeleteFileA(dll.c_str());
    td::Process setup;
    ASSERT_TRUE(td::StartSetup(args, &setup));
    bool windowSeen = false;
    DWORD code = 99;
    EXPECT_TRUE(td::WaitExitWithoutWindow(&setup, td::kWaitMs, &code, &windowSeen));
    ASSERT_FALSE(windowSeen) << "a window of the setup appeared";
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(td::FileExists(dll));
  }
}

TEST(SingleInstance, SecondStartRaisesTheFirstAndEnds) {
  td::Process first;
  ASSERT_TRUE(td::StartSetup("x", &first));
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, first.pid(), &box));
  // Put another window in front, then start a second setup.
  HWND front =
      CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(front);
  for (const char* args : {"", "-u", "y"}) {
    SCOPED_TRACE(args);
    td::Process second;
    ASSERT_TRUE(td::StartSetup(args, &second));
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(td::kWaitMs, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(td::WaitUntil([&] { return GetForegroundWindow() == box.window; }, 5000));
    SetForegroundWindow(front);
  }
  DestroyWindow(front);
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  DWORD code = 99;
  ASSERT_TRUE(first.WaitExit(td::kWaitMs, &code));
  EXPECT_EQ(code, 0u);
}

// Setup's entry ends the process with 0 even when its table of exit
// functions is full (the build keeps setup's own table large enough): the
// probe is that entry with a table of two places, given three functions
// after whatever the linked code registered before WinMain. Each one that
// fits runs at exit and writes down that it did; the third never runs.
TEST(ExitCode, ZeroWhenTheExitFunctionTableIsFull) {
  const std::string record = engine_test::TempDir() + "exit-table-probe.txt";
  DeleteFileA(record.c_str());
  SetEnvironmentVariableA("SETUPVDL_EXIT_PROBE_FILE", record.c_str());
  td::Process probe;
  ASSERT_TRUE(probe.Start("\"" + td::BinDir() + "exit_table_probe.exe\""));
  DWORD code = 99;
  ASSERT_TRUE(probe.WaitExit(td::kWaitMs, &code));
  EXPECT_EQ(code, 0u);
  std::string destroyed;
  EXPECT_TRUE(td::ReadWholeFile(record, &destroyed));
  EXPECT_TRUE(destroyed == "d" || destroyed == "dd") << "fitting exit functions run, no others: " << destroyed;
}

// The modules that process pid loaded, in lower case without their
// directory, read from a trace of Wine's +pid,+loaddll channels.
std::set<std::string> LoadedModules(DWORD pid) {
  std::set<std::string> modules;
  for (const std::string& text : td::WineLogOf(pid)) {
    size_t loaded = text.find("Loaded L\"");
    if (loaded == std::string::npos) continue;
    const size_t start = loaded + strlen("Loaded L\"");
    std::string path = text.substr(start, text.find('"', start) - start);
    std::string name = path.substr(path.find_last_of('\\') + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return static_cast<char>(tolower(c)); });
    modules.insert(name);
  }
  return modules;
}

// The common controls, the shell and its helpers serve the wizard alone: the
// unattended and usage roads never map them, the wizard maps the common
// controls for its pages, and the shell and its helpers only when a link is
// clicked or a failure is formatted, neither of which has happened on the
// welcome page.
TEST(RoadLibraries, OnlyTheWizardLoadsTheCommonControlsAndTheShell) {
  // The wizard first: after -u it would ask about the installation.
  for (const char* args : {"", "x", "-u"}) {
    SCOPED_TRACE(std::string("road \"") + args + "\"");
    td::Process setup;
    ASSERT_TRUE(td::StartTraced(&setup, td::SetupCommand(args), "+pid,+loaddll"));
    if (args[0] == 'x') {
      td::MessageBoxInfo box;
      ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &box));
      ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
    } else if (args[0] == '\0') {
      // The welcome page, with its link, has been created.
      ASSERT_TRUE(td::WaitUntil([&] {
        HWND frame = td::FindTopWindow("#32770", kCaption, setup.pid());
        return frame != nullptr && FindWindowExA(frame, nullptr, "#32770", nullptr) != nullptr;
      }));
      setup.Kill();
    }
    DWORD code = 99;
    ASSERT_TRUE(setup.WaitExit(td::kWaitMs, &code));
    std::set<std::string> modules = LoadedModules(setup.pid());
    ASSERT_EQ(modules.count("version.dll"), 1u) << "no trace of the setup process";
    const bool wizard = args[0] == '\0';
    EXPECT_EQ(modules.count("comctl32.dll"), wizard ? 1u : 0u);
    EXPECT_EQ(modules.count("shell32.dll"), 0u);
    EXPECT_EQ(modules.count("shlwapi.dll"), 0u);
  }
}

}  // namespace
