// VDLPUSH.EXE, the deployment program, run from the build's folder beside
// SETUPVDL.EXE as from a share: the exit codes that deployment tools read,
// its line, and its event. Wine 8 keeps no event log; what ReportEvent was
// given shows in Wine's "eventlog" trace channel: "trace:" for information,
// "warn:" for a warning, "err:" for an error.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine_test_support.h"
#include "test_driver.h"

using namespace engine_test;

namespace {

const char kCaption[] = "Vandrel Lite 1.0 Setup";
const std::string::size_type npos = std::string::npos;

struct PushRun {
  DWORD code = 12345;
  std::string output;  // its line, then Wine's trace of the run
  size_t traceFrom = 0;
};

std::string OutputPath(int slot) { return TempDir() + "vdlpush-" + std::to_string(slot) + ".txt"; }

// Wine's traces go to the case's own output, whatever the child's handles.
bool StartPush(const std::string& args, td::Process* process, int slot, PushRun* run,
               const std::string& dir = td::BinDir()) {
  run->traceFrom = td::ReadWineLog().size();
  SetEnvironmentVariableA("WINEDEBUG", "+eventlog");
  bool started =
      process->Start("\"" + dir + "VDLPUSH.EXE\"" + (args.empty() ? "" : " " + args), OutputPath(slot).c_str());
  SetEnvironmentVariableA("WINEDEBUG", "-all");
  return started;
}

void FinishPush(td::Process* process, int slot, PushRun* run) {
  if (!process->WaitExit(60000, &run->code)) process->Kill();
  td::ReadWholeFile(OutputPath(slot), &run->output);
  std::string trace = td::ReadWineLog();
  if (trace.size() > run->traceFrom) run->output += trace.substr(run->traceFrom);
}

PushRun RunPush(const std::string& args, const std::string& dir = td::BinDir()) {
  td::Process process;
  PushRun run;
  if (StartPush(args, &process, 0, &run, dir)) FinishPush(&process, 0, &run);
  return run;
}

// A folder that holds a copy of the program and, unless setup is empty,
// that file as its SETUPVDL.EXE.
std::string MakeShare(const char* dir, const std::string& setup) {
  CreateDirectoryA(dir, nullptr);
  CopyFileA((td::BinDir() + "VDLPUSH.EXE").c_str(), (std::string(dir) + "VDLPUSH.EXE").c_str(), FALSE);
  if (!setup.empty()) CopyFileA(setup.c_str(), (std::string(dir) + "SETUPVDL.EXE").c_str(), FALSE);
  return dir;
}

std::string InstalledDll() { return SystemDir() + "VDLite.dll"; }

// Longer than setup's 512-byte buffer: its last row fails, after Version.
bool SeedTooLongBootList() {
  std::vector<std::string> entries = {kNormalBootList};
  for (int i = 0; i < 30; ++i) entries.push_back("autocheck chkx" + std::to_string(100 + i));
  return td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", entries);
}

TEST(DeployProgram, CompleteRunAnswersZeroAndCheckOnlyReadsBeforeAndAfter) {
  ASSERT_TRUE(SeedNormalBootList());
  PushRun check = RunPush("/check");
  EXPECT_EQ(check.code, 1605u) << check.output;
  EXPECT_EQ(check.output.find("ReportEventW"), npos) << check.output;
  PushRun run = RunPush("");
  EXPECT_EQ(run.code, 0u) << run.output;
  EXPECT_NE(run.output.find("trace:eventlog:ReportEventW L\"Vandrel Lite 1.0 is installed completely.\""), npos)
      << run.output;
  check = RunPush("/CHECK");
  EXPECT_EQ(check.code, 0u) << check.output;
}

TEST(DeployProgram, FailedLastRowAnswers1603WithAnErrorEventAndCheckAgrees) {
  ASSERT_TRUE(SeedTooLongBootList());
  PushRun run = RunPush("");
  EXPECT_EQ(run.code, 1603u) << run.output;
  EXPECT_NE(run.output.find("err:eventlog:ReportEventW L\"Vandrel Lite 1.0 is not installed completely; missing: "
                            "vdlite.exe in BootExecute\""),
            npos)
      << run.output;
  EXPECT_EQ(RunPush("/check").code, 1605u);
}

TEST(DeployProgram, SetupFailingAtItsFirstFileAnswers1603AndLeavesTheOldInstallation) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_EQ(RunPush("").code, 0u);
  // Held without sharing, the installed DLL cannot be replaced.
  HANDLE held = CreateFileA(InstalledDll().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  PushRun run = RunPush("");
  CloseHandle(held);
  EXPECT_EQ(run.code, 1603u) << run.output;
  EXPECT_NE(run.output.find("setup failed before it wrote its registry entries"), npos) << run.output;
  EXPECT_EQ(RunPush("/check").code, 0u);
}

// The shipping 32-bit setup on 64-bit Windows puts its files in SysWOW64
// and its Version under Wow6432Node, and the boot program cannot run from
// there. A 32-bit Windows (the i686 tree's prefix, as NT 4.0) has neither.
TEST(DeployProgram, ThirtyTwoBitInstallationOnSixtyFourBitWindowsIsNotComplete) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_EQ(RunPush("").code, 0u);
  const std::string wow = WindowsDir() + "SysWOW64\\";
  const bool sixtyFour = GetFileAttributesA(wow.c_str()) != INVALID_FILE_ATTRIBUTES;
  if (sixtyFour) {
    DWORD version = 0x01000000;
    ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\VandrelSoft\\Vandrel Lite", "Version",
                                REG_DWORD, &version, sizeof version));
    ASSERT_TRUE(td::DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey));
    for (const char* name : {"VDLite.dll", "VDLite.exe"})
      ASSERT_TRUE(MoveFileA((SystemDir() + name).c_str(), (wow + name).c_str())) << name;
  }
  PushRun check = RunPush("/check");
  EXPECT_EQ(check.code, sixtyFour ? 1605u : 0u) << check.output;
  EXPECT_EQ(check.output.find("installed for 32-bit Windows") != npos, sixtyFour) << check.output;
}

TEST(DeployProgram, OpenSetupWindowAnswers1618AndNothingIsInstalled) {
  ASSERT_TRUE(SeedNormalBootList());
  td::Process wizard;
  ASSERT_TRUE(td::StartSetup("", &wizard));
  ASSERT_NE(td::WaitForWindow("#32770", kCaption, wizard.pid()), nullptr);
  PushRun run = RunPush("");
  wizard.Kill();
  EXPECT_EQ(run.code, 1618u) << run.output;
  EXPECT_NE(run.output.find("warn:eventlog:ReportEventW L\"another installation is in progress: a window of setup is "
                            "open; nothing was started.\""),
            npos)
      << run.output;
  EXPECT_FALSE(td::FileExists(InstalledDll()));
}

TEST(DeployProgram, SecondProgramWhileOneRunsAnswers1618) {
  ASSERT_TRUE(SeedNormalBootList());
  // The first runs a stand-in for setup that waits for the test.
  std::string held = MakeShare("C:\\held\\", td::BinDir() + "setup_standin.exe");
  HANDLE go = CreateEventA(nullptr, TRUE, FALSE, "VdlStandinGo");
  td::Process first;
  PushRun one;
  ASSERT_TRUE(StartPush("", &first, 1, &one, held));
  ASSERT_TRUE(td::WaitUntil([] {
    HANDLE runs = OpenEventA(SYNCHRONIZE, FALSE, "VdlStandinRuns");
    if (runs != nullptr) CloseHandle(runs);
    return runs != nullptr;
  }));
  PushRun second = RunPush("");
  SetEvent(go);
  FinishPush(&first, 1, &one);
  CloseHandle(go);
  EXPECT_EQ(second.code, 1618u) << second.output;
  EXPECT_EQ(one.code, 1603u) << one.output;  // the stand-in installed nothing
  EXPECT_FALSE(td::FileExists(InstalledDll()));
  EXPECT_EQ(RunPush("").code, 0u);  // the lock ended with its holder
}

TEST(DeployProgram, NothingPlantedWhereTheOldWrapperWroteIsFollowedOrImported) {
  ASSERT_TRUE(SeedNormalBootList());
  // Its export name (fixed on NT 4.0), its lock folder, and its log: a hard
  // link to another file, held open so that setup cannot delete it.
  ASSERT_TRUE(td::WriteWholeFile(TempDir() + "VandrelLite-.reg",
                                 "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Planted]\r\n"));
  ASSERT_TRUE(CreateDirectoryA((WindowsDir() + "VandrelLite.lock").c_str(), nullptr));
  ASSERT_TRUE(td::WriteWholeFile("C:\\victim.txt", "keep"));
  ASSERT_TRUE(CreateHardLinkA("C:\\SetupVDL.ERR", "C:\\victim.txt", nullptr));
  HANDLE log = CreateFileA("C:\\SetupVDL.ERR", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
  PushRun run = RunPush("");
  CloseHandle(log);
  EXPECT_EQ(run.code, 0u) << run.output;
  std::string victim;
  EXPECT_TRUE(td::ReadWholeFile("C:\\victim.txt", &victim) && victim == "keep") << victim;
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Planted"));
}

TEST(DeployProgram, MissingSetupAndUnknownArgumentAnswerTheirCodes) {
  EXPECT_EQ(RunPush("", MakeShare("C:\\deploy share\\", "")).code, 1619u);
  EXPECT_EQ(RunPush("/u").code, 1639u);
  EXPECT_FALSE(td::FileExists(InstalledDll()));
}

}  // namespace
