// Hyperlink: a static text that acts as a link, with link colours, an
// underlined font, a link cursor, a tooltip with the URL, and the shell's
// "open" on a click or on Space/Return.
#ifndef SETUPVDL_CONTROLS_HYPERLINK_H
#define SETUPVDL_CONTROLS_HYPERLINK_H

#include <windows.h>

#include "controls/binding.h"

class Hyperlink : public ControlBinding<Hyperlink> {
 public:
  static constexpr char kTag[] = "Hyperlink";
  static constexpr UINT kReflectedColour = WM_USER + 1;
  static constexpr int kTextChars = 255;

  Hyperlink();
  virtual ~Hyperlink();

  void SetURL(const char* url);
  // A hover of -1 selects the default hover colour.
  void SetColours(COLORREF link, COLORREF visited, COLORREF hover);
  COLORREF GetLinkColour() const { return linkColour_; }
  void SetLinkFont(HFONT font);
  void SetLinkCursor(WORD cursorId, const char* moduleFile);
  void SizeToText();
  void Repaint();
  // ShellExecuteA's result: above 32 is success.
  INT_PTR OpenLink(const char* url, int showCommand);
  int ShowOpenError(HWND owner, int code);

  const char* URL() const { return url_; }
  const char* Label() const { return label_; }
  HWND Tooltip() const { return tooltip_; }
  HFONT LinkFont() const { return linkFont_; }
  HCURSOR LinkCursor() const { return linkCursor_; }
  bool IsHovered() const { return hover_ != 0; }
  bool IsVisited() const { return visited_ != 0; }
  COLORREF ColourInForce() const;
  COLORREF VisitedColour() const { return visitedColour_; }
  COLORREF HoverColour() const { return hoverColour_; }
  RECT InitialRect() const { return initialRect_; }
  RECT TextRect() const { return textRect_; }

 private:
  friend class ControlBinding<Hyperlink>;
  void OnBinding();
  void OnBound();
  void OnUnbinding();
  bool OnControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void TrackHover(LPARAM lParam);
  void Activate();

  HWND tooltip_ = nullptr;
  HFONT linkFont_ = nullptr;      // owned
  HCURSOR linkCursor_ = nullptr;  // owned
  char label_[kTextChars];
  char url_[kTextChars];
  COLORREF linkColour_ = RGB(0, 0, 238);
  COLORREF visitedColour_ = RGB(85, 26, 139);
  COLORREF hoverColour_ = RGB(238, 0, 0);
  int hover_ = 0;
  int visited_ = 0;
  int underline_ = 1;
  int autoSize_ = 1;
  RECT initialRect_ = {0, 0, 0, 0};
  RECT textRect_ = {0, 0, 0, 0};
};

#endif
