// Palette-aware bitmaps from the program's resources.
#include "controls/picture.h"

#include "controls/dib_logic.h"
#include "engine/guards.h"

namespace {

// Every bound picture of a page hears of a colour change, not only the
// first one whose object wraps the page.
BOOL CALLBACK ForwardColourChange(HWND child, LPARAM parent) {
  if (GetParent(child) == reinterpret_cast<HWND>(parent) && GetPropA(child, CPicture::kTag) != nullptr) {
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
  }
  return TRUE;
}

HPALETTE CreateDibPalette(const uint8_t* data, size_t size, const DibLayout& layout) {
  if (layout.colourCount == 0) return nullptr;
  SIZE_T bytes = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<SIZE_T>(layout.colourCount);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (memory == nullptr) return nullptr;
  auto freeMemory = MakeScopeExit([memory] { GlobalFree(memory); });
  LOGPALETTE* logPalette = static_cast<LOGPALETTE*>(GlobalLock(memory));
  if (logPalette == nullptr) return nullptr;
  auto unlock = MakeScopeExit([memory] { GlobalUnlock(memory); });
  logPalette->palVersion = 0x300;
  logPalette->palNumEntries = static_cast<WORD>(layout.colourCount);
  PALETTEENTRY* out = logPalette->palPalEntry;
  for (uint32_t i = 0; i < layout.colourCount; ++i) {
    DibPaletteEntry entry;
    if (!DibPaletteEntryAt(data, size, layout, i, &entry)) break;
    out[i].peRed = entry.red;
    out[i].peGreen = entry.green;
    out[i].peBlue = entry.blue;
    out[i].peFlags = entry.flags;
  }
  return CreatePalette(logPalette);
}

}  // namespace

CPicture::~CPicture() {
  Detach();
  Clear();
}

void CPicture::Clear() {
  if (bitmap_ != nullptr) DeleteObject(bitmap_);
  bitmap_ = nullptr;
  if (palette_ != nullptr) DeleteObject(palette_);
  palette_ = nullptr;
  width_ = 0;
  height_ = 0;
}

void CPicture::LoadFromResource(HINSTANCE module, WORD id) {
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
  if (resource == nullptr) return;
  module_ = module;
  resource_ = resource;
  Reload();
}

bool CPicture::Reload() {
  Clear();
  if (resource_ == nullptr) return false;
  HGLOBAL loaded = LoadResource(module_, resource_);
  if (loaded == nullptr) return false;
  auto freeResource = MakeScopeExit([loaded] { FreeResource(loaded); });
  const uint8_t* data = static_cast<const uint8_t*>(LockResource(loaded));
  if (data == nullptr) return false;
  // The header is untrusted: every offset is checked against the size.
  size_t size = SizeofResource(module_, resource_);
  DibLayout layout;
  if (!ParseDib(data, size, &layout)) return false;

  palette_ = CreateDibPalette(data, size, layout);
  HDC screen = GetDC(nullptr);
  auto releaseScreen = MakeScopeExit([screen] { ReleaseDC(nullptr, screen); });
  if (palette_ != nullptr) {
    SelectPalette(screen, palette_, FALSE);
    RealizePalette(screen);
  }
  const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(data);
  bitmap_ = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, data + layout.bitsOffset, info, DIB_RGB_COLORS);
  if (palette_ != nullptr) SelectPalette(screen, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  width_ = layout.width;
  height_ = layout.height < 0 ? -layout.height : layout.height;
  return true;
}

bool CPicture::SizeToBitmap() {
  if (control_ == nullptr || bitmap_ == nullptr) return false;
  SetWindowPos(control_, HWND_TOP, 0, 0, width_, height_, SWP_NOMOVE);
  return true;
}

bool CPicture::Paint() {
  if (control_ == nullptr || bitmap_ == nullptr) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(control_, &ps);
  Draw(dc);
  EndPaint(control_, &ps);
  return true;
}

void CPicture::Draw(HDC dc) {
  HDC mem = CreateCompatibleDC(dc);
  HPALETTE previousPalette = nullptr;
  if (palette_ != nullptr) {
    previousPalette = SelectPalette(dc, palette_, FALSE);
    RealizePalette(dc);
    SelectPalette(mem, palette_, FALSE);
    RealizePalette(mem);
  }
  HGDIOBJ previous = SelectObject(mem, bitmap_);
  BitBlt(dc, 0, 0, width_, height_, mem, 0, 0, SRCCOPY);
  SelectObject(mem, previous);
  DeleteDC(mem);
  // The DC outlives this call (a class or private DC, or the caller's for
  // WM_PRINTCLIENT): it must not keep a palette that a colour change or the
  // destructor deletes.
  if (previousPalette != nullptr) SelectPalette(dc, previousPalette, FALSE);
}

bool CPicture::OnControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  switch (msg) {
    case WM_PAINT:
      if (!Paint()) return false;
      *result = 0;
      return true;
    case WM_PRINTCLIENT:  // the same picture into a caller's device context
      if (bitmap_ == nullptr) return false;
      Draw(reinterpret_cast<HDC>(wParam));
      *result = 0;
      return true;
    case WM_SYSCOLORCHANGE:
      if (bitmap_ == nullptr) return false;
      Reload();
      InvalidateRect(hwnd, nullptr, TRUE);
      *result = 0;
      return true;
    default:
      return false;
  }
}

void CPicture::OnParentMessage(HWND parent, UINT msg) {
  if (msg == WM_SYSCOLORCHANGE) EnumChildWindows(parent, ForwardColourChange, reinterpret_cast<LPARAM>(parent));
}
