// The where-to-start page: two pictures showing how to reach the product
// from a file's Properties. There is no way back to the copying page.
#include "pages/frame.h"
#include "pages/pages.h"
#include "resource.h"

namespace {

BOOL OnInitDialog(HWND page, CaptionBar& caption, CPicture& menuPicture, CPicture& tabPicture) {
  CPicture* pictures[] = {&menuPicture, &tabPicture};
  const WORD bitmaps[] = {IDB_SHORTCUT_MENU, IDB_PROPERTIES_TAB};
  const int items[] = {IDC_STEP1_PICTURE, IDC_STEP2_PICTURE};
  AttachPageControls(page, caption, pictures, bitmaps, items, 2);
  return TRUE;  // default focus
}

}  // namespace

INT_PTR CALLBACK WhereToStartPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static CaptionBar caption;
  static CPicture menuPicture;
  static CPicture tabPicture;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page, caption, menuPicture, tabPicture);
    case WM_NOTIFY:
      return HandlePageNotify(page, reinterpret_cast<const NMHDR*>(lParam), PSWIZB_NEXT);
    default:
      return FALSE;
  }
}
