// The behaviour the wizard pages share; see frame.h.
#include "pages/frame.h"

#include "driver/setup_state.h"
#include "resource.h"

namespace {

constexpr int kMessageChars = 255;

}  // namespace

BOOL SetPageResult(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

void PostWizardButtons(HWND page, DWORD buttons) {
  PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, static_cast<LPARAM>(buttons));
}

void PostCancelToClose(HWND page) { PostMessageA(GetParent(page), PSM_CANCELTOCLOSE, 0, 0); }

bool ConfirmCancel(HWND page) {
  char question[kMessageChars];
  LoadStringA(g_instance, IDS_CANCEL_QUESTION, question, kMessageChars);
  return MessageBoxA(page, question, g_setupCaption, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void AttachPageControls(HWND page, CaptionBar& caption, CPicture* pictures[], const WORD bitmapIds[],
                        const int itemIds[], int count) {
  caption.Attach(GetDlgItem(page, IDC_PAGE_TITLE));
  for (int i = 0; i < count; ++i) {
    pictures[i]->LoadFromResource(g_instance, bitmapIds[i]);
    pictures[i]->Attach(GetDlgItem(page, itemIds[i]));
    pictures[i]->SizeToBitmap();
  }
}

void AttachSidePageControls(HWND page, CaptionBar& caption, CPicture& sidePicture) {
  CPicture* pictures[] = {&sidePicture};
  const WORD bitmaps[] = {IDB_SIDE_PICTURE};
  const int items[] = {IDC_SIDE_PICTURE};
  AttachPageControls(page, caption, pictures, bitmaps, items, 1);
}

INT_PTR HandlePageNotify(HWND page, const NMHDR* header, DWORD buttons) {
  switch (header->code) {
    case PSN_SETACTIVE:
      PostWizardButtons(page, buttons);
      return SetPageResult(page, 0);
    case PSN_KILLACTIVE:
    case PSN_RESET:
    case PSN_WIZNEXT:
      return SetPageResult(page, 0);
    case PSN_QUERYCANCEL:
      return SetPageResult(page, ConfirmCancel(page) ? 0 : TRUE);  // TRUE = refuse the cancel
    default:
      return FALSE;
  }
}

namespace {

void RemoveSizingCommands(HWND frame) {
  HMENU menu = GetSystemMenu(frame, FALSE);
  if (menu == nullptr) return;
  const UINT commands[] = {SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_RESTORE};
  for (UINT command : commands) DeleteMenu(menu, command, MF_BYCOMMAND);
}

// Width and height count both edges, so the frame grows by one pixel each
// way.
void CentreOnScreen(HWND frame) {
  RECT rect;
  if (!GetWindowRect(frame, &rect)) return;
  int width = rect.right - rect.left + 1;
  int height = rect.bottom - rect.top + 1;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  MoveWindow(frame, x, y, width, height, TRUE);
}

}  // namespace

void PrepareWizardFrame(HWND page) {
  HWND frame = GetParent(page);
  if (frame == nullptr) return;
  SetWindowLongPtrA(frame, GWL_STYLE, GetWindowLongPtrA(frame, GWL_STYLE) | WS_CAPTION | WS_SYSMENU);
  SetWindowLongPtrA(frame, GWL_EXSTYLE, GetWindowLongPtrA(frame, GWL_EXSTYLE) & ~WS_EX_CONTEXTHELP);
  RemoveSizingCommands(frame);
  SendMessageA(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(g_smallIcon));
  SendMessageA(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(g_largeIcon));
  CentreOnScreen(frame);
}
