// The welcome page: prepares the wizard frame, shows the product and links
// to the vendor's home page.
#include "controls/hyperlink.h"
#include "driver/setup_state.h"
#include "pages/frame.h"
#include "pages/pages.h"
#include "resource.h"

namespace {

constexpr int kUrlChars = 256;

// One colour for every state: the link never changes colour.
void SetUpHomePageLink(HWND page, Hyperlink& link) {
  link.Attach(GetDlgItem(page, IDC_HOME_PAGE_LINK));
  COLORREF colour = link.GetLinkColour();
  link.SetColours(colour, colour, colour);
  char url[kUrlChars];
  LoadStringA(g_instance, IDS_HOME_PAGE_URL, url, kUrlChars - 1);
  link.SetURL(url);
}

BOOL OnInitDialog(HWND page, CaptionBar& caption, CPicture& side, Hyperlink& link) {
  PrepareWizardFrame(page);
  AttachSidePageControls(page, caption, side);
  SetUpHomePageLink(page, link);
  return TRUE;  // default focus
}

}  // namespace

INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static CaptionBar caption;
  static CPicture side;
  static Hyperlink link;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page, caption, side, link);
    case WM_NOTIFY:
      return HandlePageNotify(page, reinterpret_cast<const NMHDR*>(lParam), PSWIZB_NEXT);
    default:
      return FALSE;
  }
}
