// Fault injection for the Wine tests: the address that a loaded module
// imports for one function is replaced for as long as an ImportPatch lives,
// so that a platform failure (a refused allocation, a failed wait, a value
// that grows between two reads) reaches the code under test exactly when the
// test needs it.
#ifndef SETUPVDL_TESTS_IMPORT_PATCH_H
#define SETUPVDL_TESTS_IMPORT_PATCH_H

#include <windows.h>

#include <cstring>

namespace td {

// The import address table slot of function from dll (compared without
// case) in module; null when module does not import it by name.
inline void** FindImportSlot(HMODULE module, const char* dll, const char* function) {
  BYTE* base = reinterpret_cast<BYTE*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (directory.VirtualAddress == 0) return nullptr;
  for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); import->Name != 0;
       ++import) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + import->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
        return reinterpret_cast<void**>(&slots->u1.Function);
    }
  }
  return nullptr;
}

class ImportPatch {
 public:
  ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement)
      : slot_(FindImportSlot(module, dll, function)) {
    if (slot_ != nullptr) original_ = Exchange(replacement);
  }
  ~ImportPatch() {
    if (slot_ != nullptr) Exchange(original_);
  }
  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  bool active() const { return slot_ != nullptr; }
  // What the slot held before: the real function.
  void* original() const { return original_; }

 private:
  void* Exchange(void* value) {
    DWORD protection = 0;
    VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &protection);
    void* previous = *slot_;
    *slot_ = value;
    VirtualProtect(slot_, sizeof(void*), protection, &protection);
    return previous;
  }

  void** slot_;
  void* original_ = nullptr;
};

}  // namespace td

#endif
