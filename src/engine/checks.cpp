// Read-only checks of an earlier installation.
#include "engine/checks.h"

#include "driver/mbtext_logic.h"
#include "driver/setup_state.h"
#include "engine/guards.h"
#include "engine/pending_logic.h"
#include "resource.h"

namespace {

constexpr int kNameChars = 255;
constexpr DWORD kPendingBytes = 4096;

bool OpenForReading(UINT pathId, UniqueHkey* key) {
  char path[kNameChars];
  if (LoadStringA(g_instance, pathId, path, kNameChars) == 0) return false;
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, key->put()) == ERROR_SUCCESS;
}

}  // namespace

bool IsRestartPending() {
  UniqueHkey key;
  if (!OpenForReading(IDS_KEY_SESSION_MANAGER, &key)) return false;

  // One byte more than is read, so a last string without its NUL still ends
  // inside the buffer and is searched.
  char operations[kPendingBytes + 1];
  ZeroMemory(operations, sizeof operations);
  DWORD type = 0;
  DWORD size = kPendingBytes;
  if (RegQueryValueExA(key.get(), "PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(operations),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  if (type != REG_MULTI_SZ || size > kPendingBytes) return false;

  char name[kNameChars];
  if (LoadStringA(g_instance, IDS_DLL_NAME, name, kNameChars) == 0) return false;
  LowerCaseText(name);
  return NamesPendingFile(operations, sizeof operations, size, name);
}

DWORD GetInstalledVersion() {
  UniqueHkey key;
  if (!OpenForReading(IDS_KEY_VENDOR, &key)) return 0;
  char valueName[kNameChars];
  if (LoadStringA(g_instance, IDS_VALUE_VERSION, valueName, kNameChars) == 0) return 0;
  DWORD version = 0;
  DWORD type = 0;
  DWORD size = sizeof version;
  if (RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&version), &size) !=
      ERROR_SUCCESS) {
    return 0;
  }
  if (type != REG_DWORD) return 0;
  return version;
}
