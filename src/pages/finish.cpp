// The finish page: offers to open the product's help file when the wizard
// ends. Cancel is disabled here; a close request is allowed without asking.
#include "controls/link_logic.h"
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

// WinHelpA starts the help program by its bare name when no help window is
// open, and a bare program name is looked for in setup's own folder first,
// where anybody may have put a WinHlp32.exe. So the Windows directory's
// help program is started here, by its full path, and the request follows
// only once its window is there. False when there is no help window.
bool OpenHelpWindow() {
  if (FindWindowA("MS_WINHELP", nullptr) == nullptr) {
    char windows[260];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    char program[kHelpProgramChars];
    if (!HelpProgramPath(windows, length, sizeof windows, program, sizeof program)) return false;
    char command[] = "WinHlp32.exe -x";  // started without a window of its own
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    // It starts in the Windows directory, not in setup's current one, which
    // NT 4.0 and 2000 search for the libraries that it loads by name.
    if (!CreateProcessA(program, command, nullptr, nullptr, FALSE, 0, nullptr, windows, &startup, &started)) {
      return false;
    }
    // Idle once its window is made.
    WaitForInputIdle(started.hProcess, 10000);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
  }
  return FindWindowA("MS_WINHELP", nullptr) != nullptr;
}

BOOL OnInitDialog(HWND page, CaptionBar& caption, CPicture& side) {
  CheckDlgButton(page, IDC_OPEN_OVERVIEW, BST_CHECKED);
  AttachSidePageControls(page, caption, side);
  return TRUE;  // default focus
}

BOOL OnWizardFinish(HWND page) {
  if (IsDlgButtonChecked(page, IDC_OPEN_OVERVIEW) == BST_CHECKED && OpenHelpWindow()) {
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
