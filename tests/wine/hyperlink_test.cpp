// Hyperlink on real dialogs: sizing, colours, tooltip, mouse and keyboard,
// and opening through the real shell. A URL scheme of the test prefix runs
// this program again with --record-url, which writes down what it was given.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "control_dialogs.h"
#include "controls/hyperlink.h"
#include "controls/link_logic.h"
#include "resource.h"
#include "test_driver.h"
#include "url_recorder.h"

namespace {

constexpr int kLink = 2301;
constexpr char kScheme[] = "vdltest";

using url_recorder::RecordPath;
using url_recorder::WaitForRecord;

// The scheme's open command is this program with --record-url.
bool RegisterRecorder() {
  const char empty[] = "";
  const char name[] = "URL:vdltest";
  return td::SetRegValue(HKEY_CLASSES_ROOT, kScheme, "URL Protocol", REG_SZ, empty, sizeof empty) &&
         td::SetRegValue(HKEY_CLASSES_ROOT, kScheme, nullptr, REG_SZ, name, sizeof name) &&
         url_recorder::Register(kScheme);
}

std::string TooltipText(const Hyperlink& link) {
  char buffer[512] = "";
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = link.Tooltip();
  tool.uId = reinterpret_cast<UINT_PTR>(link.ControlWindow());
  tool.lpszText = buffer;
  SendMessageA(link.Tooltip(), TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&tool));
  return buffer;
}

SIZE TextExtent(const Hyperlink& link) {
  HWND control = link.ControlWindow();
  std::string text = ct::TextOf(control);
  SIZE extent = {};
  HDC dc = GetDC(control);
  HGDIOBJ previous = SelectObject(dc, link.LinkFont());
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return extent;
}

// The colour the link asks its parent to draw with.
COLORREF ColourShown(HWND dialog, HWND control) {
  HDC dc = GetDC(control);
  SetTextColor(dc, RGB(1, 1, 1));
  SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  COLORREF colour = GetTextColor(dc);
  ReleaseDC(control, dc);
  return colour;
}

class HyperlinkTest : public ::testing::Test {
 protected:
  // A link item with the given style, placed at exactly (x, y, cx, cy) pixels.
  void Make(DWORD style, const char* text, int x, int y, int cx, int cy) {
    dialog_ = ct::CreateTestDialog({{kLink, WS_CHILD | WS_VISIBLE | style, 10, 10, 50, 10, text}});
    ASSERT_NE(nullptr, dialog_);
    control_ = GetDlgItem(dialog_, kLink);
    SetWindowPos(control_, nullptr, x, y, cx, cy, SWP_NOZORDER);
  }
  void TearDown() override {
    if (dialog_ != nullptr) DestroyWindow(dialog_);
    DeleteFileA(RecordPath().c_str());
  }
  HWND dialog_ = nullptr;
  HWND control_ = nullptr;
};

TEST_F(HyperlinkTest, LeftAlignedLinkFitsItsTextAtTheTopLeftCorner) {
  HWND page = ct::CreatePageDialog(IDD_WELCOME_PAGE);
  ASSERT_NE(nullptr, page);
  HWND item = GetDlgItem(page, IDC_HOME_PAGE_LINK);
  RECT before = ct::RectInParent(item);
  {
    Hyperlink link;
    ASSERT_TRUE(link.Attach(item));
    RECT initial = link.InitialRect();
    EXPECT_TRUE(EqualRect(&before, &initial));
    SIZE text = TextExtent(link);
    RECT after = ct::RectInParent(item);
    EXPECT_EQ(before.left, after.left);
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(text.cx, after.right - after.left);
    EXPECT_EQ(text.cy, after.bottom - after.top);
    RECT textRect = link.TextRect();
    EXPECT_TRUE(EqualRect(&after, &textRect));
    // An underlined copy of the dialog's font.
    LOGFONTA lf = {};
    GetObjectA(link.LinkFont(), sizeof lf, &lf);
    EXPECT_EQ(1, lf.lfUnderline);
    EXPECT_EQ(link.LinkFont(), reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0)));
    EXPECT_EQ("VandrelSoft", std::string(link.Label()));
    EXPECT_NE(nullptr, link.Tooltip());
    HWND tooltip = link.Tooltip();
    link.Detach();
    RECT restored = ct::RectInParent(item);
    EXPECT_TRUE(EqualRect(&before, &restored));
    EXPECT_FALSE(IsWindow(tooltip));
    EXPECT_EQ(nullptr, link.Tooltip());
    EXPECT_STREQ("", link.URL());
    EXPECT_STREQ("", link.Label());
  }
  DestroyWindow(page);
}

// The item lies at (30, 40). "Link" measures 20 x 13 in the dialog's
// underlined font, the long text 147 x 13; a centred side moves in by
// (room - text - 2) / 2, truncated toward zero, on both ends.
TEST_F(HyperlinkTest, CentredCentreImageAndOversizedTexts) {
  struct Case {
    DWORD style;
    const char* text;
    int cx, cy;
    RECT expected;
  } cases[] = {// (100 - 20 - 2) / 2 = 39: 69 to 130 - 39 = 91.
               {SS_CENTER, "Link", 100, 20, {69, 40, 91, 53}},
               // (20 - 13 - 2) / 2 = 2: 42 to 60 - 2 = 58.
               {SS_CENTERIMAGE, "Link", 100, 20, {30, 42, 50, 58}},
               // (20 - 147 - 2) / 2 = -64: 30 - 64 = -34 to 50 + 64 = 114;
               // (6 - 13 - 2) / 2 = -4: 36 to 46 + 4 = 50.
               {SS_CENTER | SS_CENTERIMAGE, "A much longer link text than fits", 20, 6, {-34, 36, 114, 50}},
               // Right-aligned: 130 - 20 = 110 to 130.
               {SS_RIGHT, "Link", 100, 20, {110, 40, 130, 53}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    Make(c.style, c.text, 30, 40, c.cx, c.cy);
    Hyperlink link;
    ASSERT_TRUE(link.Attach(control_));
    SIZE t = TextExtent(link);
    ASSERT_EQ(t.cx, c.text[0] == 'L' ? 20 : 147) << "the font differs from the one the rectangles assume";
    ASSERT_EQ(t.cy, 13);
    RECT r = ct::RectInParent(control_);
    EXPECT_EQ(c.expected.left, r.left);
    EXPECT_EQ(c.expected.top, r.top);
    EXPECT_EQ(c.expected.right, r.right);
    EXPECT_EQ(c.expected.bottom, r.bottom);
    link.Detach();
    DestroyWindow(dialog_);
    dialog_ = nullptr;
  }
}

// An unbound link has nothing to redraw, and redraws nothing else either.
TEST_F(HyperlinkTest, UnboundRepaintTouchesNoWindow) {
  HWND other =
      CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, other);
  UpdateWindow(other);
  ValidateRect(other, nullptr);
  Hyperlink link;
  link.Repaint();
  link.SetColours(RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9));
  EXPECT_FALSE(GetUpdateRect(other, nullptr, FALSE));
  DestroyWindow(other);
}

TEST_F(HyperlinkTest, ColoursInForceAndTheDefaultHover) {
  Make(SS_LEFT, "Link", 10, 10, 80, 16);
  Hyperlink link;
  EXPECT_EQ(RGB(0, 0, 238), link.GetLinkColour());
  EXPECT_EQ(RGB(85, 26, 139), link.VisitedColour());
  EXPECT_EQ(RGB(238, 0, 0), link.HoverColour());
  link.SetColours(RGB(1, 2, 3), RGB(4, 5, 6), static_cast<COLORREF>(-1));
  EXPECT_EQ(RGB(1, 2, 3), link.GetLinkColour());
  EXPECT_EQ(RGB(4, 5, 6), link.VisitedColour());
  EXPECT_EQ(static_cast<COLORREF>(0x000000EE), link.HoverColour());
  ASSERT_TRUE(link.Attach(control_));
  ct::Settle(dialog_);
  ValidateRect(control_, nullptr);
  link.SetColours(RGB(10, 20, 30), RGB(40, 50, 60), RGB(70, 80, 90));
  EXPECT_NE(FALSE, GetUpdateRect(control_, nullptr, FALSE));  // bound: repainted
  EXPECT_EQ(RGB(10, 20, 30), ColourShown(dialog_, control_));
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(RGB(70, 80, 90), ColourShown(dialog_, control_));
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(0xFFFB, 2));
  EXPECT_EQ(RGB(10, 20, 30), ColourShown(dialog_, control_));
  // One colour for all three, as on the welcome page: it never changes.
  COLORREF one = link.GetLinkColour();
  link.SetColours(one, one, one);
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_EQ(one, ColourShown(dialog_, control_));
  link.Detach();
}

TEST_F(HyperlinkTest, UrlBeforeAndAfterBindingAndTheTooltip) {
  Make(SS_LEFT, "VandrelSoft", 10, 10, 80, 16);
  {
    Hyperlink link;
    ASSERT_TRUE(link.Attach(control_));
    EXPECT_STREQ("VandrelSoft", link.URL());  // no URL: its own text
    EXPECT_EQ("VandrelSoft", TooltipText(link));
    link.SetURL("http://www.vandrelsoft.com/");
    EXPECT_STREQ("http://www.vandrelsoft.com/", link.URL());
    EXPECT_EQ("http://www.vandrelsoft.com/", TooltipText(link));
    EXPECT_EQ("VandrelSoft", ct::TextOf(control_));
    // Too long for the field: cut, never overrun.
    std::string longUrl(400, 'u');
    link.SetURL(longUrl.c_str());
    EXPECT_EQ(254u, std::strlen(link.URL()));
    link.Detach();
  }
  DestroyWindow(dialog_);
  Make(SS_LEFT, "", 10, 10, 80, 16);
  {
    Hyperlink link;
    link.SetURL("http://before.example/");
    EXPECT_EQ(nullptr, link.Tooltip());
    ASSERT_TRUE(link.Attach(control_));
    EXPECT_STREQ("http://before.example/", link.URL());
    EXPECT_EQ("http://before.example/", ct::TextOf(control_));
    EXPECT_EQ("http://before.example/", TooltipText(link));
    link.Detach();
  }
}

TEST_F(HyperlinkTest, LeftPressDoesNothingReleaseOpensRightPressIsSwallowed) {
  ASSERT_TRUE(RegisterRecorder());
  DeleteFileA(RecordPath().c_str());
  Make(SS_LEFT, "Link", 10, 10, 80, 16);
  ct::Spy::Install(control_);
  Hyperlink link;
  ASSERT_TRUE(link.Attach(control_));
  link.SetURL("vdltest:click");
  ct::g_log = ct::DialogLog();
  EXPECT_EQ(0, SendMessageA(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3)));
  EXPECT_EQ(0, SendMessageA(control_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3)));
  EXPECT_FALSE(ct::Spy::Saw(WM_LBUTTONDOWN));
  EXPECT_FALSE(ct::Spy::Saw(WM_RBUTTONDOWN));
  EXPECT_EQ(0, ct::g_log.commands);  // no STN_CLICKED either
  EXPECT_FALSE(link.IsVisited());
  EXPECT_FALSE(td::FileExists(RecordPath()));

  EXPECT_EQ(0, SendMessageA(control_, WM_LBUTTONUP, 0, MAKELPARAM(3, 3)));
  EXPECT_TRUE(ct::Spy::Saw(WM_LBUTTONUP));  // passed on first
  EXPECT_TRUE(link.IsVisited());
  EXPECT_FALSE(link.IsHovered());
  EXPECT_EQ(link.VisitedColour(), ColourShown(dialog_, control_));
  std::string opened;
  ASSERT_TRUE(WaitForRecord(&opened));
  EXPECT_EQ("vdltest:click", opened);
  link.Detach();
}

TEST_F(HyperlinkTest, SpaceAndReturnReleasesOpenOtherKeysDoNot) {
  ASSERT_TRUE(RegisterRecorder());
  Make(SS_LEFT, "Link", 10, 10, 80, 16);
  Hyperlink link;
  ASSERT_TRUE(link.Attach(control_));
  for (WPARAM key : {static_cast<WPARAM>(VK_SPACE), static_cast<WPARAM>(VK_RETURN)}) {
    SCOPED_TRACE(key);
    DeleteFileA(RecordPath().c_str());
    std::string url = "vdltest:key" + std::to_string(key);
    link.SetURL(url.c_str());
    bool visited = link.IsVisited();
    SendMessageA(control_, WM_KEYUP, VK_TAB, 0);
    EXPECT_EQ(visited, link.IsVisited());
    EXPECT_FALSE(td::FileExists(RecordPath()));
    EXPECT_EQ(0, SendMessageA(control_, WM_KEYUP, key, 0));
    EXPECT_TRUE(link.IsVisited());
    std::string opened;
    ASSERT_TRUE(WaitForRecord(&opened));
    EXPECT_EQ(url, opened);
  }
  link.Detach();
}

TEST_F(HyperlinkTest, HoverColourAndCaptureOnEnterAndLeave) {
  Make(SS_LEFT, "Link", 10, 10, 80, 16);
  Hyperlink link;
  link.SetColours(RGB(0, 0, 200), RGB(0, 100, 0), RGB(200, 0, 0));
  ASSERT_TRUE(link.Attach(control_));
  ct::Settle(dialog_);
  ValidateRect(control_, nullptr);
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(link.IsHovered());
  EXPECT_EQ(control_, GetCapture());
  EXPECT_NE(FALSE, GetUpdateRect(control_, nullptr, FALSE));
  EXPECT_EQ(RGB(200, 0, 0), ColourShown(dialog_, control_));
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));  // still inside
  EXPECT_TRUE(link.IsHovered());
  EXPECT_EQ(control_, GetCapture());
  // Left of the control: a large unsigned x, outside.
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(0xFFF0, 3));
  EXPECT_FALSE(link.IsHovered());
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(RGB(0, 0, 200), ColourShown(dialog_, control_));
  // Below it.
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  RECT client;
  GetClientRect(control_, &client);
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, client.bottom + 3));
  EXPECT_FALSE(link.IsHovered());
  EXPECT_EQ(nullptr, GetCapture());
  link.Detach();
}

// A monochrome 32 x 32 cursor with its hot spot at (3, 29), as the two
// resources that hold it: RT_CURSOR 1 and RT_GROUP_CURSOR that names it.
std::string CursorImage() {
  std::string image;
  auto word = [&image](WORD w) { image.append(reinterpret_cast<const char*>(&w), 2); };
  word(3), word(29);
  BITMAPINFOHEADER header = {};
  header.biSize = sizeof header;
  header.biWidth = 32;
  header.biHeight = 64;  // XOR mask above AND mask
  header.biPlanes = 1;
  header.biBitCount = 1;
  image.append(reinterpret_cast<const char*>(&header), sizeof header);
  const RGBQUAD colours[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  image.append(reinterpret_cast<const char*>(colours), sizeof colours);
  image.append(128, '\x55');  // XOR: stripes
  image.append(128, '\0');    // AND: all opaque
  return image;
}
std::string CursorGroup(DWORD imageSize) {
  std::string group;
  auto word = [&group](WORD w) { group.append(reinterpret_cast<const char*>(&w), 2); };
  word(0), word(2), word(1);             // reserved, cursors, one entry
  word(32), word(64), word(1), word(1);  // width, height of both masks, planes, bits
  group.append(reinterpret_cast<const char*>(&imageSize), 4);
  word(1);  // RT_CURSOR 1
  return group;
}

// The Windows directory's WinHlp32.exe becomes a module whose cursor 106 is
// the one above. The prefix's own file is a hard link into the template
// that every case copies: it is removed, not written over. Wine would load
// its built-in help program in place of any file of that name; the prefix
// is told to load the file.
bool PlaceHelpProgramWithCursor() {
  if (!td::SetRegValue(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "winhlp32.exe", REG_SZ, "native", 7)) {
    return false;
  }
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  std::string path = std::string(windows) + "\\WinHlp32.exe";
  DeleteFileA(path.c_str());
  if (!CopyFileA(td::SetupExePath().c_str(), path.c_str(), TRUE)) return false;
  HANDLE update = BeginUpdateResourceA(path.c_str(), TRUE);
  if (update == nullptr) return false;
  std::string image = CursorImage();
  std::string group = CursorGroup(static_cast<DWORD>(image.size()));
  WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
  bool ok = UpdateResourceA(update, MAKEINTRESOURCEA(1) /* RT_CURSOR */, MAKEINTRESOURCEA(1), language, &image[0],
                            static_cast<DWORD>(image.size())) &&
            UpdateResourceA(update, MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */, MAKEINTRESOURCEA(IDC_LINK_CURSOR),
                            language, &group[0], static_cast<DWORD>(group.size()));
  return EndUpdateResourceA(update, !ok) && ok;
}

TEST_F(HyperlinkTest, LinkCursorAnswersSetCursor) {
  ASSERT_TRUE(PlaceHelpProgramWithCursor());
  Make(SS_LEFT, "Link", 10, 10, 80, 16);
  Hyperlink link;
  ASSERT_TRUE(link.Attach(control_));
  // Cursor 106 of the help program in the Windows directory is shown.
  ASSERT_NE(nullptr, link.LinkCursor());
  EXPECT_EQ(TRUE, SendMessageA(control_, WM_SETCURSOR, reinterpret_cast<WPARAM>(control_), HTCLIENT));
  EXPECT_EQ(link.LinkCursor(), GetCursor());
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(GetCursor(), &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(3u, info.xHotspot);
  EXPECT_EQ(29u, info.yHotspot);
  if (info.hbmMask != nullptr) DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  // A cursor copied from a module that is released again.
  link.SetLinkCursor(32649 /* IDC_HAND */, "user32.dll");
  ASSERT_NE(nullptr, link.LinkCursor());
  EXPECT_EQ(TRUE, SendMessageA(control_, WM_SETCURSOR, reinterpret_cast<WPARAM>(control_), HTCLIENT));
  EXPECT_EQ(link.LinkCursor(), GetCursor());
  link.SetLinkCursor(106, "C:\\no\\such\\WinHlp32.exe");
  EXPECT_EQ(nullptr, link.LinkCursor());
  EXPECT_EQ(0, SendMessageA(control_, WM_SETCURSOR, reinterpret_cast<WPARAM>(control_), HTCLIENT));
  link.Detach();
}

TEST_F(HyperlinkTest, FailedOpenShowsTheShellsErrorAndClearsVisited) {
  ASSERT_TRUE(RegisterRecorder());
  // A file of a type nobody opens: SE_ERR_NOASSOC.
  std::string orphan = engine_test::TempDir() + "orphan.vdlnoassoc";
  ASSERT_TRUE(td::WriteWholeFile(orphan, "x"));
  Make(SS_LEFT, "Link", 10, 10, 80, 16);
  Hyperlink link;
  ASSERT_TRUE(link.Attach(control_));
  link.SetURL("vdltest:first");
  SendMessageA(control_, WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(link.IsVisited());

  link.SetURL(orphan.c_str());
  INT_PTR code = link.OpenLink(orphan.c_str(), SW_SHOW);
  EXPECT_EQ(SE_ERR_NOASSOC, code);
  td::MessageBoxWatcher watcher("Hyperlink Control", IDOK);
  SendMessageA(control_, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  SendMessageA(control_, WM_LBUTTONUP, 0, 0);
  ASSERT_TRUE(watcher.Wait());
  EXPECT_EQ("Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.",
            watcher.info().text);
  EXPECT_FALSE(link.IsVisited());
  EXPECT_FALSE(link.IsHovered());
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(link.GetLinkColour(), ColourShown(dialog_, control_));
  link.Detach();
  DeleteFileA(orphan.c_str());
}

TEST(HyperlinkError, MessageBoxTextsAndCaption) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {31, "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension."},
      {1, "Unable to open hyperlink:\n\nUnknown Error occurred."},
      {2, "Unable to open hyperlink:\n\nThe specified file was not found."},
      {77, "Unable to open hyperlink:\n\nUnknown Error occurred."},
  };
  Hyperlink link;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    td::MessageBoxWatcher watcher("Hyperlink Control", IDOK);
    EXPECT_EQ(IDOK, link.ShowOpenError(nullptr, c.code));
    ASSERT_TRUE(watcher.Wait());
    EXPECT_EQ("Hyperlink Control", watcher.info().caption);
    EXPECT_EQ(c.text, watcher.info().text);
  }
}

}  // namespace

// Run by the shell as the vdltest: scheme's handler, or the tests.
int main(int argc, char** argv) { return url_recorder::Main(argc, argv); }
