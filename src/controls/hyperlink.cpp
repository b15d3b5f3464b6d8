// The home-page link of the welcome page.
#include "controls/hyperlink.h"

#include <commctrl.h>

#include <cstddef>

#include "controls/link_logic.h"
#include "driver/late_libraries.h"

namespace {

constexpr COLORREF kDefaultHover = RGB(238, 0, 0);
constexpr WORD kLinkCursorId = 106;

// The tooltip is given the TOOLINFOA of comctl32 4.70 (through lParam),
// 44 bytes in the 32-bit program, which every supported system takes.
constexpr UINT kToolInfoSize = offsetof(TOOLINFOA, lParam) + sizeof(LPARAM);
#if defined(__i386__)
static_assert(kToolInfoSize == 44, "TOOLINFOA of the tooltip is 44 bytes");
#endif

TOOLINFOA ToolFor(HWND tooltip, HWND control, char* text) {
  TOOLINFOA tool = {};
  tool.cbSize = kToolInfoSize;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = tooltip;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  GetClientRect(control, &tool.rect);
  tool.lpszText = text;
  return tool;
}

}  // namespace

Hyperlink::Hyperlink() {
  label_[0] = '\0';
  url_[0] = '\0';
  INITCOMMONCONTROLSEX icc = {sizeof icc, 0xFF};
  late::InitCommonControlsEx(&icc);
}

Hyperlink::~Hyperlink() {
  HWND control = control_;
  Detach();
  if (linkCursor_ != nullptr) DestroyCursor(linkCursor_);
  linkCursor_ = nullptr;
  // A control that outlives the object keeps showing the font: leave it.
  bool shown = IsWindow(control) && reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)) == linkFont_;
  if (linkFont_ != nullptr && !shown) DeleteObject(linkFont_);
  linkFont_ = nullptr;
}

void Hyperlink::OnBinding() {
  GetWindowRect(control_, &initialRect_);
  HWND parent = GetParent(control_);
  if (parent != nullptr) {
    POINT corners[2] = {{initialRect_.left, initialRect_.top}, {initialRect_.right, initialRect_.bottom}};
    ScreenToClient(parent, &corners[0]);
    ScreenToClient(parent, &corners[1]);
    initialRect_ = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  }
}

void Hyperlink::OnBound() {
  // A link without a URL opens its own text.
  if (url_[0] == '\0') GetWindowTextA(control_, url_, kTextChars);
  if (label_[0] == '\0') GetWindowTextA(control_, label_, kTextChars);
  char text[260];
  if (GetWindowTextA(control_, text, sizeof text) == 0) SetWindowTextA(control_, url_);
  if (linkFont_ == nullptr) SetLinkFont(reinterpret_cast<HFONT>(SendMessageA(control_, WM_GETFONT, 0, 0)));
  SizeToText();

  // The help program of the Windows directory lends its link cursor. Without
  // that directory nothing is loaded: a bare "\\WinHlp32.exe" would be taken
  // from the root of the current drive, where anybody may put one.
  char windows[260];
  UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  char helpProgram[kHelpProgramChars];
  if (HelpProgramPath(windows, length, sizeof windows, helpProgram, sizeof helpProgram)) {
    SetLinkCursor(kLinkCursorId, helpProgram);
  }

  tooltip_ = CreateWindowExA(WS_EX_TOOLWINDOW, TOOLTIPS_CLASSA, "", WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0,
                             control_, nullptr, nullptr, nullptr);
  TOOLINFOA tool = ToolFor(tooltip_, control_, url_);
  SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Hyperlink::OnUnbinding() {
  SetWindowPos(control_, nullptr, initialRect_.left, initialRect_.top, initialRect_.right - initialRect_.left,
               initialRect_.bottom - initialRect_.top, SWP_NOZORDER);
  // Destroying the tooltip also takes its subclass off the control.
  if (tooltip_ != nullptr) DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  label_[0] = '\0';
  url_[0] = '\0';
}

void Hyperlink::SetURL(const char* url) {
  // Longer URLs are cut to the field.
  lstrcpynA(url_, url != nullptr ? url : "", kTextChars);
  if (IsWindow(control_)) {
    TOOLINFOA tool = ToolFor(tooltip_, control_, url_);
    SendMessageA(tooltip_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Hyperlink::SetColours(COLORREF link, COLORREF visited, COLORREF hover) {
  linkColour_ = link;
  visitedColour_ = visited;
  hoverColour_ = hover == static_cast<COLORREF>(-1) ? kDefaultHover : hover;
  if (IsWindow(control_)) Repaint();
}

COLORREF Hyperlink::ColourInForce() const {
  if (hover_) return hoverColour_;
  if (visited_) return visitedColour_;
  return linkColour_;
}

void Hyperlink::SetLinkFont(HFONT font) {
  if (linkFont_ != nullptr) DeleteObject(linkFont_);
  linkFont_ = nullptr;
  // A control without a font of its own draws with the system font.
  if (font == nullptr) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  LOGFONTA description;
  if (GetObjectA(font, sizeof description, &description) == 0) return;
  description.lfUnderline = static_cast<BYTE>(underline_ & 0xFF);
  linkFont_ = CreateFontIndirectA(&description);
  if (IsWindow(control_)) {
    SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), TRUE);
    SizeToText();
  }
}

void Hyperlink::SetLinkCursor(WORD cursorId, const char* moduleFile) {
  if (linkCursor_ != nullptr) DestroyCursor(linkCursor_);
  linkCursor_ = nullptr;
  if (moduleFile == nullptr) {
    linkCursor_ = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(cursorId));
    return;
  }
  // Mapped as a data file: only its resources are read, none of its code
  // runs and none of the libraries it imports is looked for.
  HMODULE module = LoadLibraryExA(moduleFile, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return;
  // The copy stays valid once the module is gone.
  HCURSOR cursor = LoadCursorA(module, MAKEINTRESOURCEA(cursorId));
  if (cursor != nullptr) linkCursor_ = CopyIcon(cursor);
  FreeLibrary(module);
}

void Hyperlink::SizeToText() {
  if (!IsWindow(control_)) return;
  if (autoSize_ == 0) {
    Repaint();
    return;
  }
  char text[kTextChars];
  int length = GetWindowTextA(control_, text, kTextChars);
  SIZE extent = {0, 0};
  HDC dc = GetDC(control_);
  HGDIOBJ previous = SelectObject(dc, linkFont_);
  GetTextExtentPoint32A(dc, text, length, &extent);
  SelectObject(dc, previous);
  ReleaseDC(control_, dc);

  LinkRect initial = {initialRect_.left, initialRect_.top, initialRect_.right, initialRect_.bottom};
  DWORD style = static_cast<DWORD>(GetWindowLongPtrA(control_, GWL_STYLE));
  LinkRect fitted = FitLinkRect(initial, style, extent.cx, extent.cy);
  textRect_ = {fitted.left, fitted.top, fitted.right, fitted.bottom};
  Repaint();
  SetWindowPos(control_, nullptr, fitted.left, fitted.top, fitted.right - fitted.left, fitted.bottom - fitted.top,
               SWP_NOZORDER);
}

void Hyperlink::Repaint() {
  // Unbound there is nothing to redraw; a null window would mean the whole
  // desktop to InvalidateRect.
  if (!IsWindow(control_)) return;
  // The text is drawn without a background: the parent repaints beneath it.
  HWND parent = GetParent(control_);
  if (parent != nullptr) {
    RECT inner = {textRect_.left + 1, textRect_.top + 1, textRect_.right - 1, textRect_.bottom - 1};
    InvalidateRect(parent, &inner, TRUE);
  }
  InvalidateRect(control_, nullptr, TRUE);
}

INT_PTR Hyperlink::OpenLink(const char* url, int showCommand) {
  return reinterpret_cast<INT_PTR>(late::ShellExecuteA(nullptr, "open", url, nullptr, nullptr, showCommand));
}

int Hyperlink::ShowOpenError(HWND owner, int code) {
  char text[kOpenErrorTextSize];
  FormatOpenError(code, text, sizeof text);
  return MessageBoxA(owner, text, "Hyperlink Control", MB_OK | MB_ICONEXCLAMATION);
}

void Hyperlink::TrackHover(LPARAM lParam) {
  if (!hover_) {
    hover_ = 1;
    Repaint();
    SetCapture(control_);
    return;
  }
  // Unsigned: a pointer left of or above the control counts as outside.
  POINT point = {static_cast<LONG>(LOWORD(lParam)), static_cast<LONG>(HIWORD(lParam))};
  RECT client;
  GetClientRect(control_, &client);
  if (!PtInRect(&client, point)) {
    ReleaseCapture();
    hover_ = 0;
    Repaint();
  }
}

void Hyperlink::Activate() {
  ReleaseCapture();
  INT_PTR r = OpenLink(url_, SW_SHOW);
  visited_ = r > 32 ? 1 : 0;
  // The capture is gone either way, so the hover state goes with it.
  hover_ = 0;
  Repaint();
  if (r > 32) return;
  MessageBeep(MB_ICONEXCLAMATION);
  ShowOpenError(GetParent(control_), static_cast<int>(r));
}

bool Hyperlink::OnControlMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      CallPreviousControlProc(hwnd, msg, wParam, lParam);
      // XOR: drawn on gaining the focus, removed on losing it.
      RECT client;
      GetClientRect(hwnd, &client);
      HDC dc = GetDC(hwnd);
      DrawFocusRect(dc, &client);
      ReleaseDC(hwnd, dc);
      *result = 0;
      return true;
    }
    case WM_SETCURSOR:
      CallPreviousControlProc(hwnd, msg, wParam, lParam);
      *result = 0;
      if (linkCursor_ != nullptr) {
        SetCursor(linkCursor_);
        *result = TRUE;
      }
      return true;
    case WM_KEYUP:
      CallPreviousControlProc(hwnd, msg, wParam, lParam);
      if (wParam == VK_SPACE || wParam == VK_RETURN) Activate();
      *result = 0;
      return true;
    case WM_MOUSEMOVE:
      CallPreviousControlProc(hwnd, msg, wParam, lParam);
      TrackHover(lParam);
      *result = 0;
      return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      *result = 0;  // swallowed: the open happens on release
      return true;
    case WM_LBUTTONUP:
      CallPreviousControlProc(hwnd, msg, wParam, lParam);
      Activate();
      *result = 0;
      return true;
    case kReflectedColour: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, ColourInForce());
      SetBkMode(dc, TRANSPARENT);
      *result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      return true;
    }
    default:
      return false;
  }
}
