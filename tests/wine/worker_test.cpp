// The install worker and its hand-shake, driven deterministically: a real
// copying page (template 105) under a recording frame window, the real
// payload files and registry of the test prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "driver/setup_state.h"
#include "engine/worker.h"
#include "engine_test_support.h"
#include "pages/pages.h"
#include "resource.h"
#include "test_driver.h"

namespace {

using engine_test::kSessionManager;
using engine_test::kVendorKey;

struct Posted {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Posted> g_posted;
std::vector<int> g_positions;  // progress position after each step
int g_pauseAfterStep = -1;     // reset continue when this position is reached
WNDPROC g_progressProc;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == PSM_SETWIZBUTTONS || message == PSM_PRESSBUTTON) g_posted.push_back({message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

// Runs on the page's thread, inside the worker's send.
LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CallWindowProcA(g_progressProc, window, message, wParam, lParam);
  if (message == PBM_STEPIT) {
    int position = static_cast<int>(SendMessageA(window, PBM_GETPOS, 0, 0));
    g_positions.push_back(position);
    if (position == g_pauseAfterStep) ResetEvent(g_continueEvent);
  }
  return result;
}

INT_PTR CALLBACK PageProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

void DispatchPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

// Pumps this thread's messages (the worker sends to the page) until done;
// then dispatches what is still queued, so that whatever the worker posted
// before it ended has arrived.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = td::kWaitMs) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > td::Scaled(timeoutMs)) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    DispatchPending();
  }
  DispatchPending();
  return true;
}

class Worker : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RecordingFrame";
    RegisterClassA(&wc);
    frame_ = CreateWindowA("RecordingFrame", "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 400, nullptr,
                           nullptr, wc.hInstance, nullptr);
    ASSERT_NE(frame_, nullptr) << GetLastError();
    page_ = CreateDialogParamA(wc.hInstance, MAKEINTRESOURCEA(IDD_COPYING_PAGE), frame_, PageProc, 0);
    ASSERT_NE(page_, nullptr) << GetLastError();
    SetWindowTextA(page_, "copying page");  // not to be taken for a message box
    progress_ = GetDlgItem(page_, IDC_PROGRESS);
    g_progressProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(progress_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProgressProc)));
    // A normal system lists autocheck in BootExecute.
    ASSERT_TRUE(engine_test::SeedNormalBootList());
  }

  void TearDown() override {
    if (thread_ != nullptr) {
      if (WaitForSingleObject(thread_, 0) != WAIT_OBJECT_0) TerminateThread(thread_, 99);
      CloseHandle(thread_);
    }
    DestroyWindow(frame_);
  }

  void Start() { thread_ = CreateThread(nullptr, 0, InstallWorker, page_, 0, nullptr); }
  bool Ended() const { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; }
  DWORD ExitCode() const {
    DWORD code = 99;
    GetExitCodeThread(thread_, &code);
    return code;
  }
  int Position() const { return static_cast<int>(SendMessageA(progress_, PBM_GETPOS, 0, 0)); }
  bool Installed(DirectoryKind kind, const char* name) const {
    return td::FileExists(std::string(g_directories[kind]) + name);
  }
  // The worker is blocked at a checkpoint: its thread lives on for a while
  // without any further step.
  void ExpectWaitingAt(int steps) {
    size_t before = g_positions.size();
    EXPECT_FALSE(PumpUntil([&] { return Ended() || g_positions.size() != before; }, 500));
    EXPECT_EQ(Position(), steps);
  }
  void ExpectFinishPosts() {
    ASSERT_EQ(g_posted.size(), 2u);
    EXPECT_EQ(g_posted[0].message, static_cast<UINT>(PSM_SETWIZBUTTONS));
    EXPECT_EQ(g_posted[0].lParam, PSWIZB_NEXT);
    EXPECT_EQ(g_posted[1].message, static_cast<UINT>(PSM_PRESSBUTTON));
    EXPECT_EQ(g_posted[1].wParam, static_cast<WPARAM>(PSBTN_NEXT));
  }

  HWND frame_ = nullptr;
  HWND page_ = nullptr;
  HWND progress_ = nullptr;
  HANDLE thread_ = nullptr;
};

TEST_F(Worker, StepsThroughFilesAndRegistryThenPressesNext) {
  EXPECT_FALSE(IsWindowVisible(progress_));
  Start();
  ASSERT_TRUE(PumpUntil([&] { return Ended() && g_posted.size() == 2; }));
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_TRUE(IsWindowVisible(progress_));
  PBRANGE range;
  SendMessageA(progress_, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 5);
  EXPECT_EQ(g_positions, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(g_installComplete, 1);
  ExpectFinishPosts();
  EXPECT_TRUE(Installed(kSystemDir, "VDLite.dll"));
  EXPECT_TRUE(Installed(kHelpDir, "VDLite.cnt"));
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
}

TEST_F(Worker, WaitsAtCheckpointUntilContinueIsSet) {
  ResetEvent(g_continueEvent);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(progress_) != FALSE; }));
  ExpectWaitingAt(0);
  EXPECT_FALSE(Installed(kSystemDir, "VDLite.dll"));
  SetEvent(g_continueEvent);  // goes on with the same, first entry
  ASSERT_TRUE(PumpUntil([&] { return Ended() && g_posted.size() == 2; }));
  EXPECT_EQ(g_positions, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(Installed(kSystemDir, "VDLite.dll"));
  EXPECT_EQ(g_installComplete, 1);
}

TEST_F(Worker, CancelAtCheckpointEndsSilentlyBetweenFiles) {
  g_pauseAfterStep = 2;  // the user presses Cancel while the second file installs
  Start();
  ASSERT_TRUE(PumpUntil([&] { return g_positions.size() == 2; }));
  ExpectWaitingAt(2);
  SetEvent(g_cancelEvent);  // confirmed
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  EXPECT_EQ(ExitCode(), 0u);
  EXPECT_TRUE(Installed(kSystemDir, "VDLite.exe"));
  EXPECT_FALSE(Installed(kHelpDir, "VDLite.hlp"));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_TRUE(g_posted.empty());
  EXPECT_EQ(g_installComplete, 0);
  // The worker's wait consumed the automatic-reset cancel event.
  EXPECT_EQ(WaitForSingleObject(g_cancelEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST_F(Worker, CancelDeclinedResumesWithTheSameEntry) {
  g_pauseAfterStep = 3;
  Start();
  ASSERT_TRUE(PumpUntil([&] { return g_positions.size() == 3; }));
  ExpectWaitingAt(3);
  EXPECT_FALSE(Installed(kHelpDir, "VDLite.cnt"));
  SetEvent(g_continueEvent);  // declined
  ASSERT_TRUE(PumpUntil([&] { return Ended() && g_posted.size() == 2; }));
  EXPECT_EQ(g_positions, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(Installed(kHelpDir, "VDLite.cnt"));
}

// The last checkpoint is the one before the fourth file: a cancel question
// that opens while the fourth file installs holds nothing up.
TEST_F(Worker, ContinueResetAfterTheFourthFileStillWritesTheRegistry) {
  g_pauseAfterStep = 4;
  Start();
  ASSERT_TRUE(PumpUntil([&] { return Ended() && g_posted.size() == 2; }));
  EXPECT_EQ(g_positions, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  EXPECT_EQ(g_installComplete, 1);
  ExpectFinishPosts();
}

TEST_F(Worker, BothEventsSignalledPicksContinue) {
  SetEvent(g_cancelEvent);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  EXPECT_EQ(g_positions, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(g_installComplete, 1);
  // Never reported, so never reset.
  EXPECT_EQ(WaitForSingleObject(g_cancelEvent, 0), WAIT_OBJECT_0);
}

TEST_F(Worker, FailingThirdFileShowsTheCopyMessage) {
  std::string helpFile = std::string(g_directories[kHelpDir]) + "VDLite.hlp";
  ASSERT_TRUE(CreateDirectoryA(helpFile.c_str(), nullptr));  // cannot be replaced
  td::MessageBoxWatcher box(g_setupCaption, IDOK);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  ASSERT_TRUE(box.Wait());
  EXPECT_EQ(box.info().text, std::string("Setup is unable to copy file VDLite.hlp\nto ") + g_directories[kHelpDir] +
                                 " directory.\nSetup can not be continued.\n\nPress OK to exit setup.");
  // Owned by the page, so by the frame that holds it; an error icon and OK.
  EXPECT_EQ(box.info().owner, GetAncestor(page_, GA_ROOT));
  EXPECT_EQ(box.info().style, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(ExitCode(), 1u);
  EXPECT_EQ(Position(), 2);
  EXPECT_EQ(g_installComplete, 0);
  ExpectFinishPosts();
  EXPECT_TRUE(Installed(kSystemDir, "VDLite.exe"));
  EXPECT_FALSE(Installed(kHelpDir, "VDLite.cnt"));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
}

TEST_F(Worker, FailingRegistryShowsTheRegistryMessage) {
  ASSERT_TRUE(td::DeleteRegValue(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute"));
  td::MessageBoxWatcher box(g_setupCaption, IDOK);
  Start();
  ASSERT_TRUE(PumpUntil([&] { return Ended(); }));
  ASSERT_TRUE(box.Wait());
  EXPECT_EQ(box.info().text,
            "Unable to change the system Registry.\nSetup can not be continued.\n\nPress OK to exit setup.");
  EXPECT_EQ(box.info().owner, GetAncestor(page_, GA_ROOT));
  EXPECT_EQ(box.info().style, static_cast<UINT>(MB_OK | MB_ICONERROR));
  EXPECT_EQ(ExitCode(), 1u);
  EXPECT_EQ(Position(), 4);
  EXPECT_EQ(g_installComplete, 0);
  ExpectFinishPosts();
}

// The real copying page under the recording frame, told by hand what the
// property sheet would tell it.
LONG_PTR Notify(HWND page, HWND frame, UINT code) {
  NMHDR header = {frame, 0, code};
  SendMessageA(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  return GetWindowLongPtrA(page, DWLP_MSGRESULT);
}

size_t CountPosted(UINT message, LPARAM lParam) {
  size_t n = 0;
  for (const Posted& p : g_posted) n += p.message == message && p.lParam == lParam ? 1 : 0;
  return n;
}

TEST_F(Worker, CopyingPageNeverStartsASecondWorker) {
  HWND page =
      CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_COPYING_PAGE), frame_, CopyingPageProc, 0);
  ASSERT_NE(page, nullptr);
  SetWindowTextA(page, "copying page");
  EXPECT_EQ(Notify(page, frame_, PSN_SETACTIVE), 0);
  EXPECT_EQ(Notify(page, frame_, PSN_WIZNEXT), -1);  // copying: stay here
  ASSERT_TRUE(PumpUntil([&] { return WaitForInstallWorker(0); }));
  EXPECT_EQ(g_installComplete, 1);
  EXPECT_EQ(CountPosted(PSM_SETWIZBUTTONS, 0), 1u);
  // Shown once more and Next once more, as no wizard can: nothing starts.
  EXPECT_EQ(Notify(page, frame_, PSN_SETACTIVE), 0);
  EXPECT_EQ(Notify(page, frame_, PSN_WIZNEXT), -1);
  DispatchPending();
  EXPECT_EQ(CountPosted(PSM_SETWIZBUTTONS, 0), 1u) << "a second start disabled the buttons";
  EXPECT_TRUE(WaitForInstallWorker(0));
  DestroyWindow(page);
}

}  // namespace
