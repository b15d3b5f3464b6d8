// The install worker; see worker.h. The wait before each payload file is the
// checkpoint of the cancel hand-shake: the copying page resets the continue
// event before it asks, so a confirmed cancel always wins the wait.
#include "engine/worker.h"

#include <commctrl.h>
#include <prsht.h>
#include "driver/setup_state.h"
#include "engine/format_logic.h"
#include "engine/payload.h"
#include "engine/registry.h"
#include "resource.h"

namespace {

constexpr int kSteps = 5;  // four payload files and the registry
constexpr int kMessageChars = 256;

void StepProgress(HWND page) { SendDlgItemMessageA(page, IDC_PROGRESS, PBM_STEPIT, 0, 0); }

// Next enabled, then pressed: the page moves on or closes the wizard.
void PressNext(HWND page) {
  HWND frame = GetParent(page);
  PostMessageA(frame, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
  PostMessageA(frame, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

// String 6 with the file and its directory; a long directory is cut short
// rather than written past the message buffer.
void FormatCopyFailure(const PayloadEntry& entry, char* message) {
  char format[kMessageChars];
  LoadStringA(g_instance, IDS_COPY_FAILED, format, 255);
  FormatTwoTexts(message, kMessageChars, format, entry.destinationName, g_directories[entry.directoryKind]);
}

DWORD ReportFailure(HWND page, const char* message) {
  MessageBoxA(page, message, g_setupCaption, MB_OK | MB_ICONERROR);
  PressNext(page);
  return 1;
}

}  // namespace

DWORD WINAPI InstallWorker(LPVOID copyingPage) {
  HWND page = static_cast<HWND>(copyingPage);
  // Continue first: when both are signalled the wait reports continue.
  HANDLE waits[2] = {g_continueEvent, g_cancelEvent};
  char message[kMessageChars];

  SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, kSteps));
  SendDlgItemMessageA(page, IDC_PROGRESS, PBM_SETSTEP, 1, 0);
  ShowWindow(GetDlgItem(page, IDC_PROGRESS), SW_SHOW);

  for (const PayloadEntry& entry : kPayloadTable) {
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) return 0;  // cancelled
    if (!InstallPayloadEntry(entry)) {
      FormatCopyFailure(entry, message);
      return ReportFailure(page, message);
    }
    StepProgress(page);
  }
  if (!WriteRegistry()) {
    LoadStringA(g_instance, IDS_REGISTRY_FAILED, message, 255);
    return ReportFailure(page, message);
  }
  StepProgress(page);
  // Written before the posts: the page reads it when the press arrives.
  InterlockedExchange(&g_installComplete, 1);
  PressNext(page);
  return 0;
}
