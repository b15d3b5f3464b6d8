// The registry layout written by WriteRegistry, in the prefix's registry.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "driver/setup_state.h"
#include "engine/registry.h"
#include "engine_test_support.h"
#include "test_driver.h"

using namespace engine_test;
using namespace std::string_literals;

namespace {

struct Row {
  HKEY root;
  const char* key;
  const char* name;
  DWORD type;
  std::string data;
};

std::string Dword(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), sizeof value); }

// Rows 1 to 13; BootExecute is checked on its own.
std::vector<Row> LayoutRows() {
  return {
      {HKEY_CLASSES_ROOT, kClsidKey, "", REG_SZ, "Vandrel Lite 1.0\0"s},
      {HKEY_CLASSES_ROOT, kInprocKey, "", REG_SZ, SystemDir() + "VDLITE.DLL\0"s},
      {HKEY_CLASSES_ROOT, kInprocKey, "ThreadingModel", REG_SZ, "Apartment\0"s},
      {HKEY_CLASSES_ROOT, kHandlerKey, "", REG_SZ, std::string(kClsidText) + '\0'},
      {HKEY_LOCAL_MACHINE, kApprovedKey, kClsidText, REG_SZ, "Vandrel Lite 1.0\0"s},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", REG_SZ, "Vandrel Lite 1.0\0"s},
      {HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", REG_SZ, "Rundll32.exe VDLite.dll,Uninstall\0"s},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "BSOD", REG_DWORD, Dword(0)},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "Status", REG_DWORD, Dword(0)},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "StartTime", REG_BINARY, std::string(8, '\0')},
      {HKEY_LOCAL_MACHINE, kLastLaunchKey, "FinishTime", REG_BINARY, std::string(8, '\0')},
      {HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, Dword(0x01000000)},
  };
}

void ExpectValue(HKEY root, const char* key, const char* name, DWORD type, const std::string& data) {
  SCOPED_TRACE(std::string(key) + " : " + name);
  DWORD actualType = 0;
  std::string actual;
  ASSERT_TRUE(td::QueryRegValue(root, key, name, &actualType, &actual));
  EXPECT_EQ(actualType, type);
  EXPECT_EQ(actual, data);
}

void ExpectLayout() {
  for (const Row& row : LayoutRows()) ExpectValue(row.root, row.key, row.name, row.type, row.data);
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kJobsKey));
}

std::string BootList() {
  DWORD type = 0;
  std::string data;
  if (!td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", &type, &data)) return "<missing>";
  return type == REG_MULTI_SZ ? data : "<type " + std::to_string(type) + ">";
}

class WriteRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr))); }
  void TearDown() override { CloseSetupEvents(); }
};

using RegistryLayout = WriteRegistryTest;
using BootExecuteUpdate = WriteRegistryTest;
using RegistryRefused = WriteRegistryTest;

TEST_F(RegistryLayout, FourteenRowsWithExactTypesAndBytes) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_TRUE(WriteRegistry());
  ExpectLayout();
  ExpectValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", REG_MULTI_SZ, "autocheck autochk *\0vdlite.exe\0\0"s);
}

TEST_F(RegistryLayout, SecondRunLeavesTheSameLayout) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_TRUE(WriteRegistry());
  // Change what a second run must restore.
  ASSERT_TRUE(td::SetRegValue(HKEY_CLASSES_ROOT, kInprocKey, "ThreadingModel", REG_SZ, "Both", 5));
  DWORD seven = 7;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, &seven, 4));
  ASSERT_TRUE(WriteRegistry());
  ExpectLayout();
  EXPECT_EQ(BootList(), "autocheck autochk *\0vdlite.exe\0\0"s);
}

TEST_F(RegistryLayout, ValuesOutsideTheTableSurviveAndProductStateIsReset) {
  ASSERT_TRUE(SeedNormalBootList());
  DWORD one = 1;
  const char times[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "BSOD", REG_DWORD, &one, 4));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "Status", REG_DWORD, &one, 4));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "StartTime", REG_BINARY, times, 8));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "FinishTime", REG_BINARY, times, 8));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "Extra", REG_SZ, "kept", 5));
  std::string job = std::string(kJobsKey) + "\\Job1";
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, job.c_str(), "Path", REG_SZ, "C:\\x", 5));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kJobsKey, "Count", REG_DWORD, &one, 4));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", REG_SZ, "VandrelSoft", 12));
  ASSERT_TRUE(td::SetRegValue(HKEY_CLASSES_ROOT, kClsidKey, "Other", REG_SZ, "x", 2));

  ASSERT_TRUE(WriteRegistry());
  ExpectLayout();
  ExpectValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "Extra", REG_SZ, "kept\0"s);
  ExpectValue(HKEY_LOCAL_MACHINE, job.c_str(), "Path", REG_SZ, "C:\\x\0"s);
  ExpectValue(HKEY_LOCAL_MACHINE, kJobsKey, "Count", REG_DWORD, Dword(1));
  ExpectValue(HKEY_LOCAL_MACHINE, kUninstallKey, "Publisher", REG_SZ, "VandrelSoft\0"s);
  ExpectValue(HKEY_CLASSES_ROOT, kClsidKey, "Other", REG_SZ, "x\0"s);
}

TEST_F(BootExecuteUpdate, WholeEntryInAnyCaseCountsAsPresent) {
  for (const std::string& value :
       {"VDLITE.EXE\0\0"s, "autocheck autochk *\0vdlite.exe\0\0"s, "autocheck autochk *\0VdLite.Exe\0other\0\0"s}) {
    SCOPED_TRACE(value);
    ASSERT_TRUE(SeedBootList(value));
    EXPECT_TRUE(WriteRegistry());
    EXPECT_EQ(BootList(), value);
  }
}

TEST_F(BootExecuteUpdate, EntryContainingTheNameIsNoMatch) {
  std::string value = "vdlite.exe /check\0xvdlite.exe\0\0"s;
  ASSERT_TRUE(SeedBootList(value));
  EXPECT_TRUE(WriteRegistry());
  EXPECT_EQ(BootList(), "vdlite.exe /check\0xvdlite.exe\0vdlite.exe\0\0"s);
}

TEST_F(BootExecuteUpdate, NineteenCharacterEntryGrowsToThirtyTwoBytes) {
  ASSERT_TRUE(SeedBootList("autocheck autochk *\0\0"s));
  EXPECT_TRUE(WriteRegistry());
  std::string list = BootList();
  EXPECT_EQ(list.size(), 32u);
  EXPECT_EQ(list, "autocheck autochk *\0vdlite.exe\0\0"s);
}

TEST_F(BootExecuteUpdate, EmptyListGrowsByEleven) {
  for (const std::string& value : {"\0"s, "\0\0"s, "\0\0\0\0"s}) {
    SCOPED_TRACE(value.size());
    ASSERT_TRUE(SeedBootList(value));
    EXPECT_TRUE(WriteRegistry());
    EXPECT_EQ(BootList(), "vdlite.exe\0"s + std::string(value.size(), '\0'));
  }
}

TEST_F(BootExecuteUpdate, ListWithoutFinalEmptyStringIsWrittenWellFormed) {
  ASSERT_TRUE(SeedBootList("autocheck autochk *\0"s));
  EXPECT_TRUE(WriteRegistry());
  EXPECT_EQ(BootList(), "autocheck autochk *\0vdlite.exe\0\0"s);
}

TEST_F(BootExecuteUpdate, MissingOrOfAnotherTypeFailsAfterRowThirteen) {
  struct Case {
    const char* what;
    DWORD type;  // 0: no value at all
  } cases[] = {{"missing", 0}, {"REG_SZ", REG_SZ}, {"REG_EXPAND_SZ", REG_EXPAND_SZ}, {"REG_BINARY", REG_BINARY}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    td::DeleteRegTree(HKEY_LOCAL_MACHINE, kVendorKey);
    td::DeleteRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute");
    std::string value = "autocheck autochk *\0"s;
    if (c.type != 0) {
      ASSERT_TRUE(SeedBootList(value, c.type));
    }
    EXPECT_FALSE(WriteRegistry());
    ExpectLayout();  // rows 1 to 13 are written all the same
    DWORD type = 0;
    std::string data;
    bool present = td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", &type, &data);
    EXPECT_EQ(present, c.type != 0);
    if (present) {
      EXPECT_EQ(type, c.type);
      EXPECT_EQ(data.find("vdlite"), std::string::npos);
    }
  }
}

TEST_F(BootExecuteUpdate, ListOverFiveHundredTwelveBytesFails) {
  for (size_t size : {513u, 600u, 2000u}) {
    SCOPED_TRACE(size);
    std::string value = std::string(size - 2, 'a') + "\0\0"s;
    ASSERT_TRUE(SeedBootList(value));
    EXPECT_FALSE(WriteRegistry());
    EXPECT_EQ(BootList(), value);
  }
}

TEST_F(BootExecuteUpdate, FullListOfFiveHundredTwoToFiveHundredTwelveBytesIsExtended) {
  // Such a list fills the 512 bytes read; it is extended in a larger work buffer.
  for (size_t size : {501u, 502u, 507u, 512u}) {
    SCOPED_TRACE(size);
    std::string value = "autocheck autochk *\0"s + std::string(size - 22, 'b') + "\0\0"s;
    ASSERT_EQ(value.size(), size);
    ASSERT_TRUE(SeedBootList(value));
    EXPECT_TRUE(WriteRegistry());
    EXPECT_EQ(BootList(), value.substr(0, size - 1) + "vdlite.exe\0\0"s);
  }
}

TEST_F(RegistryRefused, RefusedFirstKeyWritesNothing) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_TRUE(CreateReadOnlyKey(HKEY_CLASSES_ROOT, kClsidKey));
  HKEY probe = nullptr;
  LONG refused = RegCreateKeyExA(HKEY_CLASSES_ROOT, kClsidKey, 0, nullptr, 0, KEY_WRITE, nullptr, &probe, nullptr);
  if (probe != nullptr) RegCloseKey(probe);
  ASSERT_EQ(refused, ERROR_ACCESS_DENIED);

  EXPECT_FALSE(WriteRegistry());
  DWORD type;
  std::string data;
  EXPECT_FALSE(td::QueryRegValue(HKEY_CLASSES_ROOT, kClsidKey, "", &type, &data));
  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kInprocKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kHandlerKey));
  EXPECT_FALSE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClsidText, &type, &data));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kJobsKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kLastLaunchKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_EQ(BootList(), "autocheck autochk *\0\0"s);
}

TEST_F(RegistryRefused, RefusedLaterKeyKeepsTheRowsBefore) {
  // Row 9's key refused: rows 1 to 7 and the Jobs key stay, nothing after.
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_TRUE(CreateReadOnlyKey(HKEY_LOCAL_MACHINE, kLastLaunchKey));
  EXPECT_FALSE(WriteRegistry());
  ExpectValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", REG_SZ, "Rundll32.exe VDLite.dll,Uninstall\0"s);
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kJobsKey));
  DWORD type;
  std::string data;
  EXPECT_FALSE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "BSOD", &type, &data));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_EQ(BootList(), "autocheck autochk *\0\0"s);
}

}  // namespace
