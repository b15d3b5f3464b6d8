// The read-only checks of an earlier installation, against the prefix's
// registry. Wineboot consumes PendingFileRenameOperations only at the start
// of a session, so a value set here stays for the call.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "driver/setup_state.h"
#include "engine/checks.h"
#include "engine/registry.h"
#include "engine_test_support.h"
#include "test_driver.h"

using namespace engine_test;
using namespace std::string_literals;

namespace {

class InstalledStateCheck : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr))); }
  void TearDown() override { CloseSetupEvents(); }
};

using RestartPending = InstalledStateCheck;
using InstalledVersion = InstalledStateCheck;

bool SetPending(const std::string& raw, DWORD type = REG_MULTI_SZ) {
  return td::SetRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", type, raw.data(),
                         static_cast<DWORD>(raw.size()));
}

bool SetVersion(DWORD type, const void* data, DWORD size) {
  return td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", type, data, size);
}

TEST_F(RestartPending, MissingValueIsFalse) {
  td::DeleteRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations");
  EXPECT_FALSE(IsRestartPending());
}

TEST_F(RestartPending, DeletionPairOfTheDllIsTrue) {
  ASSERT_TRUE(SetPending("\\??\\" + SystemDir() + "VDLite.dll\0\0\0"s));
  EXPECT_TRUE(IsRestartPending());
}

TEST_F(RestartPending, NameOnlyInATargetAfterEmptyTargetsIsTrue) {
  std::string value = "\\??\\C:\\a.tmp\0\0\\??\\C:\\b.tmp\0\0\\??\\C:\\c.tmp\0\0"s +
                      "\\??\\C:\\new.bin\0!\\??\\C:\\windows\\system32\\vdlite.dll\0\0"s;
  ASSERT_TRUE(SetPending(value));
  EXPECT_TRUE(IsRestartPending());
}

TEST_F(RestartPending, NameInAnyCaseIsTrue) {
  for (const char* name : {"VDLITE.DLL", "vdlite.dll", "VdLite.Dll", "oldvdlite.dll.bak"}) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(SetPending("\\??\\C:\\x\\"s + name + "\0\0\0"s));
    EXPECT_TRUE(IsRestartPending());
  }
}

TEST_F(RestartPending, OtherFilesOnlyIsFalse) {
  std::string value = "\\??\\" + SystemDir() + "VDLite.exe\0\0\\??\\" + HelpDir() + "VDLite.hlp\0\0"s +
                      "\\??\\C:\\vdlite.dl\0\\??\\C:\\other.dll\0\0"s;
  ASSERT_TRUE(SetPending(value));
  EXPECT_FALSE(IsRestartPending());
}

TEST_F(RestartPending, ValueOver4096BytesIsFalse) {
  std::string fits = "\\??\\C:\\VDLite.dll\0\0"s;
  fits += std::string(4096 - fits.size() - 2, 'p') + "\0\0"s;
  ASSERT_EQ(fits.size(), 4096u);
  ASSERT_TRUE(SetPending(fits));
  EXPECT_TRUE(IsRestartPending());
  std::string over = "\\??\\C:\\VDLite.dll\0\0"s + std::string(4096, 'p') + "\0\0"s;
  ASSERT_TRUE(SetPending(over));
  EXPECT_FALSE(IsRestartPending());
}

TEST_F(RestartPending, UnterminatedLastStringIsSearched) {
  // 4096 bytes, the last string without a NUL and naming the DLL at its end.
  std::string value = "\\??\\C:\\a.tmp\0\0"s;
  value += std::string(4096 - value.size() - 10, 'q') + "VDLITE.DLL";
  ASSERT_EQ(value.size(), 4096u);
  // The A call counts a NUL that follows the data as a forgotten terminator:
  // a byte that is no NUL keeps the value unterminated.
  std::string buffer = value + '#';
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", REG_MULTI_SZ,
                              buffer.data(), 4096));
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", &type, &data));
  ASSERT_EQ(data, value);
  EXPECT_TRUE(IsRestartPending());
}

TEST_F(RestartPending, RegSzValueIsFalse) {
  ASSERT_TRUE(SetPending("\\??\\C:\\windows\\system32\\VDLite.dll\0"s, REG_SZ));
  EXPECT_FALSE(IsRestartPending());
}

TEST_F(RestartPending, ChecksOnlyRead) {
  ASSERT_TRUE(SetPending("\\??\\C:\\VDLite.dll\0\0\0"s));
  EXPECT_TRUE(IsRestartPending());
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", &type, &data));
  EXPECT_EQ(data, "\\??\\C:\\VDLite.dll\0\0\0"s);  // not lower-cased in the registry
  EXPECT_EQ(GetInstalledVersion(), 0u);
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
}

TEST_F(InstalledVersion, MissingKeyOrValueIsZero) {
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_EQ(GetInstalledVersion(), 0u);
  DWORD other = 5;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Other", REG_DWORD, &other, 4));
  EXPECT_EQ(GetInstalledVersion(), 0u);
}

TEST_F(InstalledVersion, ZeroOrAnotherTypeIsZero) {
  DWORD zero = 0;
  ASSERT_TRUE(SetVersion(REG_DWORD, &zero, 4));
  EXPECT_EQ(GetInstalledVersion(), 0u);
  ASSERT_TRUE(SetVersion(REG_SZ, "1", 2));
  EXPECT_EQ(GetInstalledVersion(), 0u);
  const unsigned char four[4] = {0, 0, 0, 1};
  ASSERT_TRUE(SetVersion(REG_BINARY, four, 4));
  EXPECT_EQ(GetInstalledVersion(), 0u);
  const unsigned char eight[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_TRUE(SetVersion(REG_BINARY, eight, 8));
  EXPECT_EQ(GetInstalledVersion(), 0u);
}

TEST_F(InstalledVersion, NonZeroDwordIsReturned) {
  for (DWORD version : {0x01000000u, 1u, 0x00020003u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(version);
    ASSERT_TRUE(SetVersion(REG_DWORD, &version, 4));
    EXPECT_EQ(GetInstalledVersion(), version);
  }
}

TEST_F(InstalledVersion, WhatWriteRegistryStoresIsFound) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_TRUE(WriteRegistry());
  EXPECT_EQ(GetInstalledVersion(), 0x01000000u);
}

}  // namespace
