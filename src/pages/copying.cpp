// The copying page: starts the install worker on Next, keeps the wizard here
// while it runs, and pauses it while the user is asked about cancelling.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include "controls/caption_bar.h"
#include "controls/picture.h"
#include "driver/setup_state.h"
#include "engine/guards.h"
#include "engine/worker.h"
#include "pages/frame.h"
#include "pages/pages.h"
#include "resource.h"

namespace {

int g_copyStarted;
HANDLE g_workerThread;
// A second handle to the worker, kept past the page for the wait at exit.
UniqueHandle g_workerAtExit;

void ShowStartFailure(HWND page) {
  char message[256];
  LoadStringA(g_instance, IDS_INTERNAL_ERROR, message, 255);
  MessageBoxA(page, message, g_setupCaption, MB_OK | MB_ICONERROR);
  DestroyWindow(GetParent(page));
}

INT_PTR StartCopying(HWND page) {
  // The worker runs at most once per wizard: Back is off from its start on
  // and no later page leads back here. So there is never an earlier thread
  // handle that a second start would lose; should there be one, or a worker
  // still running, nothing is started again.
  if (g_workerThread != nullptr || InstallWorkerRunning()) return SetPageResult(page, -1);
  PostWizardButtons(page, 0);
  g_copyStarted = 1;
  DWORD threadId;
  g_workerThread = CreateThread(nullptr, 0, InstallWorker, page, 0, &threadId);
  if (g_workerThread == nullptr) {
    ShowStartFailure(page);
    return SetPageResult(page, -1);
  }
  HANDLE self = GetCurrentProcess();
  if (!DuplicateHandle(self, g_workerThread, self, g_workerAtExit.put(), SYNCHRONIZE, FALSE, 0)) {
    // No second handle: the page gives its own to the wait at exit, so that
    // the worker is never taken for ended while it runs.
    g_workerAtExit.reset(g_workerThread);
    g_workerThread = nullptr;
  }
  return SetPageResult(page, -1);  // stay here while the worker runs
}

// Next pressed by the user (first time) or by the worker at its end.
INT_PTR OnWizardNext(HWND page) {
  if (g_copyStarted == 0) return StartCopying(page);
  if (g_installComplete != 0) return SetPageResult(page, 0);  // on to the next page
  DestroyWindow(GetParent(page));                             // the worker failed and has said so
  return SetPageResult(page, -1);
}

// Reset continue before asking, so a worker reaching its checkpoint waits
// and a confirmed cancel wins its wait.
INT_PTR OnQueryCancel(HWND page) {
  ResetEvent(g_continueEvent);
  if (ConfirmCancel(page)) {
    SetEvent(g_cancelEvent);
    return SetPageResult(page, FALSE);
  }
  SetEvent(g_continueEvent);
  return SetPageResult(page, TRUE);
}

INT_PTR OnNotify(HWND page, const NMHDR* header) {
  switch (header->code) {
    case PSN_SETACTIVE:
      g_copyStarted = 0;
      break;  // and the common answer with this page's buttons
    case PSN_WIZNEXT:
      return OnWizardNext(page);
    case PSN_QUERYCANCEL:
      return OnQueryCancel(page);
  }
  return HandlePageNotify(page, header, PSWIZB_BACK | PSWIZB_NEXT);
}

void OnDestroy() {
  if (g_workerThread != nullptr) {
    CloseHandle(g_workerThread);
    g_workerThread = nullptr;
  }
}

}  // namespace

INT_PTR CALLBACK CopyingPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  static CaptionBar caption;
  static CPicture picture;
  switch (message) {
    case WM_INITDIALOG:
      AttachSidePageControls(page, caption, picture);
      return TRUE;
    case WM_NOTIFY:
      return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    case WM_COMMAND:
      return TRUE;
  }
  return FALSE;
}

// Only a wait that sees the worker's thread signalled tells that it ended;
// a wait that fails tells nothing, and the worker counts as running.
bool InstallWorkerRunning() { return g_workerAtExit && WaitForSingleObject(g_workerAtExit.get(), 0) != WAIT_OBJECT_0; }

bool WaitForInstallWorker(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (InstallWorkerRunning()) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return false;
    HANDLE worker = g_workerAtExit.get();
    // The worker may still send progress messages to this thread: answer them.
    DWORD r = MsgWaitForMultipleObjects(1, &worker, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0 + 1) {
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    } else if (r != WAIT_OBJECT_0 && r != WAIT_TIMEOUT) {
      return false;  // the wait failed: the worker may be running
    }
  }
  g_workerAtExit.reset();
  return true;
}
