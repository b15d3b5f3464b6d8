// CaptionBar: a page title drawn left-aligned, black, without background, in
// an Arial extra-bold copy of the dialog font as tall as the control.
#ifndef SETUPVDL_CONTROLS_CAPTION_BAR_H
#define SETUPVDL_CONTROLS_CAPTION_BAR_H

#include <windows.h>

#include "controls/binding.h"

class CaptionBar : public ControlBinding<CaptionBar> {
 public:
  static constexpr char kTag[] = "CaptionBar";
  // The number of the 16-bit WM_CTLCOLOR, which Win32 never sends.
  static constexpr UINT kReflectedColour = 0x0019;

  CaptionBar();
  virtual ~CaptionBar();

  void SetAlignment(int alignment);  // 0 left, 1 centre, 2 right
  void SetFontFit(int flags);        // bit 0: height, bit 1: width
  void SetCaptionFont(const LOGFONTA* description);
  void AdoptFont(HFONT font);
  HFONT CurrentFont();
  LOGFONTA* CurrentFontDescription();
  void Repaint();

  HFONT CaptionFontHandle() const { return captionFont_; }
  const char* CaptionText() const { return captionText_; }
  int Alignment() const { return alignment_; }
  int FontFit() const { return fontFit_; }

 private:
  friend class ControlBinding<CaptionBar>;
  void OnBound();
  void OnUnbound();
  bool OnControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

  HFONT captionFont_ = nullptr;  // owned
  LOGFONTA fontDescription_;
  char captionText_[256];
  int alignment_ = 0;
  int fontFit_ = 1;
  COLORREF textColour_ = RGB(0, 0, 0);
};

#endif
