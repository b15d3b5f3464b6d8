// The narrowing of the library search that every program of ours makes
// first; see late_libraries.h. A file of its own, so that the deployment
// program takes it without the rest of setup.
#include "driver/late_libraries.h"

namespace late {

void NarrowLibrarySearch() {
  // kernel32 is mapped into every process before its first instruction.
  // Both calls are looked up, so that the image still loads on NT 4.0.
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) return;
  // Windows 8, and Vista, 7 and Server 2008 with update KB2533623: only the
  // system directory, for every load by name from now on.
  auto* setDefault = reinterpret_cast<decltype(::SetDefaultDllDirectories)*>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  // XP SP1 and later: an empty string takes the current directory out.
  auto* setDirectory = reinterpret_cast<decltype(::SetDllDirectoryA)*>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryA")));
  if (setDirectory != nullptr) setDirectory("");
}

}  // namespace late
