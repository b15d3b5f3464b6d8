// VDLite.dll, Vandrel Lite's shell extension: an in-process COM server whose
// one class adds the "Vandrel" page to the Properties dialog of any file or
// group of files. The page shows the selection: how many files, their names
// and their total size. No run-time library: kernel32, user32, advapi32,
// gdi32, shell32, comctl32 and ole32 only.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <new>

#include "vdlite_dll.h"
#include "vdlite_res.h"

HINSTANCE g_module;
LONG g_locks;

namespace {

// {5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}
const CLSID kClassId = {0x5E1D7C42, 0x9B3A, 0x4F60, {0xA1, 0xC8, 0x3D, 0x2E, 0x7B, 0x9F, 0x04, 0x61}};
const IID kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidShellExtInit = {0x000214E8, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID kIidShellPropSheetExt = {0x000214E9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool SameGuid(const GUID& a, const GUID& b) {
  const DWORD* x = reinterpret_cast<const DWORD*>(&a);
  const DWORD* y = reinterpret_cast<const DWORD*>(&b);
  return x[0] == y[0] && x[1] == y[1] && x[2] == y[2] && x[3] == y[3];
}

void* Allocate(SIZE_T bytes) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes); }
void Free(void* block) {
  if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}

// The file name part of a path; a backslash is only taken where a character
// starts, so a double-byte character's trail byte never splits the name.
const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* p = path; *p != '\0'; p = CharNextA(p)) {
    if (*p == '\\' || *p == ':') name = p + 1;
  }
  return name;
}

// The name that the page lists for a selected path: its file name part, or
// the whole path when that part is empty (a drive's root, "C:\\"), so that
// no entry of the list is empty.
const char* ListedName(const char* path) {
  const char* name = FileNamePart(path);
  return *name != '\0' ? name : path;
}

// value /= 10 in 32-bit steps, returning the remainder: the i686 build then
// needs no 64-bit division from the compiler's library.
DWORD DivideByTen(ULONGLONG* value) {
  DWORD high = static_cast<DWORD>(*value >> 32);
  DWORD low = static_cast<DWORD>(*value);
  DWORD highQuotient = high / 10;
  DWORD part = ((high % 10) << 16) | (low >> 16);
  DWORD middleQuotient = part / 10;
  part = ((part % 10) << 16) | (low & 0xFFFF);
  *value = (static_cast<ULONGLONG>(highQuotient) << 32) | (middleQuotient << 16) | (part / 10);
  return part % 10;
}

// Decimal digits of value with the user's thousands separator; out holds at
// least 64 characters.
void FormatBytes(ULONGLONG value, char* out) {
  char separator[4] = ",";
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator) == 0) {
    separator[0] = ',';
    separator[1] = '\0';
  }
  int separatorLength = lstrlenA(separator);
  char reversed[64];
  int n = 0;
  int digits = 0;
  do {
    if (digits > 0 && digits % 3 == 0) {
      for (int i = separatorLength - 1; i >= 0; --i) reversed[n++] = separator[i];
    }
    reversed[n++] = static_cast<char>('0' + DivideByTen(&value));
    ++digits;
  } while (value != 0);
  for (int i = 0; i < n; ++i) out[i] = reversed[n - 1 - i];
  out[n] = '\0';
}

// One instance per Properties dialog: the shell initialises it with the
// selection, then asks it for its page.
class PropertyPageExtension : public IShellExtInit, public IShellPropSheetExt {
 public:
  static PropertyPageExtension* Create() {
    void* memory = Allocate(sizeof(PropertyPageExtension));
    return memory != nullptr ? new (memory) PropertyPageExtension : nullptr;
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (SameGuid(iid, kIidUnknown) || SameGuid(iid, kIidShellExtInit)) {
      *object = static_cast<IShellExtInit*>(this);
    } else if (SameGuid(iid, kIidShellPropSheetExt)) {
      *object = static_cast<IShellPropSheetExt*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      Free(names_);
      Free(this);
      InterlockedDecrement(&g_locks);
    }
    return left;
  }

  // IShellExtInit: keeps the count, the names and the total size of the
  // selection, read once from its file list.
  STDMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override {
    (void)folder;
    (void)progId;
    if (data == nullptr) return E_INVALIDARG;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
    HRESULT result = ReadSelection(static_cast<HDROP>(medium.hGlobal));
    ReleaseStgMedium(&medium);
    return result;
  }

  // IShellPropSheetExt: one page; while the page exists it holds a reference.
  STDMETHODIMP AddPages(LPFNADDPROPSHEETPAGE addPage, LPARAM param) override {
    if (count_ == 0) return E_UNEXPECTED;
    PROPSHEETPAGEA page = {};
    page.dwSize = PROPSHEETPAGEA_V1_SIZE;
    page.dwFlags = PSP_USECALLBACK;
    page.hInstance = g_module;
    page.pszTemplate = MAKEINTRESOURCEA(IDD_VANDREL_PAGE);
    page.pfnDlgProc = PageProc;
    page.pfnCallback = PageCallback;
    page.lParam = reinterpret_cast<LPARAM>(this);
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&page);
    if (handle == nullptr) return E_OUTOFMEMORY;
    AddRef();
    // A refused page is destroyed, and its release callback drops the reference.
    if (!addPage(handle, param)) DestroyPropertySheetPage(handle);
    return S_OK;
  }
  STDMETHODIMP ReplacePage(EXPPS pageId, LPFNADDPROPSHEETPAGE replace, LPARAM param) override {
    (void)pageId;
    (void)replace;
    (void)param;
    return E_NOTIMPL;
  }

 private:
  PropertyPageExtension() { InterlockedIncrement(&g_locks); }

  // The new selection replaces the old one only once it is read whole: a
  // page added for the old one may still show it.
  HRESULT ReadSelection(HDROP drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    char path[MAX_PATH];
    // First the room for the names, then the names themselves.
    SIZE_T namesBytes = 1;
    for (UINT i = 0; i < count; ++i) {
      if (DragQueryFileA(drop, i, path, MAX_PATH) == 0) continue;
      namesBytes += lstrlenA(ListedName(path)) + 1;
    }
    char* names = static_cast<char*>(Allocate(namesBytes));
    if (names == nullptr) return E_OUTOFMEMORY;
    char* next = names;
    char* end = names + namesBytes - 1;  // the list's final NUL stays
    UINT listed = 0;
    ULONGLONG totalBytes = 0;
    for (UINT i = 0; i < count; ++i) {
      if (DragQueryFileA(drop, i, path, MAX_PATH) == 0) continue;
      const char* name = ListedName(path);
      int length = lstrlenA(name);
      if (next + length + 1 > end) break;
      lstrcpynA(next, name, length + 1);
      next += length + 1;
      ++listed;
      WIN32_FILE_ATTRIBUTE_DATA attributes;
      if (GetFileAttributesExA(path, GetFileExInfoStandard, &attributes) &&
          (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        totalBytes += (static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
      }
    }
    Free(names_);
    names_ = names;
    count_ = listed;
    totalBytes_ = totalBytes;
    return count_ > 0 ? S_OK : E_INVALIDARG;
  }

  void FillPage(HWND page) const {
    char text[128];
    if (count_ == 1) {
      lstrcpynA(text, "1 file selected", sizeof text);
    } else {
      wsprintfA(text, "%u files selected", count_);
    }
    SetDlgItemTextA(page, IDC_SELECTION_COUNT, text);
    HWND list = GetDlgItem(page, IDC_SELECTION_NAMES);
    // Long names scroll sideways instead of being cut.
    HDC dc = GetDC(list);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const char* name = names_; name != nullptr && *name != '\0'; name += lstrlenA(name) + 1) {
      SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      SIZE extent;
      if (GetTextExtentPoint32A(dc, name, lstrlenA(name), &extent) && extent.cx > widest) widest = extent.cx;
    }
    SelectObject(dc, oldFont);
    ReleaseDC(list, dc);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, widest + 4, 0);
    char digits[64];
    FormatBytes(totalBytes_, digits);
    wsprintfA(text, "Total size: %s %s", digits, totalBytes_ == 1 ? "byte" : "bytes");
    SetDlgItemTextA(page, IDC_SELECTION_SIZE, text);
  }

  static INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam;
    if (message != WM_INITDIALOG) return FALSE;
    const PROPSHEETPAGEA* sheetPage = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    reinterpret_cast<const PropertyPageExtension*>(sheetPage->lParam)->FillPage(page);
    return TRUE;
  }

  static UINT CALLBACK PageCallback(HWND window, UINT message, PROPSHEETPAGEA* page) {
    (void)window;
    if (message == PSPCB_RELEASE) reinterpret_cast<PropertyPageExtension*>(page->lParam)->Release();
    return 1;  // PSPCB_CREATE: let the page be created
  }

  LONG references_ = 1;
  UINT count_ = 0;
  ULONGLONG totalBytes_ = 0;
  char* names_ = nullptr;  // the selected files' names, each NUL-ended, then a NUL
};

class ClassFactory : public IClassFactory {
 public:
  static ClassFactory* Create() {
    void* memory = Allocate(sizeof(ClassFactory));
    return memory != nullptr ? new (memory) ClassFactory : nullptr;
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (!SameGuid(iid, kIidUnknown) && !SameGuid(iid, kIidClassFactory)) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) {
      Free(this);
      InterlockedDecrement(&g_locks);
    }
    return left;
  }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    PropertyPageExtension* extension = PropertyPageExtension::Create();
    if (extension == nullptr) return E_OUTOFMEMORY;
    HRESULT result = extension->QueryInterface(iid, object);
    extension->Release();
    return result;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&g_locks);
    } else {
      InterlockedDecrement(&g_locks);
    }
    return S_OK;
  }

 private:
  ClassFactory() { InterlockedIncrement(&g_locks); }
  LONG references_ = 1;
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (!SameGuid(clsid, kClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  ClassFactory* factory = ClassFactory::Create();
  if (factory == nullptr) return E_OUTOFMEMORY;
  HRESULT result = factory->QueryInterface(iid, object);
  factory->Release();
  return result;
}

STDAPI DllCanUnloadNow(void) { return g_locks == 0 ? S_OK : S_FALSE; }
