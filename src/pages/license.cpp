// The license page: the licence agreement in a read-only edit on white.
#include "driver/setup_state.h"
#include "engine/guards.h"
#include "pages/frame.h"
#include "pages/pages.h"
#include "resource.h"

namespace {

// The resource carries no terminating zero: copy it, bounded by its size,
// into a buffer one byte longer. Nothing found or loaded: the edit stays
// empty.
void ShowLicenceText(HWND page) {
  HRSRC resource = FindResourceA(g_instance, MAKEINTRESOURCEA(IDR_LICENSE_TEXT), "FILE");
  if (resource == nullptr) return;
  DWORD size = SizeofResource(g_instance, resource);
  HGLOBAL loaded = LoadResource(g_instance, resource);
  const char* data = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (data == nullptr || size == 0) return;
  char* text = static_cast<char*>(LocalAlloc(LMEM_FIXED, size + 1));
  if (text == nullptr) return;
  auto freeText = MakeScopeExit([text] { LocalFree(text); });
  CopyMemory(text, data, size);
  text[size] = '\0';
  SetDlgItemTextA(page, IDC_LICENSE_EDIT, text);
}

BOOL OnInitDialog(HWND page, CaptionBar& caption, CPicture& side) {
  ShowLicenceText(page);
  AttachSidePageControls(page, caption, side);
  return TRUE;  // default focus
}

// The dialog manager selects all of an edit it tabs into; undo that so the
// caret stands at the start and nothing is selected.
BOOL OnCommand(HWND page, WPARAM wParam) {
  if (HIWORD(wParam) == EN_SETFOCUS) SendDlgItemMessageA(page, IDC_LICENSE_EDIT, EM_SETSEL, 0, 0);
  return TRUE;
}

// A read-only edit asks for static colours: white behind the licence text,
// the dialog's own colours for everything else.
INT_PTR OnCtlColorStatic(HWND page, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) != GetDlgItem(page, IDC_LICENSE_EDIT)) return FALSE;
  return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
}

}  // namespace

INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  static CaptionBar caption;
  static CPicture side;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page, caption, side);
    case WM_COMMAND:
      return OnCommand(page, wParam);
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(page, lParam);
    case WM_NOTIFY:
      return HandlePageNotify(page, reinterpret_cast<const NMHDR*>(lParam), PSWIZB_BACK | PSWIZB_NEXT);
    default:
      return FALSE;
  }
}
