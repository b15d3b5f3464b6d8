// Loading of the libraries that setup does not import; see late_libraries.h.
#include "driver/late_libraries.h"

#include <shellapi.h>
#include <winver.h>

#include "driver/mbtext_logic.h"
#include "driver/setup_state.h"

namespace {

// A library is loaded once, at the first call that needs it, and kept for
// the rest of the process. A failed load is not retried. Its companion, a
// library that it loads by bare name later, is mapped first by its full
// path where the system has one, so that the later load finds it mapped.
struct LateLibrary {
  const char* file;
  const char* companion;
  HMODULE module;
  bool tried;
};

// From Windows XP on, the common controls load the theme library by bare
// name when a control is first made, and that search is not always narrowed:
// XP, and Vista and 7 without update KB2533623, look in setup's folder first,
// and so do Wine's common controls whatever setup asked. NT 4.0 and 2000
// have no theme library.
LateLibrary g_comctl32 = {"comctl32.dll", "uxtheme.dll", nullptr, false};
LateLibrary g_shell32 = {"shell32.dll", nullptr, nullptr, false};
LateLibrary g_version = {"version.dll", nullptr, nullptr, false};

// The library's full path in the system directory: the directory table's
// entry, or the system's answer where the table is not filled (a control
// used without the rest of setup). False when the path does not fit.
bool SystemLibraryPath(const char* file, char* path, int pathChars) {
  char asked[kDirChars];
  const char* dir = g_directories[kSystemDir];
  if (dir[0] == '\0') {
    UINT length = GetSystemDirectoryA(asked, kDirChars);
    if (length == 0 || length >= static_cast<UINT>(kDirChars) || AddBackslash(asked) == nullptr) return false;
    dir = asked;
  }
  if (lstrlenA(dir) + lstrlenA(file) >= pathChars) return false;
  lstrcpyA(path, dir);
  lstrcatA(path, file);
  return true;
}

// A library by its full path; its own imports are searched for in its
// directory first, so they too come from the system directory.
HMODULE LoadSystemLibrary(const char* file) {
  char path[kDirChars + 16];
  if (!SystemLibraryPath(file, path, sizeof path)) return nullptr;
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The entry point as a pointer of the real function's type (decltype keeps
// the calling convention right on i686); null when it cannot be found.
template <typename Function>
Function* Find(LateLibrary& library, const char* entry) {
  if (!library.tried) {
    library.tried = true;
    if (library.companion != nullptr) LoadSystemLibrary(library.companion);
    library.module = LoadSystemLibrary(library.file);
  }
  if (library.module == nullptr) return nullptr;
  return reinterpret_cast<Function*>(GetProcAddress(library.module, entry));
}

}  // namespace

namespace late {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  auto* real = Find<decltype(::InitCommonControlsEx)>(g_comctl32, "InitCommonControlsEx");
  return real != nullptr ? real(controls) : FALSE;
}

INT_PTR PropertySheetA(LPCPROPSHEETHEADERA header) {
  auto* real = Find<decltype(::PropertySheetA)>(g_comctl32, "PropertySheetA");
  return real != nullptr ? real(header) : -1;
}

HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters, const char* directory,
                        INT showCommand) {
  auto* real = Find<decltype(::ShellExecuteA)>(g_shell32, "ShellExecuteA");
  if (real == nullptr) return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_DLLNOTFOUND));
  return real(owner, verb, file, parameters, directory, showCommand);
}

DWORD VerInstallFileA(DWORD flags, char* sourceName, char* destinationName, char* sourceDir, char* destinationDir,
                      char* currentDir, char* tempName, UINT* tempNameChars) {
  auto* real = Find<decltype(::VerInstallFileA)>(g_version, "VerInstallFileA");
  if (real == nullptr) {
    if (tempNameChars != nullptr && *tempNameChars > 0) tempName[0] = '\0';
    return VIF_CANNOTREADSRC;
  }
  return real(flags, sourceName, destinationName, sourceDir, destinationDir, currentDir, tempName, tempNameChars);
}

}  // namespace late
