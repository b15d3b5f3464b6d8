// CPicture: a bitmap resource shown in a static control, with a logical
// palette made from its colour table.
#ifndef SETUPVDL_CONTROLS_PICTURE_H
#define SETUPVDL_CONTROLS_PICTURE_H

#include <windows.h>

#include "controls/binding.h"

class CPicture : public ControlBinding<CPicture> {
 public:
  static constexpr char kTag[] = "CPicture";
  static constexpr UINT kReflectedColour = 0;  // none

  CPicture() = default;
  virtual ~CPicture();

  // Not found: nothing changes, an earlier bitmap stays.
  void LoadFromResource(HINSTANCE module, WORD id);
  // Builds palette and device-dependent bitmap again from the resource.
  bool Reload();
  bool SizeToBitmap();
  bool Paint();
  // The bitmap at the top left of dc, with its palette.
  void Draw(HDC dc);

  HBITMAP Bitmap() const { return bitmap_; }
  HPALETTE Palette() const { return palette_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  friend class ControlBinding<CPicture>;
  bool OnControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void OnParentMessage(HWND parent, UINT msg);
  void Clear();

  HINSTANCE module_ = nullptr;
  HRSRC resource_ = nullptr;
  HBITMAP bitmap_ = nullptr;  // owned
  int width_ = 0;
  int height_ = 0;
  HPALETTE palette_ = nullptr;  // owned
};

#endif
