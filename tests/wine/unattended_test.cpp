// SETUPVDL.EXE -u end to end, in the prefix's file system and registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "driver/setup_state.h"
#include "engine_test_support.h"
#include "import_patch.h"
#include "resource.h"
#include "test_driver.h"

using namespace engine_test;
using namespace std::string_literals;

namespace {

const char kLogPath[] = "C:\\SetupVDL.ERR";
const std::string kLogText = "Unattended installation of Vandrel Lite 1.0 failed. ";
const char* const kInstalledFiles[] = {"VDLite.dll", "VDLite.exe", "VDLite.hlp", "VDLite.cnt"};

std::string InstalledPath(int index) { return (index < 2 ? SystemDir() : HelpDir()) + kInstalledFiles[index]; }

// Runs setup to its end; no window may appear on the way (a message box would
// also keep it from ending within the time-out).
void RunUnattended(const std::string& args, const std::string& exe = td::SetupExePath()) {
  td::Process setup;
  ASSERT_TRUE(setup.Start("\"" + exe + "\" " + args));
  bool windowSeen = false;
  DWORD exitCode = 12345;
  bool ended = td::WaitExitWithoutWindow(&setup, td::kWaitMs, &exitCode, &windowSeen);
  ASSERT_FALSE(windowSeen);
  ASSERT_TRUE(ended) << "setup " << args << " did not end";
  EXPECT_EQ(exitCode, 0u);
}

void ExpectAllFilesInstalled() {
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(InstalledPath(i));
    FileTimes times;
    ASSERT_TRUE(ReadFileTimes(InstalledPath(i), &times));
    EXPECT_EQ(times.write, ExpectedStampUtc());
    std::string content;
    ASSERT_TRUE(td::ReadWholeFile(InstalledPath(i), &content));
    EXPECT_GT(content.size(), 0u);
    EXPECT_NE(content.compare(0, 4, "SZDD"), 0);  // expanded, not stored
  }
  std::string dll;
  ASSERT_TRUE(td::ReadWholeFile(InstalledPath(0), &dll));
  EXPECT_EQ(dll.substr(0, 2), "MZ");
}

void ExpectRegistryWritten() {
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(td::QueryRegValue(HKEY_CLASSES_ROOT, kInprocKey, "", &type, &data));
  EXPECT_EQ(data, SystemDir() + "VDLITE.DLL\0"s);
  ASSERT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, "\0\0\0\x01"s);
  ASSERT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", &type, &data));
  EXPECT_EQ(data, "autocheck autochk *\0vdlite.exe\0\0"s);
}

std::string ReadLog() {
  std::string log;
  return td::ReadWholeFile(kLogPath, &log) ? log : "<no log>";
}

class UnattendedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryA(HelpDir().c_str(), nullptr);
    ASSERT_FALSE(td::FileExists(kLogPath));
  }
};

TEST_F(UnattendedRun, DashUInstallsFilesAndRegistryAndLeavesNoLog) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  ExpectAllFilesInstalled();
  ExpectRegistryWritten();
  EXPECT_FALSE(td::FileExists(kLogPath));
}

TEST_F(UnattendedRun, SlashUAndBlanksAroundTheSwitchInstallAsWell) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(RunUnattended("/u"));
  ExpectAllFilesInstalled();
  ExpectRegistryWritten();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(DeleteFileA(InstalledPath(i).c_str()));
  ASSERT_NO_FATAL_FAILURE(RunUnattended("  -u  "));
  ExpectAllFilesInstalled();
  ExpectRegistryWritten();  // vdlite.exe still once
  EXPECT_FALSE(td::FileExists(kLogPath));
}

TEST_F(UnattendedRun, OldReadOnlyLogIsRemovedBySuccess) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_TRUE(td::WriteWholeFile(kLogPath, "an old log"));
  ASSERT_TRUE(SetFileAttributesA(kLogPath, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  ExpectAllFilesInstalled();
  EXPECT_FALSE(td::FileExists(kLogPath));
}

TEST_F(UnattendedRun, FailingFirstEntryInstallsNothingAndWritesTheLog) {
  ASSERT_TRUE(SeedNormalBootList());
  // A directory where the DLL should go cannot be replaced by a file.
  ASSERT_TRUE(CreateDirectoryA(InstalledPath(0).c_str(), nullptr));
  ASSERT_TRUE(td::WriteWholeFile(kLogPath, "an old log, longer than the new one will be"));
  ASSERT_TRUE(SetFileAttributesA(kLogPath, FILE_ATTRIBUTE_READONLY));
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(td::FileExists(InstalledPath(i))) << InstalledPath(i);
  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kClsidKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", &type, &data));
  EXPECT_EQ(data, "autocheck autochk *\0\0"s);
  EXPECT_EQ(ReadLog(), kLogText);
  EXPECT_FALSE(StagingLeft());
}

// Right after the old log's deletion another user links its name to a file
// of theirs: that file stays as it was.
decltype(&DeleteFileA) g_realDeleteFileA = nullptr;
BOOL WINAPI DeleteThenLink(LPCSTR path) {
  BOOL deleted = g_realDeleteFileA(path);
  if (lstrcmpiA(path, kLogPath) == 0) CreateHardLinkA(kLogPath, "C:\\theirs.txt", nullptr);
  return deleted;
}

TEST_F(UnattendedRun, LinkPlantedWhereTheLogGoesIsNotFollowed) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  ASSERT_TRUE(CreateDirectoryA(InstalledPath(0).c_str(), nullptr));  // the first entry fails
  ASSERT_TRUE(td::WriteWholeFile("C:\\theirs.txt", "theirs"));
  td::ImportPatch link(GetModuleHandleA(nullptr), "kernel32.dll", "DeleteFileA",
                       reinterpret_cast<void*>(DeleteThenLink));
  g_realDeleteFileA = reinterpret_cast<decltype(&DeleteFileA)>(link.original());
  RunUnattendedSetup("-u");
  EXPECT_EQ(ReadLog(), "theirs");
}

TEST_F(UnattendedRun, RegistryFailureKeepsTheFilesAndWritesTheLog) {
  // A fresh prefix has no BootExecute value: the last row fails.
  td::DeleteRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute");
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  ExpectAllFilesInstalled();
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", &type, &data));
  EXPECT_EQ(ReadLog(), kLogText);
}

TEST_F(UnattendedRun, TwoFailedRunsLeaveOneIdenticalLog) {
  ASSERT_TRUE(SeedBootList("autocheck autochk *\0"s, REG_SZ));
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  std::string first = ReadLog();
  EXPECT_EQ(first, kLogText);
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  EXPECT_EQ(ReadLog(), first);
  // One log only: nothing else named like it next to it.
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("C:\\SetupVDL*", &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  int count = 1;
  while (FindNextFileA(search, &found)) ++count;
  FindClose(search);
  EXPECT_EQ(count, 1);
}

TEST_F(UnattendedRun, SecondRunOverAnInstallationSucceeds) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  ASSERT_TRUE(SetFileAttributesA(InstalledPath(2).c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_NO_FATAL_FAILURE(RunUnattended("-u"));
  ExpectAllFilesInstalled();
  ExpectRegistryWritten();
  EXPECT_FALSE(td::FileExists(kLogPath));
}

// Each stored file with one byte changed, then a copy cut short by a few
// bytes (which the loader still maps): refused before anything is written.
TEST_F(UnattendedRun, DamagedOrCutCopyWritesNothingButTheLog) {
  ASSERT_TRUE(SeedNormalBootList());
  const std::string copy = "C:\\SETUPVDL.EXE";
  for (int id : {IDR_PAYLOAD_DLL, IDR_PAYLOAD_HLP, IDR_PAYLOAD_CNT, IDR_PAYLOAD_EXE, IDR_LICENSE_TEXT, 0}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(WriteDamagedSetup(copy, id, id == 0 ? 16 : 0));
    ASSERT_NO_FATAL_FAILURE(RunUnattended("-u", copy));
    EXPECT_EQ(ReadLog(),
              "Unattended installation of Vandrel Lite 1.0 failed: the setup file is damaged and a new "
              "copy of it is needed. ");
    EXPECT_FALSE(td::FileExists(InstalledPath(0)));
    EXPECT_FALSE(StagingLeft());
  }
  // Cut in what the loader maps: the system refuses to start it.
  ASSERT_TRUE(WriteDamagedSetup(copy, 0, 600));
  td::Process refused;
  EXPECT_FALSE(refused.Start("\"" + copy + "\" -u"));
}

}  // namespace
