// The finish page: offers to open the product's help file when the wizard
// ends. Cancel is disabled here; a close request is allowed without asking.
#include "engine/payload.h"
#include "pages/frame.h"
#include "pages/pages.h"
#include "resource.h"

namespace {

constexpr DWORD kOverviewContext = 0xC0000110;

// The bare name the payload table installs the help file under, in the help
// directory, where the help system finds it.
const char* HelpFileName() {
  for (const PayloadEntry& entry : kPayloadTable) {
    if (entry.resourceId == IDR_PAYLOAD_HLP) return entry.destinationName;
  }
  return "VDLite.hlp";
}

BOOL OnInitDialog(HWND page, CaptionBar& caption, CPicture& side) {
  CheckDlgButton(page, IDC_OPEN_OVERVIEW, BST_CHECKED);
  AttachSidePageControls(page, caption, side);
  return TRUE;  // default focus
}

BOOL OnWizardFinish(HWND page) {
  if (IsDlgButtonChecked(page, IDC_OPEN_OVERVIEW) == BST_CHECKED) {
    WinHelpA(page, HelpFileName(), HELP_CONTEXT, kOverviewContext);
  }
  return SetPageResult(page, 0);  // 0 = close the wizard
}

INT_PTR OnNotify(HWND page, const NMHDR* header) {
  switch (header->code) {
    case PSN_WIZFINISH:
      return OnWizardFinish(page);
    case PSN_QUERYCANCEL:
      return FALSE;  // not handled: the wizard closes without a question
  }
  // The common answers, with Back and Finish on activation; Cancel is then
  // disabled after them.
  INT_PTR handled = HandlePageNotify(page, header, PSWIZB_BACK | PSWIZB_FINISH);
  if (header->code == static_cast<UINT>(PSN_SETACTIVE)) PostCancelToClose(page);
  return handled;
}

}  // namespace

INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static CaptionBar caption;
  static CPicture side;
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(page, caption, side);
    case WM_COMMAND:
      return TRUE;
    case WM_NOTIFY:
      return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    default:
      return FALSE;
  }
}
