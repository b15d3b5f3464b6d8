// Dialogs for the control tests: built from in-memory templates or from the
// program's own page templates, with a dialog procedure that logs what
// reaches it, and a spy procedure that logs what a control's own procedure
// receives.
#ifndef SETUPVDL_TESTS_CONTROL_DIALOGS_H
#define SETUPVDL_TESTS_CONTROL_DIALOGS_H

#include <windows.h>

#include <string>
#include <vector>

namespace ct {

struct Item {
  int id;
  DWORD style;
  short x, y, cx, cy;
  const char* text;
};

constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;

// What reached the dialog's own procedure.
struct DialogLog {
  int ctlColorStatic = 0;
  HWND lastColorChild = nullptr;
  HDC lastColorDc = nullptr;
  int commands = 0;
  int sysColorChanges = 0;
};
inline DialogLog g_log;
// Off for screenshots: the dialog then leaves plain statics their own colours.
inline bool g_answerColours = true;

// The dialog answers WM_CTLCOLORSTATIC with a brush of its own, so an answer
// tells who gave it.
inline HBRUSH DialogBrush() { return static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)); }

inline INT_PTR CALLBACK LoggingDialogProc(HWND, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_CTLCOLORSTATIC:
      ++g_log.ctlColorStatic;
      g_log.lastColorChild = reinterpret_cast<HWND>(lParam);
      g_log.lastColorDc = reinterpret_cast<HDC>(wParam);
      return g_answerColours ? reinterpret_cast<INT_PTR>(DialogBrush()) : FALSE;
    case WM_COMMAND:
      ++g_log.commands;
      return TRUE;
    case WM_SYSCOLORCHANGE:
      ++g_log.sysColorChanges;
      return TRUE;
    default:
      return FALSE;
  }
}

inline void PushString(std::vector<WORD>* t, const char* text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::vector<wchar_t> wide(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
  for (wchar_t c : wide) t->push_back(static_cast<WORD>(c));
}

inline void AlignDword(std::vector<WORD>* t) {
  if (t->size() % 2 != 0) t->push_back(0);
}

inline void PushDword(std::vector<WORD>* t, DWORD v) {
  t->push_back(LOWORD(v));
  t->push_back(HIWORD(v));
}

// A visible popup dialog at the screen's top-left corner, 8-point
// "MS Sans Serif" as the page templates have, with static items.
inline HWND CreateTestDialog(const std::vector<Item>& items, short cx = 240, short cy = 140) {
  std::vector<WORD> t;
  PushDword(&t, WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT);
  PushDword(&t, 0);
  t.push_back(static_cast<WORD>(items.size()));
  t.push_back(0);
  t.push_back(0);
  t.push_back(static_cast<WORD>(cx));
  t.push_back(static_cast<WORD>(cy));
  t.push_back(0);  // no menu
  t.push_back(0);  // default class
  PushString(&t, "Control test");
  t.push_back(8);
  PushString(&t, "MS Sans Serif");
  for (const Item& item : items) {
    AlignDword(&t);
    PushDword(&t, item.style);
    PushDword(&t, 0);
    t.push_back(static_cast<WORD>(item.x));
    t.push_back(static_cast<WORD>(item.y));
    t.push_back(static_cast<WORD>(item.cx));
    t.push_back(static_cast<WORD>(item.cy));
    t.push_back(static_cast<WORD>(item.id));
    t.push_back(0xFFFF);
    t.push_back(0x0082);  // STATIC
    PushString(&t, item.text);
    t.push_back(0);  // no creation data
  }
  g_log = DialogLog();
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(t.data()), nullptr,
                                    LoggingDialogProc, 0);
}

// One of the program's page templates, as a top-level dialog.
inline HWND CreatePageDialog(WORD templateId) {
  g_log = DialogLog();
  HWND dialog =
      CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, LoggingDialogProc, 0);
  if (dialog != nullptr) SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  return dialog;
}

inline void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Paints everything now.
inline void Settle(HWND dialog) {
  PumpMessages();
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages();
}

inline WNDPROC ProcOf(HWND window) { return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)); }

// A spy installed under a control before it is bound: it sees exactly what
// the bound object passes on to the control's previous procedure.
struct Spy {
  static inline std::vector<UINT> seen;
  static inline WNDPROC original = nullptr;
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    seen.push_back(msg);
    return CallWindowProcA(original, hwnd, msg, wParam, lParam);
  }
  static void Install(HWND control) {
    seen.clear();
    original = ProcOf(control);
    SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
  }
  static bool Saw(UINT msg) {
    for (UINT m : seen)
      if (m == msg) return true;
    return false;
  }
};

inline RECT RectInParent(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline std::string TextOf(HWND window) {
  char buffer[512] = "";
  GetWindowTextA(window, buffer, sizeof buffer);
  return buffer;
}

}  // namespace ct

#endif
