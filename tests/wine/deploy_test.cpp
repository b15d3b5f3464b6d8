// deploy\install.cmd under Wine's own cmd.exe: the exit codes that deployment
// tools read, run from a folder that holds the wrapper and SETUPVDL.EXE, as a
// share does.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "test_driver.h"

using namespace engine_test;

namespace {

const char kLogPath[] = "C:\\SetupVDL.ERR";
const char kLogSentence[] = "Unattended installation of Vandrel Lite 1.0 failed.";

std::string InstalledDll() { return SystemDir() + "VDLite.dll"; }

// Makes the folder (and its parents) and copies the wrapper into it, with
// setupSource as its SETUPVDL.EXE unless that is empty.
void MakeShare(const std::string& dir, const std::string& setupSource) {
  for (size_t at = dir.find('\\', 3); at != std::string::npos; at = dir.find('\\', at + 1))
    CreateDirectoryA(dir.substr(0, at).c_str(), nullptr);
  ASSERT_TRUE(CopyFileA((td::BinDir() + "install.cmd").c_str(), (dir + "install.cmd").c_str(), FALSE));
  if (!setupSource.empty()) {
    ASSERT_TRUE(CopyFileA(setupSource.c_str(), (dir + "SETUPVDL.EXE").c_str(), FALSE));
  }
}

struct WrapperRun {
  DWORD exitCode = 12345;
  std::string output;
};

// cmd.exe /c on the wrapper in dir, quoted as the deployment guide writes it;
// its output goes to the file named by tag in the temporary directory.
void StartWrapper(const std::string& dir, const std::string& args, const std::string& tag, td::Process* cmd) {
  std::string outputPath = TempDir() + "install-output-" + tag + ".txt";
  std::string command = "cmd.exe /c \"\"" + dir + "install.cmd\"" + (args.empty() ? "" : " " + args) + "\"";
  ASSERT_TRUE(cmd->Start(command, outputPath.c_str())) << command;
}

void FinishWrapper(td::Process* cmd, const std::string& tag, WrapperRun* run) {
  bool ended = cmd->WaitExit(60000, &run->exitCode);
  if (!ended) cmd->Kill();
  ASSERT_TRUE(ended) << "install.cmd (" << tag << ") did not end";
  ASSERT_TRUE(td::ReadWholeFile(TempDir() + "install-output-" + tag + ".txt", &run->output));
}

void RunWrapper(const std::string& dir, const std::string& args, WrapperRun* run) {
  td::Process cmd;
  ASSERT_NO_FATAL_FAILURE(StartWrapper(dir, args, "single", &cmd));
  ASSERT_NO_FATAL_FAILURE(FinishWrapper(&cmd, "single", run));
}

bool VersionWritten() {
  DWORD type = 0;
  std::string data;
  return td::QueryRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", &type, &data) && type == REG_DWORD &&
         data == std::string("\0\0\0\x01", 4);
}

const char kShare[] = "C:\\deploy\\";
const char kCaption[] = "Vandrel Lite 1.0 Setup";

// A BootExecute list longer than setup's 512-byte buffer: the registry step
// fails after Version was written.
bool SeedTooLongBootList() {
  std::vector<std::string> entries = {kNormalBootList};
  for (int i = 0; i < 30; ++i) entries.push_back("autocheck chkx" + std::to_string(100 + i));
  return td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", entries);
}

// The folder that one running wrapper holds.
std::string LockDir() { return WindowsDir() + "VandrelLite.lock"; }

bool DirExists(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Sets the lock folder's times to minutes ago.
bool AgeLock(int minutes) {
  HANDLE dir = CreateFileA(LockDir().c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (dir == INVALID_HANDLE_VALUE) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t ticks = Ticks(now) - static_cast<uint64_t>(minutes) * 60 * 10000000ULL;
  FILETIME then = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  BOOL ok = SetFileTime(dir, &then, &then, &then);
  CloseHandle(dir);
  return ok != FALSE;
}

TEST(DeployWrapper, SuccessAnswersZeroWithTheProductInstalled) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_TRUE(td::FileExists(InstalledDll()));
  EXPECT_TRUE(VersionWritten());
  EXPECT_FALSE(td::FileExists(kLogPath));
}

TEST(DeployWrapper, FailureAnswers1603AndPrintsTheLogSentence) {
  ASSERT_TRUE(SeedNormalBootList());
  // A directory where the DLL should go cannot be replaced by a file.
  ASSERT_TRUE(CreateDirectoryA(InstalledDll().c_str(), nullptr));
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 1603u) << run.output;
  EXPECT_NE(run.output.find(kLogSentence), std::string::npos) << run.output;
}

TEST(DeployWrapper, SetupThatDoesNotEndNormallyAnswers1603) {
  // A stand-in that ends with exit code 1 and leaves no log, as a crash would.
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, SystemDir() + "hostname.exe"));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_FALSE(td::FileExists(kLogPath));
  EXPECT_EQ(run.exitCode, 1603u) << run.output;
}

TEST(DeployWrapper, MissingSetupAnswersItsOwnCode) {
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, ""));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 1619u) << run.output;
  EXPECT_FALSE(td::FileExists(InstalledDll()));
}

// What the shipping 32-bit setup leaves on a 64-bit Windows: its files in
// SysWOW64 and its version under Wow6432Node, and nothing in the native view.
void MoveToThirtyTwoBitView(const std::string& wow) {
  ASSERT_TRUE(td::DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey));
  DWORD version = 0x01000000;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\VandrelSoft\\Vandrel Lite", "Version",
                              REG_DWORD, &version, sizeof version));
  for (const char* name : {"VDLite.dll", "VDLite.exe"}) {
    ASSERT_TRUE(MoveFileA((SystemDir() + name).c_str(), (wow + name).c_str())) << name;
  }
}

TEST(DeployWrapper, CheckReportsOnlyACompleteInstallation) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  EXPECT_FALSE(td::FileExists(InstalledDll()));  // it changes nothing
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  ASSERT_EQ(run.exitCode, 0u) << run.output;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_NE(run.output.find("0x1000000"), std::string::npos) << run.output;
  // Each part of the installation on its own: without it the check fails
  // and names it.
  const std::string cnt = HelpDir() + "VDLite.cnt";
  ASSERT_TRUE(MoveFileA(cnt.c_str(), (cnt + ".away").c_str()));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  EXPECT_NE(run.output.find("VDLite.cnt"), std::string::npos) << run.output;
  ASSERT_TRUE(MoveFileA((cnt + ".away").c_str(), cnt.c_str()));
  // A zero Version is what the wizard takes for no installation.
  DWORD zero = 0;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, &zero, sizeof zero));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  EXPECT_NE(run.output.find("Version"), std::string::npos) << run.output;
  // The shipping 32-bit setup writes to SysWOW64 and under Wow6432Node on
  // 64-bit Windows; a 32-bit Windows (the i686 tree's prefix) has neither.
  const std::string wow = WindowsDir() + "SysWOW64\\";
  const DWORD wowAttributes = GetFileAttributesA(wow.c_str());
  if (wowAttributes != INVALID_FILE_ATTRIBUTES && (wowAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    ASSERT_NO_FATAL_FAILURE(MoveToThirtyTwoBitView(wow));
  } else {
    DWORD version = 0x01000000;
    ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, &version, sizeof version));
  }
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  // "vdlite.exe" must stand in BootExecute as an entry of its own.
  ASSERT_TRUE(td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute",
                                {kNormalBootList, "vdlite.exe.old", "xvdlite.exe"}));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  EXPECT_NE(run.output.find("BootExecute"), std::string::npos) << run.output;
  // Setup takes an entry in another case for its own.
  ASSERT_TRUE(td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", {"VDLite.EXE", kNormalBootList}));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
}

TEST(DeployWrapper, RegistryFailureAfterVersionIsRetriedUntilComplete) {
  // Setup's registry step fails at its last row, BootExecute.
  ASSERT_TRUE(SeedTooLongBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 1603u) << run.output;
  ASSERT_TRUE(VersionWritten());
  // So the startup script and the playbook try this machine again.
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_NE(run.exitCode, 0u) << run.output;
  EXPECT_NE(run.output.find("vdlite.exe in BootExecute"), std::string::npos) << run.output;
  // The cause removed, the next push completes the installation.
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
}

// NT 4.0 and Windows 2000 without its Support Tools have no reg.exe: the
// wrapper reads the values from exports of regedit, here a stand-in that
// writes them as NT 4.0's regedit does.
TEST(DeployWrapper, WithoutRegExeTheValuesAreReadFromRegeditExports) {
  const std::string reg = SystemDir() + "reg.exe";
  const std::string regedit = WindowsDir() + "regedit.exe";
  // Moved away, not overwritten: the prefix shares Wine's files with others.
  ASSERT_TRUE(MoveFileA(reg.c_str(), (reg + ".away").c_str()));
  ASSERT_TRUE(MoveFileA(regedit.c_str(), (regedit + ".away").c_str()));
  ASSERT_TRUE(CopyFileA((td::BinDir() + "regedit_standin.exe").c_str(), regedit.c_str(), TRUE));
  // Nothing that the export holds is run, quotes and ampersands included
  // (a value's name comes before the "=" that splits the line).
  const char hostile[] = "a\" & echo injected> C:\\injected.txt & \"b";
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kSessionManager, hostile, REG_SZ, "x", 2));
  ASSERT_TRUE(SeedTooLongBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 1603u) << run.output;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  EXPECT_NE(run.output.find("missing: vdlite.exe in BootExecute"), std::string::npos) << run.output;
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_NE(run.output.find("0x01000000"), std::string::npos) << run.output;
  DWORD zero = 0;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, &zero, sizeof zero));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  // The files there, the vendor key gone: never an export of a missing key.
  ASSERT_TRUE(td::DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  EXPECT_FALSE(td::FileExists("C:\\injected.txt"));
  std::string refused;
  EXPECT_FALSE(td::ReadWholeFile("C:\\regedit-refused.txt", &refused)) << refused;
}

TEST(DeployWrapper, RunWithoutLogThatInstalledNothingAnswers1603) {
  // Setup ends normally without a log after a failure when it cannot write
  // the log; the stand-in does the same and installs nothing.
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::BinDir() + "setup_standin.exe"));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_FALSE(td::FileExists(kLogPath));
  EXPECT_EQ(run.exitCode, 1603u) << run.output;
  EXPECT_NE(run.output.find("not complete"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("VDLite.dll"), std::string::npos) << run.output;
}

TEST(DeployWrapper, OpenSetupWindowAnswers1618AndNothingIsInstalled) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  // The usage message of an earlier start is a window of setup.
  td::Process usage;
  ASSERT_TRUE(td::StartSetup("/x", &usage));
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, usage.pid(), &box));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 1618u) << run.output;
  EXPECT_FALSE(td::FileExists(InstalledDll()));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_FALSE(td::FileExists(kLogPath));  // the wrapper's own line is gone
  EXPECT_FALSE(DirExists(LockDir()));
  EXPECT_TRUE(IsWindow(box.window));
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  EXPECT_TRUE(usage.WaitExit(td::kWaitMs, nullptr));
  // With the window closed the same push installs.
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
}

TEST(DeployWrapper, HeldLockAnswers1618AndAStaleOneIsTakenOver) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  // Another wrapper's lock, made a minute ago.
  ASSERT_TRUE(CreateDirectoryA(LockDir().c_str(), nullptr));
  ASSERT_TRUE(AgeLock(1));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 1618u) << run.output;
  EXPECT_FALSE(td::FileExists(InstalledDll()));
  EXPECT_TRUE(DirExists(LockDir()));  // not the refused run's to remove
  // Still young enough for a run that is under way.
  ASSERT_TRUE(AgeLock(100));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 1618u) << run.output;
  // Left by a run that was killed hours ago.
  ASSERT_TRUE(AgeLock(180));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_TRUE(td::FileExists(InstalledDll()));
  EXPECT_FALSE(DirExists(LockDir()));
}

TEST(DeployWrapper, TwoWrappersStartedTogetherLeaveOneCompleteInstallation) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  td::Process first, second;
  ASSERT_NO_FATAL_FAILURE(StartWrapper(kShare, "", "first", &first));
  ASSERT_NO_FATAL_FAILURE(StartWrapper(kShare, "", "second", &second));
  WrapperRun one, two;
  ASSERT_NO_FATAL_FAILURE(FinishWrapper(&first, "first", &one));
  ASSERT_NO_FATAL_FAILURE(FinishWrapper(&second, "second", &two));
  // Each answer is right: installed, or refused while the other ran.
  EXPECT_TRUE(one.exitCode == 0 || one.exitCode == 1618) << one.output;
  EXPECT_TRUE(two.exitCode == 0 || two.exitCode == 1618) << two.output;
  EXPECT_TRUE(one.exitCode == 0 || two.exitCode == 0) << one.output << two.output;
  EXPECT_FALSE(td::FileExists(kLogPath));
  EXPECT_FALSE(DirExists(LockDir()));
  WrapperRun check;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &check));
  EXPECT_EQ(check.exitCode, 0u) << check.output;
}

TEST(DeployWrapper, UnknownArgumentAnswers1639AndStartsNothing) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(kShare, td::SetupExePath()));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/u", &run));
  EXPECT_EQ(run.exitCode, 1639u) << run.output;
  EXPECT_FALSE(td::FileExists(InstalledDll()));
  EXPECT_FALSE(DirExists(LockDir()));
}

TEST(DeployWrapper, PathWithBlanksWorks) {
  const std::string share = "C:\\Program Files\\Deploy Share\\Vandrel Lite 1.0\\";
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(MakeShare(share, td::SetupExePath()));
  WrapperRun run;
  ASSERT_NO_FATAL_FAILURE(RunWrapper(share, "", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
  EXPECT_TRUE(td::FileExists(InstalledDll()));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(share, "/check", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
}

}  // namespace
