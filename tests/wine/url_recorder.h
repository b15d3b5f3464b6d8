// Opening a URL from a test: the scheme's open command is this test program
// with --record-url, which writes down the URL it was given. A program that
// uses it hands its main to url_recorder::Main.
#ifndef SETUPVDL_URL_RECORDER_H
#define SETUPVDL_URL_RECORDER_H

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "engine_test_support.h"
#include "test_driver.h"

namespace url_recorder {

inline std::string RecordPath() { return engine_test::TempDir() + "vdl-opened-url.txt"; }

// Makes this program the open command of scheme ("http"), and forgets any
// URL recorded before.
inline bool Register(const char* scheme) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string command = "\"" + std::string(self) + "\" --record-url \"%1\"";
  const std::string key = std::string(scheme) + "\\shell\\open\\command";
  DeleteFileA(RecordPath().c_str());
  return td::SetRegValue(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, command.c_str(),
                         static_cast<DWORD>(command.size() + 1));
}

// The URL recorded, once there is one.
inline bool WaitForRecord(std::string* opened) {
  return td::WaitUntil([opened] { return td::ReadWholeFile(RecordPath(), opened) && !opened->empty(); });
}

// Run by the shell for the scheme: records its argument. Otherwise the tests.
inline int Main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--record-url") == 0) return td::WriteWholeFile(RecordPath(), argv[2]) ? 0 : 1;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

}  // namespace url_recorder

#endif
