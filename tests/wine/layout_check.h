// Layout checks of a dialog shown by another process: every text fits its
// control as the control draws it, pictures and the link lie inside the
// dialog. Fonts cannot cross processes, so each control's font is recreated
// here: a control showing its dialog's font is measured with the font that
// the dialog manager makes of the template; the caption bar and the link are
// known by their ids.
#ifndef SETUPVDL_LAYOUT_CHECK_H
#define SETUPVDL_LAYOUT_CHECK_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "resource.h"
#include "test_driver.h"

namespace layout {

class Font {
 public:
  explicit Font(const LOGFONTA& description) : description_(description), font_(CreateFontIndirectA(&description)) {}
  ~Font() {
    if (font_ != nullptr) DeleteObject(font_);
  }
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT handle() const { return font_; }
  const LOGFONTA& description() const { return description_; }

 private:
  LOGFONTA description_;
  HFONT font_;
};

inline INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// What the dialog manager makes of a template's font, here in this process
// (the test programs carry the setup's resources).
inline LOGFONTA TemplateFont(WORD templateId) {
  LOGFONTA description = {};
  HWND dialog =
      CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, QuietDialogProc, 0);
  if (dialog == nullptr) return description;
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  GetObjectA(font, sizeof description, &description);
  DestroyWindow(dialog);
  return description;
}

inline LOGFONTA MessageBoxFont() {
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return metrics.lfMessageFont;
}

inline RECT ClientRectIn(HWND control, HWND parent) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The DrawText flags with which a static control of this style draws its text.
inline UINT StaticTextFlags(LONG style) {
  UINT flags = DT_EXPANDTABS;
  switch (style & SS_TYPEMASK) {
    case SS_CENTER:
      flags |= DT_CENTER | DT_WORDBREAK;
      break;
    case SS_RIGHT:
      flags |= DT_RIGHT | DT_WORDBREAK;
      break;
    case SS_SIMPLE:
      flags |= DT_SINGLELINE;
      break;
    case SS_LEFTNOWORDWRAP:
      break;
    default:
      flags |= DT_WORDBREAK;
  }
  if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
  return flags;
}

// Width and height that the text takes when drawn with the font and flags
// into a rectangle of the given width.
inline SIZE MeasureText(HFONT font, const std::string& text, UINT flags, int width) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT r = {0, 0, width, 0};
  DrawTextA(dc, text.c_str(), -1, &r, flags | DT_CALCRECT);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

inline bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// Checks every visible child of dialog (a page, a pre-check dialog or a
// message box of another process). dialogFont is what its template's font
// became, shown by every control but the caption bar (Arial, extra bold, as
// tall as the control) and the link; a message box shows its message font in
// its items, not its own (fontSource names the item that tells it).
inline void ExpectEverythingFits(HWND dialog, const LOGFONTA& dialogFont, HWND fontSource = nullptr) {
  HFONT dialogHandle =
      reinterpret_cast<HFONT>(SendMessageA(fontSource != nullptr ? fontSource : dialog, WM_GETFONT, 0, 0));
  RECT client;
  GetClientRect(dialog, &client);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    const std::string cls = td::ClassName(child);
    const std::string text = td::WindowText(child);
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    const int id = GetDlgCtrlID(child);
    RECT own;
    GetClientRect(child, &own);
    SCOPED_TRACE(cls + " " + std::to_string(id) + " \"" + text + "\"");
    RECT inDialog = ClientRectIn(child, dialog);
    // The side picture is 222 pixels tall by design, a page 135 units high
    // is 219 or 220: its bottom rows fall below the page, nothing more.
    if (id == IDC_SIDE_PICTURE) inDialog.bottom = inDialog.bottom - 222 + 219;
    if (id == IDC_SIDE_PICTURE || id == IDC_STEP1_PICTURE || id == IDC_STEP2_PICTURE || id == IDC_HOME_PAGE_LINK) {
      EXPECT_TRUE(Inside(inDialog, client))
          << "at " << inDialog.left << "," << inDialog.top << " to " << inDialog.right << "," << inDialog.bottom
          << " in " << client.right << " x " << client.bottom;
    }
    if (text.empty()) continue;
    LOGFONTA description = dialogFont;
    if (id == IDC_PAGE_TITLE) {
      description.lfHeight = own.bottom;
      description.lfWeight = FW_EXTRABOLD;
      lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
    } else if (id != IDC_HOME_PAGE_LINK) {
      // (The link underlines the dialog's font, which leaves its widths alone.)
      EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), dialogHandle)
          << "a font that this check does not know";
    }
    Font font(description);
    SIZE need = {};
    LONG roomX = own.right;
    if (cls == "Static") {
      const LONG type = style & SS_TYPEMASK;
      if (type == SS_ICON || type == SS_BITMAP || type == SS_OWNERDRAW || type > SS_LEFTNOWORDWRAP) continue;
      need = MeasureText(font.handle(), text, StaticTextFlags(style), own.right);
    } else if (cls == "Button") {
      const LONG type = style & BS_TYPEMASK;
      need = MeasureText(font.handle(), text, DT_SINGLELINE, 0);
      // A push button keeps its 3-pixel edges free; a check box draws its
      // 13-pixel box and a gap before the text.
      roomX -= 6;
      if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
        roomX = own.right - 13 - 4;
    } else {
      continue;
    }
    EXPECT_TRUE(need.cx <= roomX && need.cy <= own.bottom)
        << "needs " << need.cx << " x " << need.cy << ", has " << roomX << " x " << own.bottom;
  }
}

}  // namespace layout

#endif
