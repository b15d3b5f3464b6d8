// The resource catalogue, read back as bytes from the test program (linked
// with the same resource object) and from the built SETUPVDL.EXE: strings,
// dialog templates, bitmaps, icon, licence, stored payload files and the
// version block.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <winver.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "resource.h"
#include "test_driver.h"

namespace {

// ---------------------------------------------------------------------------
// The two modules that carry the resources.

class ResourceModule {
 public:
  // The test program itself.
  ResourceModule() : module_(GetModuleHandleA(nullptr)), name_("test program") {}
  // An executable opened as data only.
  explicit ResourceModule(const std::string& path)
      : module_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)), owned_(true), name_(path) {}
  ~ResourceModule() {
    if (owned_ && module_ != nullptr) FreeLibrary(module_);
  }
  ResourceModule(const ResourceModule&) = delete;
  ResourceModule& operator=(const ResourceModule&) = delete;

  HMODULE get() const { return module_; }
  const std::string& name() const { return name_; }

  // The bytes of a resource; empty when it is missing.
  std::string Bytes(LPCSTR type, UINT id) const {
    HRSRC info = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
    if (info == nullptr) return std::string();
    HGLOBAL data = LoadResource(module_, info);
    DWORD size = SizeofResource(module_, info);
    const char* bytes = data != nullptr ? static_cast<const char*>(LockResource(data)) : nullptr;
    return bytes != nullptr ? std::string(bytes, size) : std::string();
  }

 private:
  HMODULE module_;
  bool owned_ = false;
  std::string name_;
};

// Runs a check against both modules.
template <typename Check>
void ForBothModules(Check check) {
  const ResourceModule self;
  const ResourceModule setup(td::SetupExePath());
  ASSERT_NE(setup.get(), nullptr) << "cannot open " << setup.name() << " error " << GetLastError();
  for (const ResourceModule* module : {&self, &setup}) {
    SCOPED_TRACE(module->name());
    check(*module);
  }
}

uint16_t Word(const std::string& b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }
uint32_t Dword(const std::string& b, size_t at) { return Word(b, at) | uint32_t(Word(b, at + 2)) << 16; }

// ---------------------------------------------------------------------------
// String table.

using namespace engine_test;
constexpr const char* kCaption = td::kSetupCaption;

struct ExpectedString {
  UINT id;
  const char* text;
};

const ExpectedString kStrings[] = {
    {1, td::kSetupCaption},
    {2,
     "Vandrel Lite 1.0 Setup\nCopyright \xA9 2000 VandrelSoft. All rights reserved.\n\nUsage:\n\n   SETUPVDL.EXE [-u]\n"
     "   -u - unattended setup"},
    {3, "Setup is not completed. Do you really want to exit Setup?"},
    {4, "http://www.vandrelsoft.com/"},
    {5, "Internal system error occured.\nThe operation can not be completed.\n\nPress OK to exit Setup."},
    {6, "Setup is unable to copy file %s\nto %s directory.\nSetup can not be continued.\n\nPress OK to exit setup."},
    {7, "Unable to change the system Registry.\nSetup can not be continued.\n\nPress OK to exit setup."},
    {8, kHandlerKey},
    {9, kClsidKey},
    {10, kInprocKey},
    {11, kApprovedKey},
    {12, kUninstallKey},
    {13, kLastLaunchKey},
    {14, kJobsKey},
    {15, kClsidText},
    {16, "Rundll32.exe VDLite.dll,Uninstall"},
    {17, "Vandrel Lite 1.0"},
    {18, "VDLITE.DLL"},
    {19, "Apartment"},
    {20, "BSOD"},
    {21, "Status"},
    {22, "StartTime"},
    {23, "FinishTime"},
    {24, kSessionManager},
    {25, "VDLITE.EXE"},
    {26, "C:\\SetupVDL.ERR"},
    {27, "Unattended installation of Vandrel Lite 1.0 failed. "},
    {28, kVendorKey},
    {29, "Version"},
    {30,
     "This copy of Vandrel Lite 1.0 Setup is damaged and cannot install the product.\n\nPlease obtain a new copy of "
     "SETUPVDL.EXE."},
    {31,
     "Unattended installation of Vandrel Lite 1.0 failed: the setup file is damaged and a new copy of it is needed. "},
};

TEST(Resources, StringTableHoldsEveryText) {
  ForBothModules([](const ResourceModule& module) {
    for (const ExpectedString& want : kStrings) {
      SCOPED_TRACE("string " + std::to_string(want.id));
      char text[256];
      std::memset(text, 0x7F, sizeof text);
      int n = LoadStringA(module.get(), want.id, text, 255);
      EXPECT_EQ(std::string(text, n > 0 ? n : 0), want.text);
    }
    char unused[256];
    EXPECT_EQ(LoadStringA(module.get(), 32, unused, 255), 0) << "no string past 31";
  });
}

// ---------------------------------------------------------------------------
// Dialog templates, parsed from the raw DLGTEMPLATE / DLGTEMPLATEEX bytes.

const uint16_t kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

// A name-or-ordinal field: an ordinal, or a (possibly empty) text.
struct NameOrOrdinal {
  uint16_t ordinal = 0;
  std::wstring text;
};

struct Item {
  uint32_t id = 0, style = 0, exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal cls, text;
};

struct Dialog {
  bool extended = false;
  uint32_t style = 0, exStyle = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  NameOrOrdinal menu, cls;
  std::wstring caption, face;
  uint16_t points = 0, weight = 0;
  uint8_t italic = 0, charset = 0;
  std::vector<Item> items;
};

// Reads a template; any read past the end sets `ok` to false.
class TemplateReader {
 public:
  explicit TemplateReader(const std::string& bytes) : b_(bytes) {}
  bool ok() const { return ok_; }
  bool AtEnd() const { return at_ >= b_.size(); }

  uint16_t U16() {
    if (at_ + 2 > b_.size()) return Fail();
    uint16_t v = Word(b_, at_);
    at_ += 2;
    return v;
  }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | uint32_t(U16()) << 16;
  }
  int16_t S16() { return int16_t(U16()); }
  uint8_t U8() {
    if (at_ + 1 > b_.size()) return Fail();
    return uint8_t(b_[at_++]);
  }
  std::wstring Text() {
    std::wstring s;
    for (uint16_t c; ok_ && (c = U16()) != 0;) s.push_back(wchar_t(c));
    return s;
  }
  NameOrOrdinal NameOrOrd() {
    NameOrOrdinal n;
    uint16_t first = U16();
    if (first == 0xFFFF) {
      n.ordinal = U16();
    } else if (first != 0) {
      n.text.push_back(wchar_t(first));
      n.text += Text();
    }
    return n;
  }
  void AlignDword() { at_ = (at_ + 3) & ~size_t(3); }
  void Skip(size_t n) {
    if (at_ + n > b_.size()) Fail();
    at_ += n;
  }

 private:
  uint16_t Fail() {
    ok_ = false;
    at_ = b_.size();
    return 0;
  }
  const std::string& b_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool ParseDialog(const std::string& bytes, Dialog* d) {
  TemplateReader r(bytes);
  uint16_t count = 0;
  if (bytes.size() >= 4 && Word(bytes, 0) == 1 && Word(bytes, 2) == 0xFFFF) {
    d->extended = true;
    r.U32();  // version and signature
    r.U32();  // help id
    d->exStyle = r.U32();
    d->style = r.U32();
  } else {
    d->style = r.U32();
    d->exStyle = r.U32();
  }
  count = r.U16();
  d->x = r.S16();
  d->y = r.S16();
  d->cx = r.S16();
  d->cy = r.S16();
  d->menu = r.NameOrOrd();
  d->cls = r.NameOrOrd();
  d->caption = r.Text();
  if (d->style & DS_SETFONT) {
    d->points = r.U16();
    if (d->extended) {
      d->weight = r.U16();
      d->italic = r.U8();
      d->charset = r.U8();
    }
    d->face = r.Text();
  }
  for (uint16_t i = 0; i < count && r.ok(); ++i) {
    Item item;
    r.AlignDword();
    if (d->extended) {
      r.U32();  // help id
      item.exStyle = r.U32();
      item.style = r.U32();
    } else {
      item.style = r.U32();
      item.exStyle = r.U32();
    }
    item.x = r.S16();
    item.y = r.S16();
    item.cx = r.S16();
    item.cy = r.S16();
    item.id = d->extended ? r.U32() : r.U16();
    item.cls = r.NameOrOrd();
    item.text = r.NameOrOrd();
    r.Skip(r.U16());  // creation data
    d->items.push_back(item);
  }
  return r.ok() && d->items.size() == count;
}

const uint32_t kText = WS_CHILD | WS_VISIBLE | WS_GROUP;
const uint32_t kLine = WS_CHILD | WS_VISIBLE | SS_ETCHEDHORZ;
const uint32_t kIcon = WS_CHILD | WS_VISIBLE | SS_ICON;
const uint32_t kPush = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
const uint32_t kDefPush = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON;
const uint32_t kPageStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
const uint32_t kCheckStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
const int kNoId = -1;

struct ExpectedItem {
  int id;
  uint16_t cls;  // an ordinal, or 0 for the progress bar's class name
  int16_t x, y, cx, cy;
  uint32_t style, exStyle;
  const wchar_t* text;  // null: an ordinal (the icon)
};

struct ExpectedDialog {
  UINT id;
  bool extended;
  uint32_t style;
  int16_t cx, cy;
  std::vector<ExpectedItem> items;
};

const wchar_t kWelcomeCopyright[] = L"Copyright \x00A9 2000 Vandrel team  \x2014  ";

const ExpectedDialog kDialogs[] = {
    {IDD_WELCOME_PAGE,
     false,
     kPageStyle,
     292,
     135,
     {{kNoId, kStatic, 73, 44, 62, 16, kText, 0, L"Vandrel Lite\nVersion 1.0"},
      {kNoId, kStatic, 73, 68, 126, 8, kText, 0, kWelcomeCopyright},
      {kNoId, kStatic, 73, 20, 157, 16, kText, 0, L"You are about to install Vandrel Lite\nChoose Next to continue."},
      {kNoId, kStatic, 73, 14, 218, 1, kLine, 0, L""},
      {1005, kStatic, 73, -2, 217, 15, kText, 0, L"Vandrel Lite 1.0 Setup"},
      {1001, kStatic, 0, 0, 8, 8, kText, 0, L""},
      {kNoId, kStatic, 73, 108, 207, 25, kText, 0, L""},
      {kNoId, kStatic, 73, 84, 197, 16, kText, 0, L""},
      {1006, kStatic, 200, 68, 60, 8, kText, 0, L"VandrelSoft"}}},
    {IDD_LICENSE_PAGE,
     false,
     kPageStyle,
     292,
     135,
     {{kNoId, kStatic, 73, 20, 212, 16, kText, 0,
       L"Please read the following License Agreement.\nBy choosing to continue, you indicate acceptance of these "
       L"terms."},
      {kNoId, kStatic, 73, 14, 218, 1, kLine, 0, L""},
      {1005, kStatic, 73, -2, 217, 15, kText, 0, L"License Agreement"},
      {1002, kEdit, 72, 40, 218, 95,
       WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 0, L""},
      {1001, kStatic, 0, 0, 8, 8, kText, 0, L""}}},
    {IDD_COPYING_PAGE,
     true,
     kPageStyle,
     292,
     135,
     {{kNoId, kStatic, 73, 20, 190, 8, kText, 0, L"Press Next to copy Vandrel Lite files on your computer"},
      {1003, 0, 73, 37, 217, 15, WS_CHILD | WS_BORDER, WS_EX_CLIENTEDGE, L"Progress1"},
      {kNoId, kStatic, 73, 14, 218, 1, kLine, 0, L""},
      {1005, kStatic, 73, -2, 217, 15, kText, 0, L"Copying Files"},
      {1001, kStatic, 0, 0, 8, 8, kText, 0, L""}}},
    {IDD_WHERE_TO_START_PAGE,
     false,
     kPageStyle,
     292,
     135,
     {{1008, kStatic, 14, 21, 8, 8, kText, 0, L""},
      {kNoId, kStatic, 5, 14, 286, 1, kLine, 0, L""},
      {1005, kStatic, 5, 0, 285, 15, kText, 0, L"Where To Start From?"},
      {1009, kStatic, 153, 66, 8, 8, kText, 0, L""},
      {kNoId, kStatic, 153, 23, 130, 17, kText, 0,
       L"Right-click a selected file or a group of files with a mouse and choose Properties"},
      {kNoId, kStatic, 153, 46, 126, 8, kText, 0, L"Click Vandrel tab to process file(s)"},
      {kNoId, kStatic, 144, 23, 8, 8, kText, 0, L"1."},
      {kNoId, kStatic, 144, 46, 8, 8, kText, 0, L"2."}}},
    {IDD_FINISH_PAGE,
     false,
     kPageStyle,
     292,
     135,
     {{kNoId, kStatic, 73, 20, 154, 8, kText, 0, L"Vandrel Lite setup completed successfully."},
      {kNoId, kStatic, 73, 118, 97, 8, kText, 0, L"Click Finish to finish setup."},
      {kNoId, kStatic, 73, 14, 218, 1, kLine, 0, L""},
      {kNoId, kStatic, 73, 30, 136, 8, kText, 0, L"Thank you for choosing Vandrel Lite!"},
      {1004, kButton, 73, 66, 153, 10, WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP, 0,
       L"&Open Vandrel Lite overview on Finish"},
      {kNoId, kStatic, 73, 48, 172, 17, kText, 0,
       L"You are highly recommended to take a moment for the brief overview of the product:"},
      {kNoId, kStatic, 73, 88, 197, 20, kText, 0,
       L"To uninstall Vandrel Lite open Control Panel and choose Add/Remove Program."},
      {1005, kStatic, 73, -2, 217, 15, kText, 0, L"Setup Completed"},
      {1001, kStatic, 0, 0, 8, 8, kText, 0, L""}}},
    {IDD_UNSUPPORTED_SYSTEM,
     false,
     kCheckStyle,
     189,
     82,
     {{kNoId, kStatic, 10, 8, 20, 20, kIcon, 0, nullptr},
      {kNoId, kStatic, 42, 8, 141, 42, kText, 0,
       L"Unsupported operating system.\n\nVandrel Lite requires Windows NT 4.0 with Service Pack 2 or higher "
       L"installed, or Windows 2000."},
      {IDOK, kButton, 69, 58, 50, 14, kDefPush, 0, L"Exit Setup"}}},
    {IDD_RESTART_OFFER,
     false,
     kCheckStyle,
     182,
     79,
     {{kNoId, kStatic, 10, 8, 20, 20, kIcon, 0, nullptr},
      {kNoId, kStatic, 42, 8, 134, 41, kText, 0,
       L"Vandrel Lite has been recently uninstalled. You should reboot the system before trying to make another "
       L"installation.\n\nDo you want to reboot the system now?"},
      {IDYES, kButton, 49, 57, 35, 14, kPush, 0, L"&Yes"},
      {IDNO, kButton, 97, 57, 35, 14, kDefPush, 0, L"&No"}}},
    {IDD_OVERWRITE_QUESTION,
     false,
     kCheckStyle,
     168,
     77,
     {{kNoId, kStatic, 10, 8, 20, 20, kIcon, 0, nullptr},
      {kNoId, kStatic, 42, 8, 120, 35, kText, 0,
       L"Vandrel Lite is already installed.\n\nAre you sure you want to overwrite\nthe existing installation?"},
      {IDYES, kButton, 42, 52, 35, 14, kPush, 0, L"&Yes"},
      {IDNO, kButton, 90, 52, 35, 14, kDefPush, 0, L"&No"}}},
};

void ExpectItem(const Item& item, const ExpectedItem& want, bool extended) {
  EXPECT_EQ(item.id, extended ? uint32_t(want.id) : uint32_t(uint16_t(want.id)));
  if (want.cls != 0) {
    EXPECT_EQ(item.cls.ordinal, want.cls);
  } else {
    // Class names match without regard to case; windres upper-cases them.
    EXPECT_EQ(item.cls.ordinal, 0);
    EXPECT_EQ(CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, item.cls.text.c_str(), -1, L"msctls_progress32", -1),
              CSTR_EQUAL);
  }
  EXPECT_EQ(item.x, want.x);
  EXPECT_EQ(item.y, want.y);
  EXPECT_EQ(item.cx, want.cx);
  EXPECT_EQ(item.cy, want.cy);
  EXPECT_EQ(item.style, want.style) << std::hex << "item style 0x" << item.style;
  EXPECT_EQ(item.exStyle, want.exStyle);
  if (want.text != nullptr) {
    EXPECT_EQ(item.text.ordinal, 0);
    EXPECT_TRUE(item.text.text == want.text) << "text of " << item.text.text.size() << " characters differs";
  } else {  // the icon static names icon 101 by number
    EXPECT_EQ(item.text.ordinal, IDI_SETUP);
  }
}

TEST(Resources, DialogTemplatesMatchTheCatalogue) {
  ForBothModules([](const ResourceModule& module) {
    for (const ExpectedDialog& want : kDialogs) {
      SCOPED_TRACE("dialog " + std::to_string(want.id));
      std::string bytes = module.Bytes(RT_DIALOG, want.id);
      ASSERT_FALSE(bytes.empty());
      Dialog d;
      ASSERT_TRUE(ParseDialog(bytes, &d));
      EXPECT_EQ(d.extended, want.extended);
      EXPECT_EQ(d.style, want.style) << std::hex << "style 0x" << d.style;
      EXPECT_EQ(d.exStyle, 0u);
      EXPECT_EQ(d.x, 0);
      EXPECT_EQ(d.y, 0);
      EXPECT_EQ(d.cx, want.cx);
      EXPECT_EQ(d.cy, want.cy);
      EXPECT_TRUE(d.menu.ordinal == 0 && d.menu.text.empty());
      EXPECT_TRUE(d.cls.ordinal == 0 && d.cls.text.empty());
      EXPECT_TRUE(d.caption == L"Vandrel Lite 1.0 Setup");
      EXPECT_EQ(d.points, 8);
      EXPECT_TRUE(d.face == L"MS Sans Serif");
      if (d.extended) {
        EXPECT_EQ(d.italic, 0);
        EXPECT_EQ(d.charset, DEFAULT_CHARSET);
      }
      ASSERT_EQ(d.items.size(), want.items.size());
      for (size_t i = 0; i < d.items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i) + " (id " + std::to_string(want.items[i].id) + ")");
        ExpectItem(d.items[i], want.items[i], d.extended);
      }
    }
  });
}

// The dialog manager creates every page template: the classes resolve and
// the progress bar starts hidden.
INT_PTR CALLBACK QuietPage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST(Resources, PageTemplatesCreateWithHiddenProgressBar) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
  ASSERT_TRUE(InitCommonControlsEx(&icc));
  for (UINT id : {IDD_WELCOME_PAGE, IDD_LICENSE_PAGE, IDD_COPYING_PAGE, IDD_WHERE_TO_START_PAGE, IDD_FINISH_PAGE}) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    HWND page = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), nullptr, QuietPage, 0);
    ASSERT_NE(page, nullptr);
    char caption[64] = "";
    GetWindowTextA(page, caption, sizeof caption);
    EXPECT_STREQ(caption, kCaption);
    if (id == IDD_COPYING_PAGE) {
      HWND progress = GetDlgItem(page, IDC_PROGRESS);
      ASSERT_NE(progress, nullptr);
      EXPECT_EQ(td::ClassName(progress), "msctls_progress32");
      // Hidden until the worker shows it. (Its client edge is checked in the
      // template: the control trades it for a static edge when created.)
      EXPECT_FALSE(IsWindowVisible(progress));
      EXPECT_FALSE(GetWindowLongPtrA(progress, GWL_STYLE) & WS_VISIBLE);
    }
    EXPECT_NE(GetDlgItem(page, IDC_PAGE_TITLE), nullptr);
    DestroyWindow(page);
  }
}

// ---------------------------------------------------------------------------
// Bitmaps and icon.

TEST(Resources, BitmapsAreUncompressedBottomUpDibs) {
  struct BitmapSpec {
    UINT id;
    LONG width, height;
    WORD bits;
  };
  const BitmapSpec kBitmaps[] = {
      {IDB_SIDE_PICTURE, 96, 222, 8}, {IDB_SHORTCUT_MENU, 176, 185, 4}, {IDB_PROPERTIES_TAB, 178, 111, 4}};
  ForBothModules([&](const ResourceModule& module) {
    for (const BitmapSpec& want : kBitmaps) {
      SCOPED_TRACE("bitmap " + std::to_string(want.id));
      std::string bytes = module.Bytes(RT_BITMAP, want.id);
      ASSERT_GE(bytes.size(), sizeof(BITMAPINFOHEADER));
      BITMAPINFOHEADER h;
      std::memcpy(&h, bytes.data(), sizeof h);
      EXPECT_EQ(h.biSize, 40u);
      EXPECT_EQ(h.biWidth, want.width);
      EXPECT_EQ(h.biHeight, want.height);  // positive: bottom-up
      EXPECT_EQ(h.biPlanes, 1);
      EXPECT_EQ(h.biBitCount, want.bits);
      EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
      EXPECT_EQ(h.biClrUsed, 0u);
      // Header, the full colour table and the padded rows; nothing missing.
      size_t stride = ((size_t(want.width) * want.bits + 31) / 32) * 4;
      EXPECT_GE(bytes.size(), 40 + (size_t(1) << want.bits) * 4 + stride * want.height);
    }
  });
  // GDI agrees about the size.
  for (const BitmapSpec& want : kBitmaps) {
    SCOPED_TRACE("bitmap " + std::to_string(want.id));
    HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(want.id));
    ASSERT_NE(bitmap, nullptr);
    BITMAP bm;
    ASSERT_EQ(GetObjectA(bitmap, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, want.width);
    EXPECT_EQ(bm.bmHeight, want.height);
    DeleteObject(bitmap);
  }
}

TEST(Resources, IconHas32And16PixelImagesOf16Colours) {
  ForBothModules([](const ResourceModule& module) {
    std::string dir = module.Bytes(RT_GROUP_ICON, IDI_SETUP);
    ASSERT_GE(dir.size(), 6u);
    EXPECT_EQ(Word(dir, 0), 0);
    EXPECT_EQ(Word(dir, 2), 1);  // icon
    ASSERT_EQ(Word(dir, 4), 2);
    ASSERT_EQ(dir.size(), 6u + 2 * 14);
    std::vector<int> sizes;
    for (int i = 0; i < 2; ++i) {
      size_t e = 6 + 14 * size_t(i);
      int size = uint8_t(dir[e]);
      SCOPED_TRACE("entry " + std::to_string(i) + ", " + std::to_string(size) + " pixels");
      sizes.push_back(size);
      EXPECT_EQ(uint8_t(dir[e + 1]), size);  // square
      EXPECT_EQ(uint8_t(dir[e + 2]), 16);    // colours
      EXPECT_EQ(Word(dir, e + 4), 1);        // planes
      EXPECT_EQ(Word(dir, e + 6), 4);        // bits per pixel
      std::string image = module.Bytes(RT_ICON, Word(dir, e + 12));
      ASSERT_EQ(image.size(), Dword(dir, e + 8));
      ASSERT_GE(image.size(), 40u);
      EXPECT_EQ(Dword(image, 0), 40u);
      EXPECT_EQ(Dword(image, 4), uint32_t(size));
      EXPECT_EQ(Dword(image, 8), uint32_t(size * 2));  // colour and mask
      EXPECT_EQ(Word(image, 14), 4);
      // Colour table, 4-bit rows and the 1-bit mask rows.
      size_t mask_stride = ((size_t(size) + 31) / 32) * 4;
      EXPECT_EQ(image.size(), 40 + 16 * 4 + size_t(size) * size / 2 + mask_stride * size);
    }
    EXPECT_TRUE((sizes == std::vector<int>{32, 16}) || (sizes == std::vector<int>{16, 32}));
  });
  for (int size : {16, 32}) {
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SETUP), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    DestroyIcon(icon);
  }
}

// ---------------------------------------------------------------------------
// Licence text.

TEST(Resources, LicenceIsThreeCrLfParagraphsOf924Bytes) {
  ForBothModules([](const ResourceModule& module) {
    std::string text = module.Bytes("FILE", IDR_LICENSE_TEXT);
    ASSERT_EQ(text.size(), 924u);
    EXPECT_EQ(text.find('\0'), std::string::npos);
    for (size_t i = 0; i < text.size(); ++i) {
      unsigned char c = text[i];
      if (c == '\r') {
        ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
      } else if (c == '\n') {
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
      } else {
        ASSERT_GE(c, 0x20) << "control character at " << i;
      }
    }
    ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_NE(text.substr(text.size() - 4), "\r\n\r\n");
    // Paragraphs: runs of non-empty lines separated by one empty line.
    std::vector<std::string> paragraphs;
    size_t start = 0;
    for (size_t gap; (gap = text.find("\r\n\r\n", start)) != std::string::npos; start = gap + 4)
      paragraphs.push_back(text.substr(start, gap - start + 2));
    paragraphs.push_back(text.substr(start));
    ASSERT_EQ(paragraphs.size(), 3u);
    for (const std::string& p : paragraphs) {
      EXPECT_FALSE(p.empty());
      EXPECT_NE(p.substr(0, 2), "\r\n") << "more than one empty line";
    }
    EXPECT_NE(text.find("VandrelSoft"), std::string::npos);
    EXPECT_NE(text.find("non-commercial"), std::string::npos);
    EXPECT_NE(text.find("WITHOUT WARRANTY"), std::string::npos);
  });
}

// ---------------------------------------------------------------------------
// Stored payload files (SZDD).

// The PE subsystem and characteristics of an image.
bool PeInfo(const std::string& image, WORD* subsystem, WORD* characteristics) {
  if (image.size() < 0x40 || image.compare(0, 2, "MZ") != 0) return false;
  size_t pe = Dword(image, 0x3C);
  if (pe + 24 + 70 > image.size() || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return false;
  *characteristics = Word(image, pe + 22);
  *subsystem = Word(image, pe + 24 + 68);  // same offset in PE32 and PE32+
  return true;
}

// What the version library makes of a stored file: installed with
// expansion into a directory of its own, then read back.
bool ExpandWithVersionLibrary(const std::string& stored, const char* source, const char* dest, std::string* out) {
  const std::string src = TempDir() + "vdlres-src\\", dst = TempDir() + "vdlres-dst\\";
  CreateDirectoryA(src.c_str(), nullptr);
  CreateDirectoryA(dst.c_str(), nullptr);
  bool ok = td::WriteWholeFile(src + source, stored);
  // The MinGW prototype takes non-const strings.
  std::string source_name = source, dest_name = dest, src_dir = src, dst_dir = dst;
  char temp[520] = "";
  UINT temp_len = sizeof temp;
  DWORD result = ok ? VerInstallFileA(VIFF_FORCEINSTALL, &source_name[0], &dest_name[0], &src_dir[0], &dst_dir[0],
                                      nullptr, temp, &temp_len)
                    : DWORD(-1);
  ok = ok && result == 0 && td::ReadWholeFile(dst + dest, out);
  DeleteFileA((src + source).c_str());
  DeleteFileA((dst + dest).c_str());
  RemoveDirectoryA(src.c_str());
  RemoveDirectoryA(dst.c_str());
  EXPECT_EQ(result, 0u) << "VerInstallFileA";
  return ok;
}

TEST(Resources, PayloadsAreSzddFilesThatExpand) {
  struct PayloadSpec {
    UINT id;
    const char* source;
    const char* dest;
  };
  const PayloadSpec kPayloads[] = {{IDR_PAYLOAD_DLL, "vdlite.dl_", "VDLite.dll"},
                                   {IDR_PAYLOAD_EXE, "vdlite.ex_", "VDLite.exe"},
                                   {IDR_PAYLOAD_HLP, "vdlite.hl_", "VDLite.hlp"},
                                   {IDR_PAYLOAD_CNT, "vdlite.cn_", "VDLite.cnt"}};
  ForBothModules([&](const ResourceModule& module) {
    for (const PayloadSpec& want : kPayloads) {
      SCOPED_TRACE(std::string("payload ") + std::to_string(want.id) + " " + want.dest);
      std::string stored = module.Bytes("FILE", want.id);
      ASSERT_GT(stored.size(), 14u);
      EXPECT_EQ(stored.substr(0, 8), std::string("SZDD\x88\xF0\x27\x33", 8));
      EXPECT_EQ(stored[8], 'A');
      EXPECT_EQ(stored[9], '\0');
      std::string expanded;
      ASSERT_TRUE(ExpandSzdd(stored, &expanded));  // to the length in its header
      EXPECT_FALSE(expanded.empty());

      std::string installed;
      ASSERT_TRUE(ExpandWithVersionLibrary(stored, want.source, want.dest, &installed));
      EXPECT_TRUE(installed == expanded) << "the version library expands it differently";

      WORD subsystem = 0, characteristics = 0;
      switch (want.id) {
        case IDR_PAYLOAD_DLL:
          ASSERT_TRUE(PeInfo(expanded, &subsystem, &characteristics));
          EXPECT_TRUE(characteristics & IMAGE_FILE_DLL);
          break;
        case IDR_PAYLOAD_EXE:
          ASSERT_TRUE(PeInfo(expanded, &subsystem, &characteristics));
          EXPECT_FALSE(characteristics & IMAGE_FILE_DLL);
          EXPECT_EQ(subsystem, IMAGE_SUBSYSTEM_NATIVE);
          break;
        case IDR_PAYLOAD_HLP:
          EXPECT_EQ(Dword(expanded, 0), 0x00035F3Fu);
          break;
        case IDR_PAYLOAD_CNT:
          EXPECT_EQ(expanded.substr(0, 18), ":Base VDLite.hlp\r\n");
          break;
      }
    }
  });
}

// The stored DLL, expanded, is an in-process server of the product's class
// and a Rundll32 target.
TEST(Resources, PayloadDllLoadsAndAnswersComQueries) {
  const ResourceModule self;
  std::string expanded;
  ASSERT_TRUE(ExpandSzdd(self.Bytes("FILE", IDR_PAYLOAD_DLL), &expanded));
  const std::string path = TempDir() + "VDLite.dll";
  ASSERT_TRUE(td::WriteWholeFile(path, expanded));
  HMODULE dll = LoadLibraryA(path.c_str());
  ASSERT_NE(dll, nullptr) << GetLastError();
  typedef HRESULT(WINAPI * GetClassObject)(REFCLSID, REFIID, void**);
  typedef HRESULT(WINAPI * CanUnloadNow)();
  auto get = reinterpret_cast<GetClassObject>(GetProcAddress(dll, "DllGetClassObject"));
  auto can_unload = reinterpret_cast<CanUnloadNow>(GetProcAddress(dll, "DllCanUnloadNow"));
  EXPECT_NE(GetProcAddress(dll, "Uninstall"), nullptr);
  ASSERT_NE(get, nullptr);
  ASSERT_NE(can_unload, nullptr);
  // The class of the registry layout, and no other.
  const GUID clsid = {0x5E1D7C42, 0x9B3A, 0x4F60, {0xA1, 0xC8, 0x3D, 0x2E, 0x7B, 0x9F, 0x04, 0x61}};
  const GUID other = {0x5E1D7C42, 0x9B3A, 0x4F60, {0xA1, 0xC8, 0x3D, 0x2E, 0x7B, 0x9F, 0x04, 0x60}};
  const GUID class_factory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  void* object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(get(other, class_factory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(can_unload(), S_OK);
  ASSERT_EQ(get(clsid, class_factory, &object), S_OK);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(can_unload(), S_FALSE);
  static_cast<IUnknown*>(object)->Release();
  EXPECT_EQ(can_unload(), S_OK);
  FreeLibrary(dll);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// ---------------------------------------------------------------------------
// Version block.

std::string VersionString(const std::vector<char>& block, const char* translation, const char* name) {
  std::string query = std::string("\\StringFileInfo\\") + translation + "\\" + name;
  void* value = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(block.data(), query.c_str(), &value, &len) || value == nullptr) return "<missing>";
  return std::string(static_cast<const char*>(value));
}

TEST(Resources, VersionBlockNamesTheSetup) {
  for (const std::string& path : {td::SetupExePath(), td::BinDir() + "resources_test.exe"}) {
    SCOPED_TRACE(path);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    ASSERT_GE(len, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);

    WORD* translation = nullptr;
    ASSERT_TRUE(
        VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
    ASSERT_GE(len, 4u);
    char key[16];
    snprintf(key, sizeof key, "%04X%04X", translation[0], translation[1]);
    EXPECT_STREQ(key, "040904B0");

    EXPECT_EQ(VersionString(block, key, "FileVersion"), "1, 0, 0, 0");
    EXPECT_EQ(VersionString(block, key, "ProductVersion"), "1, 0, 0, 0");
    EXPECT_EQ(VersionString(block, key, "OriginalFilename"), "SETUPVDL.EXE");
    EXPECT_EQ(VersionString(block, key, "InternalName"), "SETUPVDL");
    EXPECT_EQ(VersionString(block, key, "FileDescription"), "SETUPVDL");
    EXPECT_EQ(VersionString(block, key, "ProductName"), "Vandrel Lite Setup");
    EXPECT_EQ(VersionString(block, key, "CompanyName"), "VandrelSoft");
    EXPECT_EQ(VersionString(block, key, "LegalTrademarks"), "Vandrel");
    EXPECT_NE(VersionString(block, key, "LegalCopyright").find("VandrelSoft"), std::string::npos);
  }
}

}  // namespace
