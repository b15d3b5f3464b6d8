// The installed product with the real shell of the prefix: the Vandrel page
// in a file's Properties dialog, the uninstall entry run through Wine's own
// uninstaller and rundll32, the restart offer that follows, and the restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "import_patch.h"
#include "payload/vdlite_res.h"
#include "resource.h"
#include "test_driver.h"

using namespace engine_test;
using namespace std::string_literals;

namespace {

constexpr const char* kSetupCaption = td::kSetupCaption;
const char kUninstallTitle[] = "Vandrel Lite 1.0";
const char kUninstalledText[] = "Vandrel Lite has been uninstalled. Restart the computer to finish.";
const char kIncompleteText[] =
    "Vandrel Lite could not remove all of its files and settings.\n\nRestart the computer and run the uninstall again.";
const char* const kHelpFiles[] = {"VDLite.hlp", "VDLite.cnt"};

std::string DllPath() { return SystemDir() + "VDLite.dll"; }
std::string ExePath() { return SystemDir() + "VDLite.exe"; }

// Runs a program of the prefix to its end; its output goes to outputPath.
bool RunProgram(const std::string& commandLine, const std::string& outputPath = "", DWORD* exitCode = nullptr) {
  td::Process program;
  if (!program.Start(commandLine, outputPath.empty() ? nullptr : outputPath.c_str())) return false;
  if (program.WaitExit(60000, exitCode)) return true;
  program.Kill();
  return false;
}

void InstallUnattended() {
  DWORD code = 99;
  ASSERT_TRUE(td::RunSetup("-u", 60000, &code));
  ASSERT_TRUE(td::FileExists(DllPath()));
  ASSERT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// The uninstall command as setup registered it; once the entry is gone, the
// same command as it stood there.
std::string UninstallCommand() {
  DWORD type = 0;
  std::string command;
  if (!td::QueryRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", &type, &command))
    return "Rundll32.exe VDLite.dll,Uninstall";
  return command.substr(0, command.find('\0'));
}

// The uninstall command with the quiet switch: nothing may appear on screen.
void UninstallQuietly() {
  td::Process rundll;
  ASSERT_TRUE(rundll.Start(UninstallCommand() + " /q"));
  DWORD code = 99;
  bool windowSeen = false;
  EXPECT_TRUE(td::WaitExitWithoutWindow(&rundll, td::kWaitMs, &code, &windowSeen));
  EXPECT_FALSE(windowSeen);
}

// Runs the uninstall command without the switch and answers its message.
std::string UninstallAndAnswer(const std::string& screenshot = "") {
  td::Process rundll;
  EXPECT_TRUE(rundll.Start(UninstallCommand()));
  td::MessageBoxInfo box;
  EXPECT_TRUE(td::WaitForMessageBox(kUninstallTitle, rundll.pid(), &box));
  if (box.window == nullptr) {
    rundll.Kill();
    return "<no message>";
  }
  if (!screenshot.empty()) td::SavePaintedScreenshot(box.window, screenshot);
  EXPECT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  EXPECT_TRUE(rundll.WaitExit(td::kWaitMs, nullptr));
  return box.text;
}

// The strings of a REG_MULTI_SZ value, empty ones included, up to its size.
std::vector<std::string> MultiSz(const char* key, const char* name, DWORD* type = nullptr) {
  DWORD actualType = 0;
  std::string data;
  std::vector<std::string> strings;
  if (!td::QueryRegValue(HKEY_LOCAL_MACHINE, key, name, &actualType, &data)) return strings;
  if (type != nullptr) *type = actualType;
  for (size_t at = 0; at < data.size();) {
    size_t end = data.find('\0', at);
    if (end == std::string::npos) end = data.size();
    strings.push_back(data.substr(at, end - at));
    at = end + 1;
  }
  return strings;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

// How many pending deletions (source, empty target) name path.
int PendingDeletionsOf(const std::string& path) {
  std::vector<std::string> list = MultiSz(kSessionManager, "PendingFileRenameOperations");
  int found = 0;
  for (size_t i = 0; i + 1 < list.size(); i += 2) {
    if (Lower(list[i]) == Lower("\\??\\" + path) && list[i + 1].empty()) ++found;
  }
  return found;
}

// Every row of the registry layout but BootExecute, and the vendor keys.
void ExpectRowsGone() {
  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kClsidKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kHandlerKey));
  DWORD type = 0;
  std::string data;
  EXPECT_FALSE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClsidText, &type, &data));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kProductControlKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\VandrelSoft"));
}

void ExpectHelpFilesGone() {
  for (const char* name : kHelpFiles) EXPECT_FALSE(td::FileExists(HelpDir() + name)) << name;
}

// Gives a key made read-only by CreateReadOnlyKey back to everyone.
bool MakeKeyWritable(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS) return false;
  SECURITY_DESCRIPTOR descriptor;
  bool ok = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE) &&
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

// A REG_MULTI_SZ value of HKLM read in wide characters, its whole data.
std::wstring WideValue(const char* key, const wchar_t* name) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return L"<no key>";
  wchar_t data[512] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  LONG read = RegQueryValueExW(opened, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(opened);
  return read == ERROR_SUCCESS ? std::wstring(data, size / sizeof(wchar_t)) : L"<no value>";
}

bool SetWideValue(const char* key, const wchar_t* name, const std::wstring& data) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS) return false;
  LONG set = RegSetValueExW(opened, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size() * sizeof(wchar_t)));
  RegCloseKey(opened);
  return set == ERROR_SUCCESS;
}

// The installed DLL loaded into this process, as rundll32 loads it, so that
// its imports can be given failures; its Uninstall entry runs here.
class LoadedProduct {
 public:
  LoadedProduct() : dll_(LoadLibraryA(DllPath().c_str())) {}
  ~LoadedProduct() {
    if (dll_ != nullptr) FreeLibrary(dll_);
  }
  LoadedProduct(const LoadedProduct&) = delete;
  LoadedProduct& operator=(const LoadedProduct&) = delete;

  HMODULE module() const { return dll_; }
  // Uninstall with the quiet switch: false when the entry is missing.
  bool UninstallQuietly() const {
    using Entry = void(CALLBACK*)(HWND, HINSTANCE, LPSTR, int);
    auto entry = reinterpret_cast<Entry>(GetProcAddress(dll_, "Uninstall"));
    if (entry == nullptr) return false;
    char quiet[] = "/q";
    entry(nullptr, nullptr, quiet, SW_SHOWNORMAL);
    return true;
  }

 private:
  HMODULE dll_;
};

// ---------------------------------------------------------------------------
// The Properties dialog of files, opened as the shell opens it: through the
// items' context menu, on a thread of its own since it runs modally there.

struct PropertiesRequest {
  std::vector<std::string> paths;
  HRESULT result = E_FAIL;
};

DWORD WINAPI InvokeProperties(void* param) {
  PropertiesRequest* request = static_cast<PropertiesRequest*>(param);
  CoInitialize(nullptr);
  std::vector<PIDLIST_ABSOLUTE> absolute;
  for (const std::string& path : request->paths) {
    std::wstring wide(path.begin(), path.end());
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (FAILED(SHParseDisplayName(wide.c_str(), nullptr, &pidl, 0, nullptr))) break;
    absolute.push_back(pidl);
  }
  IShellFolder* folder = nullptr;
  if (absolute.size() == request->paths.size() && !absolute.empty() &&
      SUCCEEDED(SHBindToParent(absolute[0], IID_IShellFolder, reinterpret_cast<void**>(&folder), nullptr))) {
    std::vector<PCUITEMID_CHILD> children;
    for (PIDLIST_ABSOLUTE pidl : absolute) children.push_back(ILFindLastID(pidl));
    IContextMenu* menu = nullptr;
    request->result = folder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), children.data(),
                                            IID_IContextMenu, nullptr, reinterpret_cast<void**>(&menu));
    if (SUCCEEDED(request->result)) {
      CMINVOKECOMMANDINFO info = {};
      info.cbSize = sizeof info;
      info.lpVerb = "properties";
      info.nShow = SW_SHOWNORMAL;
      request->result = menu->InvokeCommand(&info);  // returns when the dialog closes
      menu->Release();
    }
    folder->Release();
  }
  for (PIDLIST_ABSOLUTE pidl : absolute) CoTaskMemFree(pidl);
  CoUninitialize();
  return 0;
}

struct VandrelPage {
  std::string countText;
  std::vector<std::string> names;
  std::string sizeText;
  std::string productLine;
  std::vector<std::string> tabs;
};

// Opens the Properties dialog of paths, reads its tabs and the Vandrel page,
// saves a screenshot of it and closes it again.
bool ReadVandrelPage(const std::vector<std::string>& paths, const std::string& screenshot, VandrelPage* page) {
  PropertiesRequest request;
  request.paths = paths;
  HANDLE thread = CreateThread(nullptr, 0, InvokeProperties, &request, 0, nullptr);
  if (thread == nullptr) return false;
  HWND sheet = nullptr;
  HWND tab = nullptr;
  td::WaitUntil([&] {
    for (HWND w : td::TopWindows(GetCurrentProcessId())) {
      if (td::ClassName(w) != "#32770") continue;
      if ((tab = FindWindowExA(w, nullptr, WC_TABCONTROLA, nullptr)) != nullptr) {
        sheet = w;
        return true;
      }
    }
    return false;
  });
  bool read = false;
  if (sheet != nullptr) {
    int count = static_cast<int>(SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0));
    int vandrel = -1;
    for (int i = 0; i < count; ++i) {
      char text[64] = "";
      TCITEMA item = {};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = sizeof text;
      SendMessageA(tab, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
      page->tabs.push_back(text);
      if (page->tabs.back() == "Vandrel") vandrel = i;
    }
    if (vandrel >= 0) {
      SendMessageA(sheet, PSM_SETCURSEL, vandrel, 0);
      HWND current = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
      page->productLine = td::ItemText(current, IDC_PRODUCT_LINE);
      page->countText = td::ItemText(current, IDC_SELECTION_COUNT);
      page->sizeText = td::ItemText(current, IDC_SELECTION_SIZE);
      HWND list = GetDlgItem(current, IDC_SELECTION_NAMES);
      int names = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
      for (int i = 0; i < names; ++i) {
        char name[MAX_PATH] = "";
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
        page->names.push_back(name);
      }
      if (!screenshot.empty()) td::SavePaintedScreenshot(sheet, screenshot);
      read = true;
    }
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
  }
  bool closed = WaitForSingleObject(thread, td::Scaled(td::kWaitMs)) == WAIT_OBJECT_0;
  if (!closed) TerminateThread(thread, 1);
  CloseHandle(thread);
  EXPECT_TRUE(closed) << "the Properties dialog did not close";
  EXPECT_EQ(request.result, S_OK);
  return read && closed;
}

std::string MakeFile(const std::string& path, size_t bytes) {
  EXPECT_TRUE(td::WriteWholeFile(path, std::string(bytes, 'v')));
  return path;
}

TEST(ProductLifecycle, PropertiesDialogOfFilesHasTheVandrelTab) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  ASSERT_TRUE(CreateDirectoryA("C:\\Reports", nullptr));
  std::string one = MakeFile("C:\\Reports\\annual report.txt", 1234567);
  VandrelPage page;
  ASSERT_TRUE(ReadVandrelPage({one}, "properties-vandrel-tab.bmp", &page));
  EXPECT_EQ(page.tabs, (std::vector<std::string>{"General", "Vandrel"}));
  EXPECT_EQ(page.productLine, "Vandrel Lite 1.0 by VandrelSoft");
  EXPECT_EQ(page.countText, "1 file selected");
  EXPECT_EQ(page.names, std::vector<std::string>{"annual report.txt"});
  EXPECT_EQ(page.sizeText, "Total size: 1,234,567 bytes");

  // A group of files: the page counts and sums them all.
  std::string two = MakeFile("C:\\Reports\\b.dat", 1);
  std::string three = MakeFile("C:\\Reports\\c.log", 0);
  VandrelPage group;
  ASSERT_TRUE(ReadVandrelPage({one, two, three}, "properties-vandrel-group.bmp", &group));
  EXPECT_EQ(group.countText, "3 files selected");
  EXPECT_EQ(group.names, (std::vector<std::string>{"annual report.txt", "b.dat", "c.log"}));
  EXPECT_EQ(group.sizeText, "Total size: 1,234,568 bytes");
  VandrelPage single;
  ASSERT_TRUE(ReadVandrelPage({two}, "", &single));
  EXPECT_EQ(single.sizeText, "Total size: 1 byte");
}

// The class served by the installed DLL, loaded into this process as the
// shell loads it: every reference it hands out is counted until the module
// may be unloaded again.
TEST(ShellExtensionServer, ServesItsOneClassAndCountsEveryReference) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  std::string file = MakeFile("C:\\counted.txt", 10);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  HMODULE dll = LoadLibraryA(DllPath().c_str());
  ASSERT_NE(dll, nullptr);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  auto getClassObject = reinterpret_cast<GetClassObject>(GetProcAddress(dll, "DllGetClassObject"));
  auto canUnloadNow = reinterpret_cast<CanUnloadNow>(GetProcAddress(dll, "DllCanUnloadNow"));
  ASSERT_NE(getClassObject, nullptr);
  ASSERT_NE(canUnloadNow, nullptr);
  CLSID ours;
  CLSID other;
  ASSERT_EQ(CLSIDFromString(L"{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}", &ours), S_OK);
  ASSERT_EQ(CLSIDFromString(L"{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0462}", &other), S_OK);
  EXPECT_EQ(canUnloadNow(), S_OK);

  void* refused = &ours;
  EXPECT_EQ(getClassObject(other, IID_IClassFactory, &refused), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(refused, nullptr);
  IClassFactory* factory = nullptr;
  ASSERT_EQ(getClassObject(ours, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  IUnknown* outer = factory;
  IUnknown* aggregated = outer;
  EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, reinterpret_cast<void**>(&aggregated)), CLASS_E_NOAGGREGATION);
  IShellExtInit* init = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
  IContextMenu* notServed = nullptr;
  EXPECT_EQ(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&notServed)), E_NOINTERFACE);
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the object lives on";

  // The selection comes from the file's data object, as the shell gives it.
  PIDLIST_ABSOLUTE pidl = nullptr;
  ASSERT_EQ(SHParseDisplayName(L"C:\\counted.txt", nullptr, &pidl, 0, nullptr), S_OK);
  IShellFolder* folder = nullptr;
  PCUITEMID_CHILD child = nullptr;
  ASSERT_EQ(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&folder), &child), S_OK);
  IDataObject* data = nullptr;
  ASSERT_EQ(folder->GetUIObjectOf(nullptr, 1, &child, IID_IDataObject, nullptr, reinterpret_cast<void**>(&data)), S_OK);
  EXPECT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
  data->Release();
  folder->Release();
  CoTaskMemFree(pidl);

  IShellPropSheetExt* sheet = nullptr;
  ASSERT_EQ(init->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&sheet)), S_OK);
  init->Release();
  // One page, taken; then one refused, which the extension destroys itself.
  struct Pages {
    static BOOL CALLBACK Keep(HPROPSHEETPAGE page, LPARAM param) {
      reinterpret_cast<std::vector<HPROPSHEETPAGE>*>(param)->push_back(page);
      return TRUE;
    }
    static BOOL CALLBACK Refuse(HPROPSHEETPAGE, LPARAM) { return FALSE; }
  };
  std::vector<HPROPSHEETPAGE> kept;
  EXPECT_EQ(sheet->AddPages(Pages::Keep, reinterpret_cast<LPARAM>(&kept)), S_OK);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(sheet->AddPages(Pages::Refuse, 0), S_OK);
  sheet->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE) << "the page holds the object";
  DestroyPropertySheetPage(kept[0]);
  EXPECT_EQ(canUnloadNow(), S_OK);

  // A server lock keeps the module, too.
  ASSERT_EQ(getClassObject(ours, IID_IUnknown, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  ASSERT_EQ(getClassObject(ours, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
  EXPECT_EQ(factory->LockServer(FALSE), S_OK);
  factory->Release();
  EXPECT_EQ(canUnloadNow(), S_OK);
  FreeLibrary(dll);
  CoUninitialize();
}

// A selection as the shell hands it to the extension: a data object with
// the paths in CF_HDROP form.
class DroppedFiles : public IDataObject {
 public:
  explicit DroppedFiles(std::vector<std::string> paths) : paths_(std::move(paths)) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid != IID_IUnknown && iid != IID_IDataObject) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = this;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }  // lives on the test's stack

  STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
    if (format->cfFormat != CF_HDROP || (format->tymed & TYMED_HGLOBAL) == 0) return DV_E_FORMATETC;
    std::string list;
    for (const std::string& path : paths_) list += path + '\0';
    list += '\0';
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    if (block == nullptr) return E_OUTOFMEMORY;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(block);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    medium->pUnkForRelease = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
  STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
  STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

 private:
  std::vector<std::string> paths_;
  ULONG references_ = 1;
};

// The page in a sheet of its own: its count line and its list of names.
VandrelPage ShowPage(HPROPSHEETPAGE handle) {
  VandrelPage shown;
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_MODELESS;
  header.pszCaption = "Selection";
  header.nPages = 1;
  header.phpage = &handle;
  HWND sheet = reinterpret_cast<HWND>(PropertySheetA(&header));
  if (sheet == nullptr) return shown;
  HWND page = reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
  shown.countText = td::ItemText(page, IDC_SELECTION_COUNT);
  HWND list = GetDlgItem(page, IDC_SELECTION_NAMES);
  int names = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < names; ++i) {
    char name[MAX_PATH] = "";
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(name));
    shown.names.push_back(name);
  }
  DestroyWindow(sheet);
  return shown;
}

LPVOID WINAPI RefusedHeapAlloc(HANDLE, DWORD, SIZE_T) { return nullptr; }

// Each selected item is listed, a drive's root by its path; a selection that
// cannot be read for want of memory leaves the one read before, which a page
// added for it still shows.
TEST(ShellExtensionServer, PageListsEveryItemAndKeepsItsSelectionWhenMemoryRunsOut) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  std::string file = MakeFile("C:\\counted.txt", 10);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  {
    LoadedProduct product;
    ASSERT_NE(product.module(), nullptr);
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObject>(GetProcAddress(product.module(), "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    CLSID ours;
    ASSERT_EQ(CLSIDFromString(L"{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}", &ours), S_OK);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(getClassObject(ours, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    struct Pages {
      static BOOL CALLBACK Keep(HPROPSHEETPAGE page, LPARAM param) {
        *reinterpret_cast<HPROPSHEETPAGE*>(param) = page;
        return TRUE;
      }
    };
    auto pageOf = [&](const std::vector<std::string>& paths, IShellExtInit** init) {
      HPROPSHEETPAGE page = nullptr;
      EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(init)), S_OK);
      DroppedFiles selection(paths);
      EXPECT_EQ((*init)->Initialize(nullptr, &selection, nullptr), S_OK);
      IShellPropSheetExt* sheet = nullptr;
      EXPECT_EQ((*init)->QueryInterface(IID_IShellPropSheetExt, reinterpret_cast<void**>(&sheet)), S_OK);
      EXPECT_EQ(sheet->AddPages(Pages::Keep, reinterpret_cast<LPARAM>(&page)), S_OK);
      sheet->Release();
      return page;
    };

    IShellExtInit* rooted = nullptr;
    HPROPSHEETPAGE page = pageOf({"C:\\", file}, &rooted);
    ASSERT_NE(page, nullptr);
    rooted->Release();
    VandrelPage shown = ShowPage(page);
    EXPECT_EQ(shown.countText, "2 files selected");
    EXPECT_EQ(shown.names, (std::vector<std::string>{"C:\\", "counted.txt"}));

    IShellExtInit* init = nullptr;
    page = pageOf({file}, &init);
    ASSERT_NE(page, nullptr);
    {
      td::ImportPatch refused(product.module(), "kernel32.dll", "HeapAlloc", reinterpret_cast<void*>(RefusedHeapAlloc));
      ASSERT_TRUE(refused.active());
      DroppedFiles other({"C:\\windows"});
      EXPECT_EQ(init->Initialize(nullptr, &other, nullptr), E_OUTOFMEMORY);
    }
    init->Release();
    shown = ShowPage(page);
    EXPECT_EQ(shown.countText, "1 file selected");
    EXPECT_EQ(shown.names, std::vector<std::string>{"counted.txt"});
    factory->Release();
  }
  CoUninitialize();
}

TEST(ProductLifecycle, WineUninstallerRunsTheUninstallEntry) {
  ASSERT_TRUE(td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", {kNormalBootList, "other /x"}));
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  ASSERT_EQ(MultiSz(kSessionManager, "BootExecute"),
            (std::vector<std::string>{kNormalBootList, "other /x", "vdlite.exe", ""}));
  const std::string listing = TempDir() + "uninstaller-list.txt";
  ASSERT_TRUE(RunProgram("uninstaller.exe --list", listing));
  std::string listed;
  ASSERT_TRUE(td::ReadWholeFile(listing, &listed));
  EXPECT_NE(listed.find("Vandrel Lite|||Vandrel Lite 1.0"), std::string::npos) << listed;

  td::Process uninstaller;
  ASSERT_TRUE(uninstaller.Start("uninstaller.exe --remove \"Vandrel Lite\""));
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox(kUninstallTitle, 0, &box));
  EXPECT_EQ(box.text, kUninstalledText);
  td::SavePaintedScreenshot(box.window, "uninstall-message.bmp");
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  EXPECT_TRUE(uninstaller.WaitExit(td::kWaitMs, nullptr));

  ExpectRowsGone();
  EXPECT_EQ(MultiSz(kSessionManager, "BootExecute"), (std::vector<std::string>{kNormalBootList, "other /x", ""}));
  ExpectHelpFilesGone();
  // The DLL was loaded while it ran: it and the boot-time program go at the
  // next restart, and stay until then.
  EXPECT_EQ(PendingDeletionsOf(DllPath()), 1);
  EXPECT_EQ(PendingDeletionsOf(ExePath()), 1);
  EXPECT_TRUE(td::FileExists(DllPath()));
  ASSERT_TRUE(RunProgram("uninstaller.exe --list", listing));
  ASSERT_TRUE(td::ReadWholeFile(listing, &listed));
  EXPECT_EQ(listed.find("Vandrel"), std::string::npos) << listed;
}

// After an uninstall, setup finds the deletion that the uninstall left for
// the restart, and offers the restart.
TEST(ProductLifecycle, SetupAfterTheUninstallOffersTheRestart) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
  ASSERT_EQ(PendingDeletionsOf(DllPath()), 1);

  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND offer = td::WaitForWindow("#32770", kSetupCaption, setup.pid());
  ASSERT_NE(offer, nullptr);
  ASSERT_NE(GetDlgItem(offer, IDYES), nullptr);
  EXPECT_EQ(SendMessageA(offer, PSM_GETCURRENTPAGEHWND, 0, 0), 0) << "the wizard, not the offer";
  td::SavePaintedScreenshot(offer, "lifecycle-restart-offer.bmp");
  ASSERT_TRUE(td::PressButton(offer, IDNO));
  DWORD code = 99;
  ASSERT_TRUE(setup.WaitExit(td::kWaitMs, &code));
  EXPECT_EQ(code, 0u);

  // Yes asks for the restart; Wine's shutdown request is traced, not done.
  td::Process again;
  ASSERT_TRUE(td::StartTraced(&again, td::SetupCommand(""), "+pid,+relay", "advapi32.InitiateSystemShutdownA"));
  offer = td::WaitForWindow("#32770", kSetupCaption, again.pid());
  ASSERT_NE(offer, nullptr);
  ASSERT_TRUE(td::PressButton(offer, IDYES));
  ASSERT_TRUE(again.WaitExit(td::kWaitMs, &code));
  bool requested = false;
  for (const std::string& line : td::WineLogOf(again.pid()))
    requested = requested || line.find("InitiateSystemShutdownA(") != std::string::npos;
  EXPECT_TRUE(requested);
}

// Runs twice, in two Wine sessions (the harness's SETUPVDL_SESSIONS=2): the
// second session starts as the system does after the restart.
TEST(ProductLifecycle, RestartCarriesOutTheDeletionsAndSetupInstallsAgain) {
  const char* session = getenv("SETUPVDL_SESSION");
  ASSERT_NE(session, nullptr) << "needs the harness's SETUPVDL_SESSIONS=2";
  if (std::string(session) == "1") {
    ASSERT_TRUE(SeedNormalBootList());
    ASSERT_NO_FATAL_FAILURE(InstallUnattended());
    ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
    ASSERT_EQ(PendingDeletionsOf(DllPath()), 1);
    return;
  }
  ASSERT_EQ(std::string(session), "2");
  EXPECT_FALSE(td::FileExists(DllPath()));
  EXPECT_FALSE(td::FileExists(ExePath()));
  EXPECT_TRUE(MultiSz(kSessionManager, "PendingFileRenameOperations").empty());

  // Neither the restart offer nor the overwrite question: the wizard itself.
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND frame = nullptr;
  ASSERT_TRUE(td::WaitUntil([&] {
    for (HWND w : td::TopWindows(setup.pid()))
      EXPECT_EQ(GetDlgItem(w, IDYES), nullptr) << "a question before the wizard";
    return (frame = td::FindFrame(setup.pid())) != nullptr;
  }));
  const char* const pages[] = {kSetupCaption, "License Agreement", "Copying Files", "Where To Start From?",
                               "Setup Completed"};
  for (const char* expected : pages) {
    SCOPED_TRACE(expected);
    ASSERT_TRUE(td::WaitForPage(frame, expected, 60000)) << td::PageTitle(frame);
    // On the copying page the worker presses Next itself when it is done.
    if (std::string(expected) != "Setup Completed") td::Press(frame, PSBTN_NEXT);
  }
  SendMessageA(GetDlgItem(td::CurrentPage(frame), IDC_OPEN_OVERVIEW), BM_SETCHECK, BST_UNCHECKED, 0);
  td::Press(frame, PSBTN_FINISH);
  ASSERT_TRUE(setup.WaitExit(td::kWaitMs, nullptr));
  EXPECT_TRUE(td::FileExists(DllPath()));
  EXPECT_TRUE(td::FileExists(HelpDir() + "VDLite.cnt"));
  EXPECT_TRUE(td::RegKeyExists(HKEY_CLASSES_ROOT, kHandlerKey));
  EXPECT_EQ(MultiSz(kSessionManager, "BootExecute"), (std::vector<std::string>{kNormalBootList, "vdlite.exe", ""}));
  // CTest passes the case only on this line: proof that the second session ran.
  printf("checked after the restart\n");
}

TEST(UninstallEntry, SecondRunRemovesWhatIsLeftAndFailsNowhere) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  EXPECT_EQ(UninstallAndAnswer(), kUninstalledText);
  // Parts come back or stay: a help file, a row; the DLL waits for the restart.
  ASSERT_TRUE(td::WriteWholeFile(HelpDir() + "VDLite.hlp", "help"));
  ASSERT_TRUE(SetFileAttributesA((HelpDir() + "VDLite.hlp").c_str(), FILE_ATTRIBUTE_READONLY));
  DWORD version = 0x01000000;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, &version, 4));
  EXPECT_EQ(UninstallAndAnswer(), kUninstalledText);
  ExpectRowsGone();
  ExpectHelpFilesGone();
  EXPECT_EQ(MultiSz(kSessionManager, "BootExecute"), (std::vector<std::string>{kNormalBootList, ""}));
  EXPECT_EQ(PendingDeletionsOf(DllPath()), 1) << "scheduled once, not once per run";
  EXPECT_EQ(PendingDeletionsOf(ExePath()), 1);
  // With the DLL and the boot-time program already gone as well.
  ASSERT_TRUE(td::DeleteRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations"));
  ASSERT_TRUE(DeleteFileA(ExePath().c_str()));
  EXPECT_EQ(UninstallAndAnswer(), kUninstalledText);
  EXPECT_EQ(PendingDeletionsOf(ExePath()), 0);
}

TEST(UninstallEntry, BootExecuteMissingOrWithoutTheEntryIsLeftAlone) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  // Missing: it is not created.
  ASSERT_TRUE(td::DeleteRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute"));
  ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
  ExpectRowsGone();
  DWORD type = 0;
  std::string data;
  EXPECT_FALSE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", &type, &data));

  struct Case {
    std::string before;
    DWORD type;
    std::string after;
  };
  const Case cases[] = {
      // Without the entry, or holding it only inside another one: unchanged.
      {"autocheck autochk *\0other\0\0"s, REG_MULTI_SZ, "autocheck autochk *\0other\0\0"s},
      {"vdlite.exe /x\0\0"s, REG_MULTI_SZ, "vdlite.exe /x\0\0"s},
      // Not a list: not ours to rewrite.
      {"vdlite.exe\0"s, REG_SZ, "vdlite.exe\0"s},
      // The entry in any case and anywhere, even twice: only it leaves.
      {"first\0VDLite.EXE\0last\0vdlite.exe\0\0"s, REG_MULTI_SZ, "first\0last\0\0"s},
      {"vdlite.exe\0\0"s, REG_MULTI_SZ, "\0"s},
      // Without its final NUL: written back well-formed.
      {"autocheck autochk *\0vdlite.exe\0"s, REG_MULTI_SZ, "autocheck autochk *\0\0"s},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    ASSERT_TRUE(SeedBootList(c.before, c.type));
    ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
    ASSERT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", &type, &data));
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(data, c.after);
  }
  // Another product's entry in characters that the ANSI code page lacks (a
  // full-width backslash among them) keeps them through setup and uninstall.
  const std::wstring other = L"autocheck autochk *\0\x0416\x4E2D\xFF3C-check /x\0"s;
  ASSERT_TRUE(SetWideValue(kSessionManager, L"BootExecute", other + L'\0'));
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  EXPECT_EQ(WideValue(kSessionManager, L"BootExecute"), other + L"vdlite.exe\0\0"s);
  ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
  EXPECT_EQ(WideValue(kSessionManager, L"BootExecute"), other + L'\0');
}

// Keys that may not be changed, one under SOFTWARE (the vendor key) and one
// under SYSTEM (the Session Manager's): everything else goes all the same,
// the message says that the uninstall is not complete, and the uninstall
// entry and its DLL stay, since the second run that the message asks for,
// after the restart, starts there (the harness's SETUPVDL_SESSIONS=2). Once
// the keys may be changed again, that run finishes the job.
TEST(UninstallEntry, RefusedKeysKeepTheEntryForASecondRunAfterTheRestart) {
  const char* session = getenv("SETUPVDL_SESSION");
  ASSERT_NE(session, nullptr) << "needs the harness's SETUPVDL_SESSIONS=2";
  if (std::string(session) == "2") {
    EXPECT_TRUE(td::FileExists(DllPath()));
    ASSERT_TRUE(MakeKeyWritable(HKEY_LOCAL_MACHINE, kVendorKey));
    EXPECT_EQ(UninstallAndAnswer(), kUninstalledText);
    ExpectRowsGone();
    EXPECT_EQ(MultiSz(kSessionManager, "BootExecute"), (std::vector<std::string>{kNormalBootList, ""}));
    EXPECT_EQ(PendingDeletionsOf(DllPath()), 1);
    printf("checked after the restart\n");
    return;
  }
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  ASSERT_TRUE(CreateReadOnlyKey(HKEY_LOCAL_MACHINE, kVendorKey));
  ASSERT_TRUE(CreateReadOnlyKey(HKEY_LOCAL_MACHINE, kSessionManager));
  EXPECT_EQ(UninstallAndAnswer("uninstall-incomplete.bmp"), kIncompleteText);
  DWORD type = 0;
  std::string data;
  EXPECT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", &type, &data));
  EXPECT_EQ(MultiSz(kSessionManager, "BootExecute"), (std::vector<std::string>{kNormalBootList, "vdlite.exe", ""}));
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "the way to the second run";
  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kClsidKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kProductControlKey));
  ExpectHelpFilesGone();
  // Again with the Session Manager's key writable: the vendor key still
  // keeps the job from its end, so the DLL is not scheduled.
  ASSERT_TRUE(MakeKeyWritable(HKEY_LOCAL_MACHINE, kSessionManager));
  EXPECT_EQ(UninstallAndAnswer(), kIncompleteText);
  EXPECT_EQ(PendingDeletionsOf(DllPath()), 0);
}

// Steps that cannot see all of what they remove do not count as done: a
// BootExecute that grows between the uninstall's size query and its read,
// and a help file whose attributes cannot be read (access denied, not
// missing). Each is brought about through the DLL's imports.
LONG(WINAPI* g_realQueryValueW)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
LONG WINAPI GrowingQueryValueW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  LONG result = g_realQueryValueW(key, name, reserved, type, data, size);
  if (data == nullptr && name != nullptr && lstrcmpiW(name, L"BootExecute") == 0) {
    SetWideValue(kSessionManager, L"BootExecute", L"autocheck autochk *\0vdlite.exe\0grown /x\0\0"s);
  }
  return result;
}
DWORD(WINAPI* g_realGetFileAttributesA)(LPCSTR);
DWORD WINAPI RefusedHelpAttributes(LPCSTR path) {
  const size_t length = strlen(path);
  if (length >= 11 && lstrcmpiA(path + length - 11, "\\VDLite.hlp") == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_FILE_ATTRIBUTES;
  }
  return g_realGetFileAttributesA(path);
}

TEST(UninstallEntry, StepsThatCannotReadWhatTheyRemoveAreNotDone) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  LoadedProduct product;
  ASSERT_NE(product.module(), nullptr);
  {
    td::ImportPatch growing(product.module(), "advapi32.dll", "RegQueryValueExW",
                            reinterpret_cast<void*>(GrowingQueryValueW));
    ASSERT_TRUE(growing.active()) << "BootExecute is read in wide characters";
    g_realQueryValueW = reinterpret_cast<decltype(g_realQueryValueW)>(growing.original());
    ASSERT_TRUE(product.UninstallQuietly());
  }
  EXPECT_EQ(WideValue(kSessionManager, L"BootExecute"), L"autocheck autochk *\0vdlite.exe\0grown /x\0\0"s);
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "a grown value was taken as read";

  ASSERT_TRUE(td::WriteWholeFile(HelpDir() + "VDLite.hlp", "help"));
  {
    td::ImportPatch refused(product.module(), "kernel32.dll", "GetFileAttributesA",
                            reinterpret_cast<void*>(RefusedHelpAttributes));
    ASSERT_TRUE(refused.active());
    g_realGetFileAttributesA = reinterpret_cast<decltype(g_realGetFileAttributesA)>(refused.original());
    ASSERT_TRUE(product.UninstallQuietly());
  }
  EXPECT_EQ(WideValue(kSessionManager, L"BootExecute"), L"autocheck autochk *\0grown /x\0\0"s);
  // A help file whose attributes cannot be read is deleted all the same,
  // not taken for gone.
  EXPECT_FALSE(td::FileExists(HelpDir() + "VDLite.hlp")) << "a help file that could not be seen counted as removed";
}

// With a double-byte ANSI code page (932), a Windows directory whose last
// character is a double-byte one with a trail byte of 0x5C ("\x95\x5C")
// ends in no backslash: the help files lie in its Help folder all the same.
// The case runs under a Japanese locale (the harness's LC_ALL and LOCPATH).
const char kDoubleByteWindowsDir[] = "C:\\\x95\x5C";
UINT WINAPI DoubleByteWindowsDirectory(LPSTR buffer, UINT size) {
  if (size <= sizeof kDoubleByteWindowsDir - 1) return sizeof kDoubleByteWindowsDir;
  lstrcpynA(buffer, kDoubleByteWindowsDir, size);
  return sizeof kDoubleByteWindowsDir - 1;
}

TEST(UninstallEntry, WindowsDirectoryEndingInADoubleByteCharacter) {
  ASSERT_EQ(GetACP(), 932u) << "needs the Japanese locale that CTest sets for this case";
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  const std::wstring help = L"C:\\\x8868\\Help\\";  // C:\<hyou>\Help, "\x95\x5C" in code page 932
  ASSERT_TRUE(CreateDirectoryW(L"C:\\\x8868", nullptr));
  ASSERT_TRUE(CreateDirectoryW(help.c_str(), nullptr));
  for (const wchar_t* name : {L"VDLite.hlp", L"VDLite.cnt"}) {
    HANDLE file = CreateFileW((help + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  LoadedProduct product;
  ASSERT_NE(product.module(), nullptr);
  {
    td::ImportPatch directory(product.module(), "kernel32.dll", "GetWindowsDirectoryA",
                              reinterpret_cast<void*>(DoubleByteWindowsDirectory));
    ASSERT_TRUE(directory.active());
    ASSERT_TRUE(product.UninstallQuietly());
  }
  for (const wchar_t* name : {L"VDLite.hlp", L"VDLite.cnt"}) {
    EXPECT_EQ(GetFileAttributesW((help + name).c_str()), INVALID_FILE_ATTRIBUTES) << "left in the Help folder";
  }
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// What others wrote: inside the product's own keys (class, handler,
// uninstall entry, control-set keys) it goes with them; in the shared keys
// (approved list, property-sheet handlers, vendor key) it stays.
TEST(UninstallEntry, ValuesWrittenByOthersGoWithTheProductKeysOnly) {
  ASSERT_TRUE(SeedNormalBootList());
  ASSERT_NO_FATAL_FAILURE(InstallUnattended());
  const std::string jobs = std::string(kJobsKey) + "\\Weekly";
  const std::string otherProduct = "SOFTWARE\\VandrelSoft\\Vandrel Pro";
  const std::string otherHandler = "*\\shellex\\PropertySheetHandlers\\Other";
  const std::string otherClass = "CLSID\\{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0462}";
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallDate", REG_SZ, "20001205", 9));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, jobs.c_str(), "Files", REG_SZ, "C:\\a", 5));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kLastLaunchKey, "Moves", REG_DWORD, "\1\0\0\0", 4));
  ASSERT_TRUE(
      td::SetRegValue(HKEY_CLASSES_ROOT, (std::string(kClsidKey) + "\\DefaultIcon").c_str(), "", REG_SZ, "x", 2));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kApprovedKey, "{other}", REG_SZ, "Other", 6));
  ASSERT_TRUE(td::SetRegValue(HKEY_CLASSES_ROOT, otherHandler.c_str(), "", REG_SZ, "{other}", 8));
  ASSERT_TRUE(td::SetRegValue(HKEY_CLASSES_ROOT, otherClass.c_str(), "", REG_SZ, "Other", 6));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Language", REG_SZ, "en", 3));
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, otherProduct.c_str(), "Version", REG_DWORD, "\0\0\0\2", 4));
  ASSERT_NO_FATAL_FAILURE(UninstallQuietly());

  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kClsidKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_CLASSES_ROOT, kHandlerKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kProductControlKey));
  DWORD type = 0;
  std::string data;
  EXPECT_FALSE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClsidText, &type, &data));
  EXPECT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kApprovedKey, "{other}", &type, &data));
  EXPECT_TRUE(td::RegKeyExists(HKEY_CLASSES_ROOT, otherHandler.c_str()));
  EXPECT_TRUE(td::RegKeyExists(HKEY_CLASSES_ROOT, otherClass.c_str()));
  EXPECT_FALSE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", &type, &data));
  EXPECT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Language", &type, &data));
  EXPECT_TRUE(td::QueryRegValue(HKEY_LOCAL_MACHINE, otherProduct.c_str(), "Version", &type, &data));

  // Once the vendor key holds nothing else, it goes, and so does the vendor.
  ASSERT_TRUE(td::DeleteRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Language"));
  ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\VandrelSoft"));
  ASSERT_TRUE(td::DeleteRegTree(HKEY_LOCAL_MACHINE, otherProduct.c_str()));
  ASSERT_NO_FATAL_FAILURE(UninstallQuietly());
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\VandrelSoft"));
}

}  // namespace
