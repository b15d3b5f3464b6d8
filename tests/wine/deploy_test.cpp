// deploy\install.cmd under Wine's own cmd.exe: the exit codes that deployment
// tools read, run from a folder that holds the wrapper and SETUPVDL.EXE, as a
// share does.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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

// cmd.exe /c on the wrapper in dir, quoted as the deployment guide writes it.
void RunWrapper(const std::string& dir, const std::string& args, WrapperRun* run) {
  std::string outputPath = TempDir() + "install-output.txt";
  std::string command = "cmd.exe /c \"\"" + dir + "install.cmd\"" + (args.empty() ? "" : " " + args) + "\"";
  td::Process cmd;
  ASSERT_TRUE(cmd.Start(command, outputPath.c_str()));
  bool ended = cmd.WaitExit(60000, &run->exitCode);
  if (!ended) cmd.Kill();
  ASSERT_TRUE(ended) << command << " did not end";
  ASSERT_TRUE(td::ReadWholeFile(outputPath, &run->output));
}

bool VersionWritten() {
  DWORD type = 0;
  std::string data;
  return td::QueryRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", &type, &data) && type == REG_DWORD &&
         data == std::string("\0\0\0\x01", 4);
}

const char kShare[] = "C:\\deploy\\";

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

TEST(DeployWrapper, CheckReportsBeforeAndAfterAnInstallation) {
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
  // A zero Version is what the wizard takes for no installation.
  DWORD zero = 0;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, &zero, sizeof zero));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 1605u) << run.output;
  // The shipping 32-bit setup writes there on 64-bit Windows.
  ASSERT_TRUE(td::DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey));
  DWORD version = 0x01000000;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\VandrelSoft\\Vandrel Lite", "Version",
                              REG_DWORD, &version, sizeof version));
  ASSERT_NO_FATAL_FAILURE(RunWrapper(kShare, "/check", &run));
  EXPECT_EQ(run.exitCode, 0u) << run.output;
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
