// Page titles in a large font.
#include "controls/caption_bar.h"

#include <cstring>

CaptionBar::CaptionBar() {
  std::memset(&fontDescription_, 0, sizeof fontDescription_);
  captionText_[0] = '\0';
}

CaptionBar::~CaptionBar() {
  HWND control = control_;
  Detach();
  // A control that outlives the object keeps showing the font: leave it.
  bool shown = IsWindow(control) && reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)) == captionFont_;
  if (captionFont_ != nullptr && !shown) DeleteObject(captionFont_);
  captionFont_ = nullptr;
}

void CaptionBar::OnBound() {
  if (captionText_[0] != '\0') {
    SetWindowTextA(control_, captionText_);
  } else {
    GetWindowTextA(control_, captionText_, 255);
  }
  // The control still shows the dialog's font: adopt a copy and restyle it.
  LOGFONTA description = *CurrentFontDescription();
  description.lfWeight = FW_EXTRABOLD;
  description.lfOutPrecision = OUT_TT_PRECIS;
  description.lfQuality = PROOF_QUALITY;
  description.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
  lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
  SetCaptionFont(&description);
  SetAlignment(alignment_);
  SetFontFit(fontFit_);
}

void CaptionBar::OnUnbound() { captionText_[0] = '\0'; }

bool CaptionBar::OnControlMessage(HWND, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  if (msg != kReflectedColour) return false;
  HDC dc = reinterpret_cast<HDC>(wParam);
  SetTextColor(dc, textColour_);
  SetBkMode(dc, TRANSPARENT);
  *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  return true;
}

void CaptionBar::SetAlignment(int alignment) {
  alignment_ = alignment;
  if (!IsWindow(control_)) return;
  LONG_PTR style = GetWindowLongPtrA(control_, GWL_STYLE);
  switch (alignment) {
    case 0:
      style &= ~static_cast<LONG_PTR>(3);
      break;
    case 1:
      style = (style & ~static_cast<LONG_PTR>(2)) | 1;
      break;
    case 2:
      style = (style & ~static_cast<LONG_PTR>(1)) | 2;
      break;
    default:
      return;  // stored, style left alone, nothing repainted
  }
  SetWindowLongPtrA(control_, GWL_STYLE, style);
  Repaint();
}

void CaptionBar::SetFontFit(int flags) {
  fontFit_ = flags;
  if (!IsWindow(control_)) return;
  RECT client;
  GetClientRect(control_, &client);
  LONG h = client.bottom - client.top;
  LOGFONTA description = *CurrentFontDescription();
  // A positive height is a cell height.
  if (flags & 1) description.lfHeight = h;
  if (flags & 2) description.lfWidth = h >> 1;
  SetCaptionFont(&description);
  Repaint();
}

void CaptionBar::SetCaptionFont(const LOGFONTA* description) {
  if (description == nullptr) return;
  if (description != &fontDescription_) fontDescription_ = *description;
  HFONT replaced = captionFont_;
  captionFont_ = CreateFontIndirectA(&fontDescription_);
  if (IsWindow(control_)) {
    SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(captionFont_), TRUE);
    Repaint();
  }
  // Only now: the control no longer shows it.
  if (replaced != nullptr) DeleteObject(replaced);
}

void CaptionBar::AdoptFont(HFONT font) {
  if (font == nullptr) return;
  LOGFONTA description;
  if (GetObjectA(font, sizeof description, &description) == 0) return;
  fontDescription_ = description;
  HFONT replaced = captionFont_;
  captionFont_ = CreateFontIndirectA(&fontDescription_);
  if (IsWindow(control_)) SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(captionFont_), TRUE);
  if (replaced != nullptr) DeleteObject(replaced);
}

HFONT CaptionBar::CurrentFont() {
  if (IsWindow(control_)) {
    HFONT shown = reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0));
    if (shown != captionFont_) AdoptFont(shown);
  }
  return captionFont_;
}

LOGFONTA* CaptionBar::CurrentFontDescription() {
  HFONT font = CurrentFont();
  if (font != nullptr) GetObjectA(font, sizeof fontDescription_, &fontDescription_);
  return &fontDescription_;
}

void CaptionBar::Repaint() {
  if (!IsWindow(control_)) return;
  // Without a parent there is nothing beneath to redraw; a null window would
  // mean the whole desktop to InvalidateRect.
  HWND parent = GetParent(control_);
  if (parent != nullptr) {
    RECT r;
    GetWindowRect(control_, &r);
    POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
    ScreenToClient(parent, &corners[0]);
    ScreenToClient(parent, &corners[1]);
    RECT inParent = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    InvalidateRect(parent, &inParent, TRUE);
  }
  InvalidateRect(control_, nullptr, TRUE);
}
