// CaptionBar on real dialogs: the heading font, the alignment, the colours
// and the one font the object owns.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "control_dialogs.h"
#include "controls/caption_bar.h"
#include "resource.h"

namespace {

constexpr int kTitle = 2101;

LOGFONTA FontOf(HFONT font) {
  LOGFONTA lf = {};
  GetObjectA(font, sizeof lf, &lf);
  return lf;
}

int ClientHeight(HWND control) {
  RECT r;
  GetClientRect(control, &r);
  return r.bottom - r.top;
}

bool IsLiveFont(HFONT font) { return GetObjectType(font) == OBJ_FONT; }

TEST(CaptionBarFont, CellHeightIsTheClientHeightOnEveryPage) {
  for (WORD page : {IDD_WELCOME_PAGE, IDD_LICENSE_PAGE, IDD_COPYING_PAGE, IDD_WHERE_TO_START_PAGE, IDD_FINISH_PAGE}) {
    SCOPED_TRACE(page);
    HWND dialog = ct::CreatePageDialog(page);
    ASSERT_NE(nullptr, dialog);
    HWND title = GetDlgItem(dialog, IDC_PAGE_TITLE);
    std::string templateText = ct::TextOf(title);
    LOGFONTA dialogFont = FontOf(reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)));
    {
      CaptionBar caption;
      ASSERT_TRUE(caption.Attach(title));
      HFONT font = caption.CaptionFontHandle();
      ASSERT_NE(nullptr, font);
      EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)));
      LOGFONTA lf = FontOf(font);
      int h = ClientHeight(title);
      EXPECT_GT(h, 0);
      EXPECT_EQ(h, lf.lfHeight);
      EXPECT_EQ(dialogFont.lfWidth, lf.lfWidth);
      EXPECT_EQ(dialogFont.lfCharSet, lf.lfCharSet);
      EXPECT_EQ(dialogFont.lfItalic, lf.lfItalic);
      EXPECT_EQ(FW_EXTRABOLD, lf.lfWeight);
      EXPECT_EQ(OUT_TT_PRECIS, lf.lfOutPrecision);
      EXPECT_EQ(PROOF_QUALITY, lf.lfQuality);
      EXPECT_EQ(FF_SWISS | DEFAULT_PITCH, lf.lfPitchAndFamily);
      EXPECT_STREQ("Arial", lf.lfFaceName);
      // A positive height is the cell height the font is made with.
      HDC dc = GetDC(title);
      HGDIOBJ previous = SelectObject(dc, font);
      TEXTMETRICA tm = {};
      GetTextMetricsA(dc, &tm);
      SelectObject(dc, previous);
      ReleaseDC(title, dc);
      // The rasteriser rounds ascent and descent apart, so the cell can
      // come out a pixel short; a character height instead would be far off.
      EXPECT_NEAR(h, tm.tmHeight, 1);
      // The template's text stays and is what the object keeps.
      EXPECT_EQ(templateText, ct::TextOf(title));
      EXPECT_EQ(templateText, caption.CaptionText());
      caption.Detach();
      EXPECT_STREQ("", caption.CaptionText());
    }
    DestroyWindow(dialog);
  }
}

TEST(CaptionBarFont, FitFlagsChooseHeightAndWidth) {
  HWND dialog = ct::CreateTestDialog({{kTitle, ct::kTextStyle, 10, 0, 200, 15, "Heading"}});
  ASSERT_NE(nullptr, dialog);
  HWND title = GetDlgItem(dialog, kTitle);
  LOGFONTA dialogFont = FontOf(reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)));
  int h = ClientHeight(title);
  {
    CaptionBar caption;
    caption.SetFontFit(0);  // unbound: only stored
    EXPECT_EQ(0, caption.FontFit());
    ASSERT_TRUE(caption.Attach(title));
    LOGFONTA lf = FontOf(caption.CaptionFontHandle());
    EXPECT_EQ(dialogFont.lfHeight, lf.lfHeight);
    EXPECT_EQ(dialogFont.lfWidth, lf.lfWidth);
    EXPECT_EQ(FW_EXTRABOLD, lf.lfWeight);
    EXPECT_STREQ("Arial", lf.lfFaceName);

    caption.SetFontFit(3);
    lf = FontOf(caption.CaptionFontHandle());
    EXPECT_EQ(h, lf.lfHeight);
    EXPECT_EQ(h >> 1, lf.lfWidth);
    EXPECT_EQ(FW_EXTRABOLD, lf.lfWeight);
    EXPECT_EQ(caption.CaptionFontHandle(), reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)));
  }
  DestroyWindow(dialog);
}

TEST(CaptionBarFont, ExactlyOneOwnedFontAfterAnyChanges) {
  HWND dialog = ct::CreateTestDialog({{kTitle, ct::kTextStyle, 10, 0, 200, 15, "Heading"}});
  ASSERT_NE(nullptr, dialog);
  HWND title = GetDlgItem(dialog, kTitle);
  HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0));
  CaptionBar caption;
  ASSERT_TRUE(caption.Attach(title));
  std::vector<HFONT> seen = {caption.CaptionFontHandle()};
  LOGFONTA lf = *caption.CurrentFontDescription();
  lf.lfHeight = 30;
  caption.SetCaptionFont(&lf);
  seen.push_back(caption.CaptionFontHandle());
  caption.SetFontFit(3);
  seen.push_back(caption.CaptionFontHandle());
  caption.AdoptFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  seen.push_back(caption.CaptionFontHandle());
  caption.SetFontFit(1);
  seen.push_back(caption.CaptionFontHandle());
  // Someone else gives the control a font: CurrentFont adopts a copy.
  SendMessageA(title, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), FALSE);
  HFONT current = caption.CurrentFont();
  EXPECT_NE(dialogFont, current);
  EXPECT_EQ(current, reinterpret_cast<HFONT>(SendMessageA(title, WM_GETFONT, 0, 0)));
  seen.push_back(current);
  caption.SetCaptionFont(nullptr);  // nothing
  caption.AdoptFont(nullptr);       // nothing
  EXPECT_EQ(current, caption.CaptionFontHandle());

  for (size_t i = 0; i + 1 < seen.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NE(seen[i], seen[i + 1]);
    EXPECT_FALSE(IsLiveFont(seen[i]));
  }
  EXPECT_TRUE(IsLiveFont(current));
  EXPECT_TRUE(IsLiveFont(dialogFont));
  EXPECT_TRUE(IsLiveFont(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))));
  caption.Detach();
  DestroyWindow(dialog);
}

TEST(CaptionBarAlignment, CentredAndRightTitlesBecomeLeftAligned) {
  for (DWORD align : {static_cast<DWORD>(SS_CENTER), static_cast<DWORD>(SS_RIGHT)}) {
    SCOPED_TRACE(align);
    HWND dialog = ct::CreateTestDialog({{kTitle, WS_CHILD | WS_VISIBLE | align, 10, 0, 200, 15, "Heading"}});
    ASSERT_NE(nullptr, dialog);
    HWND title = GetDlgItem(dialog, kTitle);
    CaptionBar caption;
    ASSERT_TRUE(caption.Attach(title));
    LONG_PTR style = GetWindowLongPtrA(title, GWL_STYLE);
    EXPECT_EQ(SS_LEFT, style & 3);
    EXPECT_EQ(static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE | SS_NOTIFY), style & ~static_cast<LONG_PTR>(3));
    caption.Detach();
    DestroyWindow(dialog);
  }
}

TEST(CaptionBarAlignment, ValidValuesSetTheStyleOthersChangeNothing) {
  HWND dialog = ct::CreateTestDialog({{kTitle, ct::kTextStyle, 10, 0, 200, 15, "Heading"}});
  ASSERT_NE(nullptr, dialog);
  HWND title = GetDlgItem(dialog, kTitle);
  CaptionBar caption;
  ASSERT_TRUE(caption.Attach(title));
  ct::Settle(dialog);
  struct Step {
    int value;
    LONG_PTR low;
  } steps[] = {{1, SS_CENTER}, {2, SS_RIGHT}, {3, SS_RIGHT}, {-1, SS_RIGHT}, {0, SS_LEFT}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.value);
    ValidateRect(dialog, nullptr);
    ValidateRect(title, nullptr);
    LONG_PTR before = GetWindowLongPtrA(title, GWL_STYLE);
    caption.SetAlignment(step.value);
    EXPECT_EQ(step.value, caption.Alignment());
    LONG_PTR after = GetWindowLongPtrA(title, GWL_STYLE);
    EXPECT_EQ(step.low, after & 3);
    EXPECT_EQ(before & ~static_cast<LONG_PTR>(3), after & ~static_cast<LONG_PTR>(3));
    bool valid = step.value >= 0 && step.value <= 2;
    // A valid value repaints control and parent; others repaint nothing.
    EXPECT_EQ(valid, GetUpdateRect(title, nullptr, FALSE) != FALSE);
    EXPECT_EQ(valid, GetUpdateRect(dialog, nullptr, FALSE) != FALSE);
  }
  caption.Detach();
  DestroyWindow(dialog);
}

// A caption bar on a control without a parent redraws the control only,
// and no other window of the desktop.
TEST(CaptionBarRepaint, WithoutAParentTouchesNoOtherWindow) {
  HWND other =
      CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr);
  HWND lone = CreateWindowExA(0, "STATIC", "Lone Title", WS_POPUP | WS_VISIBLE, 100, 0, 200, 30, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(nullptr, other);
  ASSERT_NE(nullptr, lone);
  CaptionBar caption;
  ASSERT_TRUE(caption.Attach(lone));
  UpdateWindow(other);
  ValidateRect(other, nullptr);
  ValidateRect(lone, nullptr);
  caption.Repaint();
  EXPECT_TRUE(GetUpdateRect(lone, nullptr, FALSE));
  EXPECT_FALSE(GetUpdateRect(other, nullptr, FALSE));
  caption.Detach();
  DestroyWindow(lone);
  DestroyWindow(other);
}

TEST(CaptionBarText, BindingKeepsTheControlTextAndUnbindingEmptiesIt) {
  HWND dialog = ct::CreatePageDialog(IDD_LICENSE_PAGE);
  ASSERT_NE(nullptr, dialog);
  HWND title = GetDlgItem(dialog, IDC_PAGE_TITLE);
  EXPECT_EQ("License Agreement", ct::TextOf(title));
  CaptionBar caption;
  ASSERT_TRUE(caption.Attach(title));
  caption.Detach();
  EXPECT_STREQ("", caption.CaptionText());
  // Bound again with its caption text emptied, it takes the control's text.
  SetWindowTextA(title, "Another Title");
  ASSERT_TRUE(caption.Attach(title));
  EXPECT_STREQ("Another Title", caption.CaptionText());
  caption.Detach();
  DestroyWindow(dialog);
}

TEST(CaptionBarColour, BlackTransparentTextFromTheReflectedMessage) {
  HWND dialog = ct::CreatePageDialog(IDD_WELCOME_PAGE);
  ASSERT_NE(nullptr, dialog);
  HWND title = GetDlgItem(dialog, IDC_PAGE_TITLE);
  CaptionBar caption;
  ASSERT_TRUE(caption.Attach(title));
  HDC dc = GetDC(title);
  SetTextColor(dc, RGB(200, 10, 10));
  SetBkMode(dc, OPAQUE);
  EXPECT_EQ(reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)),
            SendMessageA(title, CaptionBar::kReflectedColour, reinterpret_cast<WPARAM>(dc), 0));
  EXPECT_EQ(RGB(0, 0, 0), GetTextColor(dc));
  EXPECT_EQ(TRANSPARENT, GetBkMode(dc));
  ReleaseDC(title, dc);
  // Painted: the title's pixels are black text on the dialog's face colour.
  ct::g_answerColours = false;
  ct::Settle(dialog);
  HDC screen = GetDC(title);
  RECT client;
  GetClientRect(title, &client);
  int black = 0;
  int face = 0;
  COLORREF faceColour = GetSysColor(COLOR_BTNFACE);
  for (int y = 0; y < client.bottom; ++y) {
    for (int x = 0; x < client.right; x += 2) {
      COLORREF c = GetPixel(screen, x, y);
      if (c == RGB(0, 0, 0)) ++black;
      if (c == faceColour) ++face;
    }
  }
  ReleaseDC(title, screen);
  EXPECT_GT(black, 50);
  EXPECT_GT(face, black);
  caption.Detach();
  DestroyWindow(dialog);
}

}  // namespace
