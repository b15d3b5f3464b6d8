// Unattended setup: installs without any window and leaves an error log
// behind when it fails.
#include "driver/setup_state.h"
#include "engine/guards.h"
#include "engine/integrity.h"
#include "engine/payload.h"
#include "engine/registry.h"
#include "resource.h"

namespace {

constexpr int kLogPathChars = 260;
constexpr int kLogTextChars = 256;

// The log holds one sentence alone: no line end, no NUL, no detail. Anyone
// may create files in C:\, so it is made only as a new file: a name there
// after the old log's deletion (a link planted in between, say) is never
// opened, and no log is written rather than something else overwritten.
void WriteErrorLog(const char* path, UINT textId) {
  UniqueFile log(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!log) return;
  char text[kLogTextChars];
  int length = LoadStringA(g_instance, textId, text, 255);
  DWORD written = 0;
  WriteFile(log.get(), text, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace

void RunUnattendedSetup(const char*) {
  char logPath[kLogPathChars] = "";
  LoadStringA(g_instance, IDS_ERROR_LOG_PATH, logPath, kLogPathChars);

  // An old log goes first, even a read-only one; so after a run its presence
  // means that this run failed.
  DWORD attributes = GetFileAttributesA(logPath);
  if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(logPath, attributes & ~FILE_ATTRIBUTE_READONLY);
  DeleteFileA(logPath);

  if (!IsSetupFileIntact()) {
    WriteErrorLog(logPath, IDS_DAMAGED_SETUP_LOG);
    return;
  }
  bool succeeded = false;
  auto logFailure = MakeScopeExit([&] {
    if (!succeeded) WriteErrorLog(logPath, IDS_ERROR_LOG_TEXT);
  });

  for (const PayloadEntry& entry : kPayloadTable) {
    if (!InstallPayloadEntry(entry)) return;
  }
  if (WriteRegistry()) succeeded = true;
}
