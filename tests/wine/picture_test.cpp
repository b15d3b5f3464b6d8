// CPicture on real dialogs: palettes from colour tables, the bitmap at its
// own size, painting, system colour changes and untrusted resource headers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../dib_builder.h"
#include "control_dialogs.h"
#include "controls/picture.h"
#include "resource.h"
#include "test_driver.h"

namespace {

constexpr int kItem = 2201;
constexpr WORD kBitmap24 = 3001;
constexpr WORD kBitmapUsed20 = 3002;
constexpr WORD kBitmapHugeCount = 3003;
constexpr WORD kBitmapHugeHeader = 3004;
constexpr WORD kBitmapCutRows = 3005;

using dib_builder::Put32;

// A packed DIB of dib_builder's colour table; every pixel byte is 0x5A.
std::vector<uint8_t> MakeDib(int width, int height, int bits, uint32_t clrUsed, uint32_t entries) {
  return dib_builder::MakeDib(width, height, bits, clrUsed, entries, 40, 0, 0x5A);
}

// A copy of this program with extra bitmap resources, loaded as data.
class ExtraBitmaps {
 public:
  ExtraBitmaps() {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "vdl-bitmaps.dll";
    if (!CopyFileA(self, path_.c_str(), FALSE)) return;
    HANDLE update = BeginUpdateResourceA(path_.c_str(), FALSE);
    if (update == nullptr) return;
    auto add = [update](WORD id, std::vector<uint8_t> data) {
      return UpdateResourceA(update, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(id),
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), data.data(), static_cast<DWORD>(data.size()));
    };
    // Its bottom row starts with colours 19 and 5, 80 bytes after the header.
    std::vector<uint8_t> used20 = MakeDib(7, 4, 8, 20, 20);
    used20[40 + 80] = 19;
    used20[40 + 81] = 5;
    bool ok = add(kBitmap24, MakeDib(5, 3, 24, 0, 0)) && add(kBitmapUsed20, used20);
    std::vector<uint8_t> huge = MakeDib(4, 2, 8, 0, 256);
    Put32(&huge, 32, 0x3FFFFFFF);  // a colour table far past the end
    ok = ok && add(kBitmapHugeCount, huge);
    std::vector<uint8_t> header = MakeDib(4, 2, 24, 0, 0);
    Put32(&header, 0, 0x7FFFFFF0);  // a header past the end
    ok = ok && add(kBitmapHugeHeader, header);
    std::vector<uint8_t> cut = MakeDib(40, 40, 8, 0, 256);
    cut.resize(cut.size() - 100);  // rows past the end
    ok = ok && add(kBitmapCutRows, cut);
    if (!EndUpdateResourceA(update, !ok) || !ok) return;
    module_ = LoadLibraryExA(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  }
  ~ExtraBitmaps() {
    if (module_ != nullptr) FreeLibrary(module_);
    DeleteFileA(path_.c_str());
  }
  HMODULE module() const { return module_; }

 private:
  std::string path_;
  HMODULE module_ = nullptr;
};

// The first count colours of the resource's table as the system reads it (a
// DIB section made from the resource by LoadImage), as palette entries.
std::vector<PALETTEENTRY> TableOf(HMODULE module, WORD id, UINT count) {
  std::vector<PALETTEENTRY> table;
  HBITMAP dib = static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (dib == nullptr) return table;
  HDC mem = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(mem, dib);
  RGBQUAD colours[256];
  count = GetDIBColorTable(mem, 0, count < 256 ? count : 256, colours);
  for (UINT i = 0; i < count; ++i) table.push_back({colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue, 0});
  SelectObject(mem, previous);
  DeleteDC(mem);
  DeleteObject(dib);
  return table;
}

std::vector<PALETTEENTRY> EntriesOf(HPALETTE palette) {
  WORD count = 0;
  GetObjectA(palette, sizeof count, &count);
  std::vector<PALETTEENTRY> entries(count);
  if (count > 0) GetPaletteEntries(palette, 0, count, entries.data());
  return entries;
}

void ExpectSameEntries(const std::vector<PALETTEENTRY>& expected, const std::vector<PALETTEENTRY>& actual) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(expected[i].peRed, actual[i].peRed);
    EXPECT_EQ(expected[i].peGreen, actual[i].peGreen);
    EXPECT_EQ(expected[i].peBlue, actual[i].peBlue);
    EXPECT_EQ(0, actual[i].peFlags);
  }
}

BITMAP BitmapInfo(HBITMAP bitmap) {
  BITMAP bm = {};
  GetObjectA(bitmap, sizeof bm, &bm);
  return bm;
}

TEST(PictureLoad, PalettesOfTheProgramsBitmaps) {
  HMODULE self = GetModuleHandleA(nullptr);
  struct Case {
    WORD id;
    int width, height;
    size_t colours;
  } cases[] = {{IDB_SIDE_PICTURE, 96, 222, 256}, {IDB_SHORTCUT_MENU, 176, 185, 16}, {IDB_PROPERTIES_TAB, 178, 111, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    CPicture picture;
    picture.LoadFromResource(self, c.id);
    ASSERT_NE(nullptr, picture.Bitmap());
    EXPECT_EQ(c.width, picture.Width());
    EXPECT_EQ(c.height, picture.Height());
    BITMAP bm = BitmapInfo(picture.Bitmap());
    EXPECT_EQ(c.width, bm.bmWidth);
    EXPECT_EQ(c.height, bm.bmHeight);
    ASSERT_NE(nullptr, picture.Palette());
    ExpectSameEntries(TableOf(self, c.id, static_cast<UINT>(c.colours)), EntriesOf(picture.Palette()));
  }
}

TEST(PictureLoad, TrueColourAndShortColourTables) {
  ExtraBitmaps extra;
  ASSERT_NE(nullptr, extra.module());
  {
    CPicture picture;
    picture.LoadFromResource(extra.module(), kBitmap24);
    ASSERT_NE(nullptr, picture.Bitmap());
    EXPECT_EQ(nullptr, picture.Palette());
    EXPECT_EQ(5, picture.Width());
    EXPECT_EQ(3, picture.Height());
    // Bits right behind the header: every pixel is 5A 5A 5A.
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(mem, picture.Bitmap());
    EXPECT_EQ(RGB(0x5A, 0x5A, 0x5A), GetPixel(mem, 0, 0));
    EXPECT_EQ(RGB(0x5A, 0x5A, 0x5A), GetPixel(mem, 4, 2));
    SelectObject(mem, previous);
    DeleteDC(mem);
  }
  {
    CPicture picture;
    picture.LoadFromResource(extra.module(), kBitmapUsed20);
    ASSERT_NE(nullptr, picture.Bitmap());
    ASSERT_NE(nullptr, picture.Palette());
    std::vector<PALETTEENTRY> entries = EntriesOf(picture.Palette());
    ASSERT_EQ(20u, entries.size());
    ExpectSameEntries(TableOf(extra.module(), kBitmapUsed20, 20), entries);
    // Bits 80 bytes after the header: the bottom row begins with entry 19 =
    // (57, 38, 19) and entry 5 = (15, 10, 5).
    EXPECT_EQ(57, entries[19].peRed);
    EXPECT_EQ(38, entries[19].peGreen);
    EXPECT_EQ(19, entries[19].peBlue);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(mem, picture.Bitmap());
    HDC screen = GetDC(nullptr);
    bool trueColour = GetDeviceCaps(screen, BITSPIXEL) >= 24;
    ReleaseDC(nullptr, screen);
    if (trueColour) {
      EXPECT_EQ(RGB(57, 38, 19), GetPixel(mem, 0, 3));
      EXPECT_EQ(RGB(15, 10, 5), GetPixel(mem, 1, 3));
    } else {
      ADD_FAILURE() << "the display shows fewer than 24 bits per pixel";
    }
    SelectObject(mem, previous);
    DeleteDC(mem);
  }
}

TEST(PictureLoad, HeadersPointingPastTheResourceLeaveThePictureEmpty) {
  ExtraBitmaps extra;
  ASSERT_NE(nullptr, extra.module());
  for (WORD id : {kBitmapHugeCount, kBitmapHugeHeader, kBitmapCutRows}) {
    SCOPED_TRACE(id);
    CPicture picture;
    picture.LoadFromResource(GetModuleHandleA(nullptr), IDB_SIDE_PICTURE);
    ASSERT_NE(nullptr, picture.Bitmap());
    HBITMAP old = picture.Bitmap();
    picture.LoadFromResource(extra.module(), id);
    EXPECT_EQ(nullptr, picture.Bitmap());
    EXPECT_EQ(nullptr, picture.Palette());
    EXPECT_EQ(0, picture.Width());
    EXPECT_EQ(0, picture.Height());
    EXPECT_FALSE(picture.Reload());
    EXPECT_EQ(0u, GetObjectType(old));  // the earlier bitmap was deleted
  }
}

TEST(PictureLoad, MissingResourceKeepsTheEarlierBitmap) {
  CPicture picture;
  EXPECT_FALSE(picture.Reload());  // nothing to reload
  picture.LoadFromResource(GetModuleHandleA(nullptr), 9999);
  EXPECT_EQ(nullptr, picture.Bitmap());
  picture.LoadFromResource(GetModuleHandleA(nullptr), IDB_SHORTCUT_MENU);
  HBITMAP bitmap = picture.Bitmap();
  ASSERT_NE(nullptr, bitmap);
  picture.LoadFromResource(GetModuleHandleA(nullptr), 9999);
  EXPECT_EQ(bitmap, picture.Bitmap());
  EXPECT_EQ(176, picture.Width());
  // A later load that finds its resource replaces bitmap and palette.
  HPALETTE palette = picture.Palette();
  picture.LoadFromResource(GetModuleHandleA(nullptr), IDB_SIDE_PICTURE);
  EXPECT_EQ(96, picture.Width());
  EXPECT_EQ(0u, GetObjectType(bitmap));
  EXPECT_EQ(0u, GetObjectType(palette));
}

TEST(PictureSize, SideBitmapSizesItemAtItsTemplatePosition) {
  HWND dialog = ct::CreatePageDialog(IDD_WELCOME_PAGE);
  ASSERT_NE(nullptr, dialog);
  HWND item = GetDlgItem(dialog, IDC_SIDE_PICTURE);
  RECT before = ct::RectInParent(item);
  CPicture picture;
  EXPECT_FALSE(picture.SizeToBitmap());  // unbound, no bitmap
  ASSERT_TRUE(picture.Attach(item));
  EXPECT_FALSE(picture.SizeToBitmap());  // bound, no bitmap
  RECT unchanged = ct::RectInParent(item);
  EXPECT_TRUE(EqualRect(&before, &unchanged));
  picture.LoadFromResource(GetModuleHandleA(nullptr), IDB_SIDE_PICTURE);
  EXPECT_TRUE(picture.SizeToBitmap());
  RECT after = ct::RectInParent(item);
  EXPECT_EQ(before.left, after.left);
  EXPECT_EQ(before.top, after.top);
  EXPECT_EQ(96, after.right - after.left);
  EXPECT_EQ(222, after.bottom - after.top);
  // Moved to the top of the Z order.
  EXPECT_EQ(item, GetWindow(dialog, GW_CHILD));
  picture.Detach();
  DestroyWindow(dialog);
}

// What the control paints (asked to print its client area into a memory
// bitmap, so no other window can cover it) against the bitmap, over a grid.
int Mismatches(HWND item, HBITMAP bitmap, int width, int height) {
  HDC screen = GetDC(nullptr);
  HDC shown = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previousCanvas = SelectObject(shown, canvas);
  RECT all = {0, 0, width, height};
  FillRect(shown, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  SendMessageA(item, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shown), PRF_CLIENT);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ previous = SelectObject(mem, bitmap);
  int bad = 0;
  COLORREF first = GetPixel(mem, 0, 0);
  bool varied = false;
  for (int y = 0; y < height; y += 7) {
    for (int x = 0; x < width; x += 5) {
      COLORREF expected = GetPixel(mem, x, y);
      if (expected == CLR_INVALID || GetPixel(shown, x, y) != expected) ++bad;
      if (expected != first) varied = true;
    }
  }
  if (!varied) ++bad;  // a uniform picture would prove nothing
  SelectObject(mem, previous);
  DeleteDC(mem);
  SelectObject(shown, previousCanvas);
  DeleteObject(canvas);
  DeleteDC(shown);
  ReleaseDC(nullptr, screen);
  return bad;
}

TEST(PicturePaint, ShowsTheBitmapAtTheTopLeftCorner) {
  HWND dialog = ct::CreatePageDialog(IDD_WHERE_TO_START_PAGE);
  ASSERT_NE(nullptr, dialog);
  CPicture step1;
  CPicture step2;
  step1.LoadFromResource(GetModuleHandleA(nullptr), IDB_SHORTCUT_MENU);
  ASSERT_TRUE(step1.Attach(GetDlgItem(dialog, IDC_STEP1_PICTURE)));
  EXPECT_TRUE(step1.SizeToBitmap());
  step2.LoadFromResource(GetModuleHandleA(nullptr), IDB_PROPERTIES_TAB);
  ASSERT_TRUE(step2.Attach(GetDlgItem(dialog, IDC_STEP2_PICTURE)));
  EXPECT_TRUE(step2.SizeToBitmap());
  EXPECT_EQ(0, Mismatches(GetDlgItem(dialog, IDC_STEP1_PICTURE), step1.Bitmap(), 176, 185));
  EXPECT_EQ(0, Mismatches(GetDlgItem(dialog, IDC_STEP2_PICTURE), step2.Bitmap(), 178, 111));
  step2.Detach();
  step1.Detach();
  DestroyWindow(dialog);
}

// A window class with a private DC: what a paint leaves selected in it is
// still there at the next GetDC.
LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(PicturePaint, LeavesNoPaletteSelectedInThePaintDc) {
  WNDCLASSA wc = {};
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "OwnDcItem";
  ASSERT_NE(0, RegisterClassA(&wc));
  HWND dialog = ct::CreatePageDialog(IDD_WHERE_TO_START_PAGE);
  ASSERT_NE(nullptr, dialog);
  HWND item =
      CreateWindowExA(0, "OwnDcItem", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, dialog, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, item);
  HDC own = GetDC(item);
  HGDIOBJ before = GetCurrentObject(own, OBJ_PAL);
  ReleaseDC(item, own);
  {
    CPicture picture;
    picture.LoadFromResource(GetModuleHandleA(nullptr), IDB_SHORTCUT_MENU);
    ASSERT_NE(nullptr, picture.Palette());
    ASSERT_TRUE(picture.Attach(item));
    InvalidateRect(item, nullptr, FALSE);
    UpdateWindow(item);
    EXPECT_FALSE(GetUpdateRect(item, nullptr, FALSE));  // painted
    HDC dc = GetDC(item);
    EXPECT_EQ(before, GetCurrentObject(dc, OBJ_PAL));
    EXPECT_NE(static_cast<HGDIOBJ>(picture.Palette()), GetCurrentObject(dc, OBJ_PAL));
    ReleaseDC(item, dc);
    picture.Detach();
  }
  DestroyWindow(dialog);
}

WNDPROC g_staticProc = nullptr;
int g_colourChangesBeneath = 0;
LRESULT CALLBACK RecordingStaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SYSCOLORCHANGE) ++g_colourChangesBeneath;
  return CallWindowProcA(g_staticProc, hwnd, msg, wParam, lParam);
}

TEST(PictureColourChange, RebuildsAndRepaintsEveryPictureOfThePage) {
  HWND dialog = ct::CreatePageDialog(IDD_WHERE_TO_START_PAGE);
  ASSERT_NE(nullptr, dialog);
  HWND item1 = GetDlgItem(dialog, IDC_STEP1_PICTURE);
  HWND item2 = GetDlgItem(dialog, IDC_STEP2_PICTURE);
  CPicture step1;
  CPicture step2;
  CPicture empty;
  step1.LoadFromResource(GetModuleHandleA(nullptr), IDB_SHORTCUT_MENU);
  ASSERT_TRUE(step1.Attach(item1));
  step1.SizeToBitmap();
  step2.LoadFromResource(GetModuleHandleA(nullptr), IDB_PROPERTIES_TAB);
  ASSERT_TRUE(step2.Attach(item2));
  step2.SizeToBitmap();
  ct::Settle(dialog);
  ValidateRect(item1, nullptr);
  ValidateRect(item2, nullptr);
  HBITMAP old1 = step1.Bitmap();
  HBITMAP old2 = step2.Bitmap();
  HPALETTE oldPalette1 = step1.Palette();

  ct::g_log = ct::DialogLog();
  SendMessageA(dialog, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(1, ct::g_log.sysColorChanges);  // passed on to the page
  EXPECT_NE(nullptr, step1.Bitmap());
  EXPECT_NE(nullptr, step2.Bitmap());
  EXPECT_EQ(0u, GetObjectType(old1));
  EXPECT_EQ(0u, GetObjectType(old2));
  EXPECT_EQ(0u, GetObjectType(oldPalette1));
  EXPECT_NE(FALSE, GetUpdateRect(item1, nullptr, FALSE));
  EXPECT_NE(FALSE, GetUpdateRect(item2, nullptr, FALSE));
  EXPECT_EQ(0, Mismatches(item1, step1.Bitmap(), 176, 185));

  // Without a bitmap the message goes on to the control's own procedure
  // (here a recording one beneath the picture's).
  HWND plain = GetDlgItem(dialog, IDC_PAGE_TITLE);
  g_staticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(plain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingStaticProc)));
  ASSERT_TRUE(empty.Attach(plain));
  g_colourChangesBeneath = 0;
  SendMessageA(plain, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(1, g_colourChangesBeneath);
  EXPECT_EQ(nullptr, empty.Bitmap());
  empty.Detach();
  SetWindowLongPtrA(plain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_staticProc));
  step2.Detach();
  step1.Detach();
  DestroyWindow(dialog);
}

}  // namespace
