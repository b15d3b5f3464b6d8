// Loading of the wizard's libraries at their first use; see late_libraries.h.
#include "driver/late_libraries.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstdarg>

namespace {

// A library is loaded once, at the first call that needs it, and kept for
// the rest of the process. A failed load is not retried.
struct LateLibrary {
  const char* file;
  HMODULE module;
  bool tried;
};

LateLibrary g_comctl32 = {"comctl32.dll", nullptr, false};
LateLibrary g_shell32 = {"shell32.dll", nullptr, false};
LateLibrary g_shlwapi = {"shlwapi.dll", nullptr, false};

// The entry point as a pointer of the real function's type (decltype keeps
// the calling convention right on i686); null when it cannot be found.
template <typename Function>
Function* Find(LateLibrary& library, const char* entry) {
  if (!library.tried) {
    library.tried = true;
    library.module = LoadLibraryA(library.file);
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

int wnsprintfA(char* text, int size, const char* format, ...) {
  auto* real = Find<decltype(::wvnsprintfA)>(g_shlwapi, "wvnsprintfA");
  if (real == nullptr) {
    if (size > 0) text[0] = '\0';
    return -1;
  }
  va_list arguments;
  va_start(arguments, format);
  int written = real(text, size, format, arguments);
  va_end(arguments);
  return written;
}

}  // namespace late
