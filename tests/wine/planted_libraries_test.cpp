// Setup runs no code that lies beside it. A marker DLL (wine/planted/
// marker.c) lies under the name of each library that setup, the system on
// its behalf, or the help program loads, and a marker program
// (wine/planted/program_marker.c) under the help program's name, both in
// the folder of SETUPVDL.EXE and in its current directory. Wine is told to search for
// those names as Windows does (the program's folder first, and, as on
// NT 4.0 and 2000, the current directory before the system directory).
// Every road runs and does its work, and no marker may be mapped.
//
// Windows protects the imports of kernel32, user32, gdi32 and advapi32 as
// KnownDLLs; Wine has none, and its own user32 and advapi32 import version,
// msvcrt and imm32 from the program's folder before any program's first
// instruction (imm32 then brings COM in through a delayed import that no
// search setting reaches). A program that imports only those four DLLs,
// narrows its search as setup does and shows a window finds out which
// names that is; they are taken away again and named in the output, since
// no program can do anything about them.
//
// Wine honours setup's narrowing of the search, as Windows 8 and later do,
// and then no name reaches setup's folder, whatever setup asks for. NT 4.0
// and 2000 have no such narrowing, so what setup asks the loader for is
// read as well, from Wine's trace of setup's own LoadLibrary calls: a full
// path in the system directory for every library, and the help program's
// module as a data file.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "help_viewer.h"
#include "resource.h"
#include "test_driver.h"
#include "url_recorder.h"

namespace {

constexpr const char* kCaption = td::kSetupCaption;
const char kSetupDir[] = "C:\\Downloads\\";
const char kCurrentDir[] = "C:\\Work\\";
const char kMarkerLog[] = "C:\\planted-markers.log";
const char kHomePage[] = "http://www.vandrelsoft.com/";

// Setup's own late libraries (uxtheme too, which the common controls load
// by name); what Wine's system DLLs load on its behalf (COM for the shell);
// the help program's import (comdlg32); what the help viewer that setup
// starts loads by name (riched20); and the run-time library setup used to
// import.
const char* const kPlantedNames[] = {"version",  "msvcrt", "comctl32", "shell32", "shlwapi",  "uxtheme",  "ole32",
                                     "oleaut32", "rpcrt4", "combase",  "shcore",  "comdlg32", "riched20", "imm32"};
// The programs whose searches are made as Windows makes them.
const char* const kWatchedPrograms[] = {"SETUPVDL.EXE", "baseline.exe", "winhlp32.exe"};

using engine_test::kSessionManager;
using engine_test::SystemDir;
using engine_test::WindowsDir;

// A program of the planted folder, started with the planted folder of the
// current directory as its own; with Wine's trace of its LoadLibrary calls
// (+relay, narrowed to those functions) in the case's output when traced.
bool StartPlanted(td::Process* process, const char* program, const std::string& args, bool traced = false) {
  const std::string line = "\"" + std::string(kSetupDir) + program + "\"" + (args.empty() ? "" : " " + args);
  if (!traced) return process->Start(line, nullptr, kCurrentDir);
  return td::StartTraced(process, line, "+pid,+relay", "LoadLibraryA;LoadLibraryExA;LoadLibraryW;LoadLibraryExW",
                         kCurrentDir);
}
// The exit code once the process has ended; 99 after a time-out, when it
// is ended here.
DWORD Finish(td::Process& process, DWORD timeoutMs) {
  DWORD code = 99;
  if (process.WaitExit(timeoutMs, &code)) return code;
  process.Kill();
  process.WaitExit(5000, nullptr);
  return 99;
}

// The markers mapped so far, one "marker in program" line each.
std::vector<std::string> MappedMarkers() {
  std::string log;
  td::ReadWholeFile(kMarkerLog, &log);
  std::vector<std::string> lines;
  for (size_t start = 0; start < log.size();) {
    size_t end = log.find("\r\n", start);
    if (end == std::string::npos) end = log.size();
    if (end > start) lines.push_back(log.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The marker's name ("comctl32") from its line.
std::string MarkerName(const std::string& line) {
  std::string path = line.substr(0, line.find(" in "));
  std::string file = path.substr(path.find_last_of('\\') + 1);
  return file.substr(0, file.rfind('.'));
}

void RemoveMarker(const std::string& name) {
  DeleteFileA((kSetupDir + name + ".dll").c_str());
  DeleteFileA((kCurrentDir + name + ".dll").c_str());
}

// Plants setup, the baseline program and the markers, and tells Wine to
// search for the markers' names as Windows does. Then takes away again the
// markers that the baseline program maps too.
void Plant() {
  // As on NT 4.0 and 2000: the current directory before the system's.
  DWORD unsafe = 0;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "SafeDllSearchMode", REG_DWORD, &unsafe, 4));
  ASSERT_TRUE(engine_test::SeedNormalBootList());
  ASSERT_TRUE(CreateDirectoryA(kSetupDir, nullptr));
  ASSERT_TRUE(CreateDirectoryA(kCurrentDir, nullptr));
  ASSERT_TRUE(CopyFileA(td::SetupExePath().c_str(), (std::string(kSetupDir) + "SETUPVDL.EXE").c_str(), TRUE));
  ASSERT_TRUE(CopyFileA((td::BinDir() + "planted_baseline.exe").c_str(),
                        (std::string(kSetupDir) + "baseline.exe").c_str(), TRUE));
  // The help program that WinHelpA would start by its bare name.
  for (const char* dir : {kSetupDir, kCurrentDir}) {
    ASSERT_TRUE(
        CopyFileA((td::BinDir() + "planted_program.exe").c_str(), (dir + std::string("WinHlp32.exe")).c_str(), TRUE));
  }
  const std::string marker = td::BinDir() + "planted_marker.dll";
  const char nativeFirst[] = "native,builtin";
  for (const char* name : kPlantedNames) {
    for (const char* dir : {kSetupDir, kCurrentDir}) {
      ASSERT_TRUE(CopyFileA(marker.c_str(), (dir + std::string(name) + ".dll").c_str(), TRUE)) << dir << name;
    }
    for (const char* program : kWatchedPrograms) {
      std::string key = std::string("Software\\Wine\\AppDefaults\\") + program + "\\DllOverrides";
      ASSERT_TRUE(td::SetRegValue(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, nativeFirst, sizeof nativeFirst));
    }
  }
  // A marker mapped before the program's first instruction ends the
  // program when it is called, and may hide the next: one round per name.
  std::vector<std::string> everyProgram;
  for (size_t round = 0; round < sizeof kPlantedNames / sizeof kPlantedNames[0]; ++round) {
    DeleteFileA(kMarkerLog);
    td::Process baseline;
    ASSERT_TRUE(StartPlanted(&baseline, "baseline.exe", ""));
    Finish(baseline, td::kWaitMs);
    std::vector<std::string> mapped = MappedMarkers();
    if (mapped.empty()) break;
    for (const std::string& line : mapped) {
      everyProgram.push_back(MarkerName(line));
      RemoveMarker(MarkerName(line));
    }
  }
  td::Process baseline;
  ASSERT_TRUE(StartPlanted(&baseline, "baseline.exe", ""));
  ASSERT_EQ(Finish(baseline, td::kWaitMs), 0u) << "a program of four imports still fails:\n" << Joined(MappedMarkers());
  ASSERT_TRUE(MappedMarkers().empty());
  ASSERT_LT(everyProgram.size(), sizeof kPlantedNames / sizeof kPlantedNames[0] - 4) << "too few names left planted";
  std::string names;
  for (const std::string& name : everyProgram) names += " " + name;
  printf("mapped by Wine's own system DLLs in any program, so not planted:%s\n", names.c_str());
  DeleteFileA(kMarkerLog);
}

// NT 4.0's help program, in one respect: it imports comdlg32. Setup's
// process is told to take the file, not Wine's own help program.
void PlaceHelpProgram() {
  const std::string path = WindowsDir() + "WinHlp32.exe";
  DeleteFileA(path.c_str());  // a hard link into the template
  ASSERT_TRUE(CopyFileA((td::BinDir() + "planted_help.exe").c_str(), path.c_str(), TRUE));
  const char native[] = "native";
  ASSERT_TRUE(td::SetRegValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\SETUPVDL.EXE\\DllOverrides",
                              "winhlp32.exe", REG_SZ, native, sizeof native));
}

void ExpectNoMarkerMapped() { EXPECT_TRUE(MappedMarkers().empty()) << Joined(MappedMarkers()); }

// One LoadLibrary call that setup's own code made.
struct LoadCall {
  std::string function;  // "LoadLibraryExA"
  std::string file;
  unsigned long flags;
};

// The calls of process pid whose return address lies in SETUPVDL.EXE,
// from lines such as
//   0020:0024:Call KERNEL32.LoadLibraryExA(0021de6c "C:\\x.dll",00000000,00000008) ret=140005884
std::vector<LoadCall> SetupLoadCalls(DWORD pid) {
  std::string image;
  std::vector<LoadCall> calls;
  if (!td::ReadWholeFile(std::string(kSetupDir) + "SETUPVDL.EXE", &image)) return calls;
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + dos->e_lfanew);
  // No relocations: setup always lies at its preferred base.
  const unsigned long long base = nt->OptionalHeader.ImageBase;
  const unsigned long long end = base + nt->OptionalHeader.SizeOfImage;
  for (const std::string& line : td::WineLogOf(pid)) {
    const size_t call = line.find("Call KERNEL32.LoadLibrary");
    const size_t ret = line.rfind(" ret=");
    if (call == std::string::npos || ret == std::string::npos) continue;
    const unsigned long long from = strtoull(line.c_str() + ret + 5, nullptr, 16);
    if (from < base || from >= end) continue;
    LoadCall found;
    const size_t open = line.find('(', call);
    found.function = line.substr(call + strlen("Call KERNEL32."), open - call - strlen("Call KERNEL32."));
    const size_t quote = line.find('"', open);
    size_t close = quote == std::string::npos ? line.size() : quote + 1;
    while (close < line.size() && !(line[close] == '"' && (line[close + 1] == ',' || line[close + 1] == ')'))) ++close;
    if (close >= line.size()) continue;
    for (size_t i = quote + 1; i < close; ++i) {  // the trace doubles each backslash
      found.file += line[i];
      if (line[i] == '\\' && line[i + 1] == '\\') ++i;
    }
    found.flags =
        found.function == "LoadLibraryExA" ? strtoul(line.c_str() + line.rfind(',', ret) + 1, nullptr, 16) : 0;
    calls.push_back(found);
  }
  return calls;
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// Every library that setup loaded itself was named by its full path in the
// system directory, its own imports to be looked for there too; the help
// program was mapped as a data file. Each of expected was among them.
void ExpectFullPathLoads(DWORD pid, const std::vector<std::string>& expected) {
  const std::vector<LoadCall> calls = SetupLoadCalls(pid);
  for (const LoadCall& call : calls) {
    SCOPED_TRACE(call.function + " \"" + call.file + "\"");
    if (SamePath(call.file, WindowsDir() + "WinHlp32.exe")) {
      EXPECT_EQ(call.function, "LoadLibraryExA");
      EXPECT_EQ(call.flags, static_cast<unsigned long>(LOAD_LIBRARY_AS_DATAFILE));
      continue;
    }
    const std::string dir = call.file.substr(0, call.file.find_last_of('\\') + 1);
    EXPECT_TRUE(SamePath(dir, SystemDir())) << "not a full path in the system directory";
    EXPECT_EQ(call.function, "LoadLibraryExA");
    EXPECT_EQ(call.flags, static_cast<unsigned long>(LOAD_WITH_ALTERED_SEARCH_PATH));
  }
  for (const std::string& name : expected) {
    bool seen = false;
    for (const LoadCall& call : calls)
      seen = seen || SamePath(call.file.substr(call.file.find_last_of('\\') + 1), name);
    EXPECT_TRUE(seen) << name << " was not loaded by setup (" << calls.size() << " calls seen)";
  }
}

using td::CurrentPage;
using td::Press;
using td::WaitForFrame;
using td::WaitForPage;

TEST(PlantedLibraries, UnattendedSetupInstallsAndMapsNone) {
  Plant();
  td::Process setup;
  ASSERT_TRUE(StartPlanted(&setup, "SETUPVDL.EXE", "-u", true));
  EXPECT_EQ(Finish(setup, 60000), 0u);
  EXPECT_TRUE(td::FileExists(SystemDir() + "VDLite.dll"));
  EXPECT_FALSE(td::FileExists("C:\\SetupVDL.ERR"));
  ExpectNoMarkerMapped();
  ExpectFullPathLoads(setup.pid(), {"version.dll"});
}

TEST(PlantedLibraries, UsageMessageMapsNone) {
  Plant();
  td::Process setup;
  ASSERT_TRUE(StartPlanted(&setup, "SETUPVDL.EXE", "/x", true));
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &box));
  EXPECT_EQ(box.text.rfind(kCaption, 0), 0u) << box.text;
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  EXPECT_EQ(Finish(setup, td::kWaitMs), 0u);
  ExpectNoMarkerMapped();
  ExpectFullPathLoads(setup.pid(), {});
}

// The welcome page borrows the help program's cursor; its link opens the
// home page; a file that cannot be copied ends the wizard with string 6.
TEST(PlantedLibraries, LinkAndCopyFailureMapNone) {
  Plant();
  PlaceHelpProgram();
  ASSERT_TRUE(url_recorder::Register("http"));
  ASSERT_TRUE(CreateDirectoryA((SystemDir() + "VDLite.dll").c_str(), nullptr));
  td::Process setup;
  ASSERT_TRUE(StartPlanted(&setup, "SETUPVDL.EXE", "", true));
  HWND frame = WaitForFrame(setup.pid());
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(WaitForPage(frame, kCaption));
  HWND link = GetDlgItem(CurrentPage(frame), IDC_HOME_PAGE_LINK);
  ASSERT_NE(link, nullptr);
  PostMessageA(link, WM_LBUTTONUP, 0, 0);
  std::string opened;
  EXPECT_TRUE(url_recorder::WaitForRecord(&opened));
  EXPECT_EQ(opened, kHomePage);
  ASSERT_TRUE(td::OpenCopyingPage(frame));
  Press(frame, PSBTN_NEXT);
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &box));
  EXPECT_EQ(box.text, "Setup is unable to copy file VDLite.dll\nto " + SystemDir() +
                          " directory.\nSetup can not be continued.\n\nPress OK to exit setup.");
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  EXPECT_EQ(Finish(setup, td::kWaitMs), 0u);
  ExpectNoMarkerMapped();
  ExpectFullPathLoads(setup.pid(), {"comctl32.dll", "shell32.dll", "version.dll", "WinHlp32.exe"});
}

TEST(PlantedLibraries, FinishOpensTheHelpFileAndMapsNone) {
  Plant();
  hv::PutOnSearchPath(WindowsDir() + "Help\\");
  td::Process setup;
  ASSERT_TRUE(StartPlanted(&setup, "SETUPVDL.EXE", "", true));
  HWND frame = WaitForFrame(setup.pid());
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(WaitForPage(frame, kCaption));
  ASSERT_TRUE(td::OpenCopyingPage(frame));
  Press(frame, PSBTN_NEXT);  // the worker installs and presses Next itself
  ASSERT_TRUE(WaitForPage(frame, "Where To Start From?"));
  Press(frame, PSBTN_NEXT);
  ASSERT_TRUE(WaitForPage(frame, "Setup Completed"));
  ASSERT_EQ(IsDlgButtonChecked(CurrentPage(frame), IDC_OPEN_OVERVIEW), static_cast<UINT>(BST_CHECKED));
  Press(frame, PSBTN_FINISH);
  EXPECT_EQ(Finish(setup, td::kWaitMs), 0u);
  HWND help = hv::WaitForTopic();
  EXPECT_NE(help, nullptr) << "no help topic shown after Finish";
  if (help != nullptr) {
    EXPECT_EQ(hv::FirstLine(hv::TopicText(help)), "Overview");
  }
  hv::CloseViewer();
  ExpectNoMarkerMapped();
  ExpectFullPathLoads(setup.pid(), {"comctl32.dll", "version.dll", "WinHlp32.exe"});
}

}  // namespace

// Run by the shell for http: URLs, or the tests.
int main(int argc, char** argv) { return url_recorder::Main(argc, argv); }
