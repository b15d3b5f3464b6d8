// Runs the setup wizard's pages in a real modal property sheet, built as the
// wizard mode builds it, on the test's main thread, and drives it from a
// second thread. Every wait is bounded; a driver that gives up still closes
// the wizard, so a failing case never hangs.
#ifndef SETUPVDL_TESTS_PAGE_WIZARD_H
#define SETUPVDL_TESTS_PAGE_WIZARD_H

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "driver/setup_state.h"
#include "driver/wizard.h"
#include "pages/frame.h"
#include "pages/pages.h"
#include "resource.h"
#include "test_driver.h"

namespace pw {

constexpr const char* kCaption = td::kSetupCaption;

// The frame's own buttons (comctl32's item numbers).
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kFinishButton = 0x3025;

enum PageIndex { kWelcome = 0, kLicense = 1, kCopying = 2, kWhereToStart = 3, kFinish = 4 };

// What the frame offers, as PSWIZB_ bits plus kCancelOffered.
constexpr DWORD kCancelOffered = 0x100;

inline std::string LoadText(UINT id) {
  char text[256] = "";
  LoadStringA(GetModuleHandleA(nullptr), id, text, 255);
  return text;
}

inline std::string ResourceBytes(WORD id, const char* type) {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return std::string();
  const char* data = static_cast<const char*>(LockResource(LoadResource(self, found)));
  return data != nullptr ? std::string(data, SizeofResource(self, found)) : std::string();
}

// Stands in for the copying page until a case needs the real one: the
// common frame behaviour only, nothing installed.
inline INT_PTR CALLBACK PlaceholderCopyingProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_NOTIFY) return FALSE;
  return HandlePageNotify(page, reinterpret_cast<const NMHDR*>(lParam), PSWIZB_BACK | PSWIZB_NEXT);
}

// One WinHelpA request as the help viewer receives it (Wine's user32 sends
// WM_COPYDATA to the window of class MS_WINHELP).
struct HelpRequest {
  HWND caller = nullptr;
  UINT command = 0;
  DWORD data = 0;
  std::string file;
};

struct WinHelpPacket {
  WORD size;
  WORD command;
  LONG data;
  LONG reserved;
  WORD ofsFilename;
  WORD ofsData;
};
constexpr ULONG_PTR kWinHelpMagic = 0xA1DE505;

class Wizard;

// Main-thread state the window procedures reach.
struct MainThreadState {
  std::vector<HelpRequest> helpRequests;
  volatile LONG syncedToken = 0;
};
inline MainThreadState& State() {
  static MainThreadState state;
  return state;
}

constexpr UINT kSyncMessage = WM_APP + 1;
constexpr UINT kDestroyMessage = WM_APP + 2;

inline LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kSyncMessage:
      InterlockedExchange(&State().syncedToken, static_cast<LONG>(lParam));
      return 0;
    case kDestroyMessage:
      DestroyWindow(reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_COPYDATA: {
      const COPYDATASTRUCT* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (copy == nullptr || copy->dwData != kWinHelpMagic || copy->cbData < sizeof(WinHelpPacket)) return FALSE;
      const WinHelpPacket* packet = static_cast<const WinHelpPacket*>(copy->lpData);
      HelpRequest request;
      request.caller = reinterpret_cast<HWND>(wParam);
      request.command = packet->command;
      request.data = static_cast<DWORD>(packet->data);
      if (packet->ofsFilename != 0 && packet->ofsFilename < copy->cbData) {
        const char* name = reinterpret_cast<const char*>(packet) + packet->ofsFilename;
        request.file.assign(name, strnlen(name, copy->cbData - packet->ofsFilename));
      }
      State().helpRequests.push_back(request);
      return TRUE;
    }
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The driver's view of the running wizard.
class Wizard {
 public:
  HWND frame = nullptr;
  HWND helper = nullptr;
  DWORD mainThread = 0;

  // Once everything posted so far to the main thread has been handled.
  bool Sync() {
    LONG token = ++nextToken_;
    if (!PostMessageA(helper, kSyncMessage, 0, token)) return false;
    return td::WaitUntil([&] { return State().syncedToken == token; }, 5000);
  }
  // Paints everything now, on the main thread, so a screenshot shows the
  // finished windows; `extra` is another top-level window to paint (a box).
  bool Screenshot(const char* name, HWND extra = nullptr) {
    const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW;
    RedrawWindow(frame, nullptr, nullptr, flags);
    if (extra != nullptr) RedrawWindow(extra, nullptr, nullptr, flags);
    return Sync() && td::SaveScreenshot(name);
  }
  HWND CurrentPage() const {
    DWORD_PTR page = 0;
    if (!SendMessageTimeoutA(frame, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, td::Scaled(5000), &page))
      return nullptr;
    return reinterpret_cast<HWND>(page);
  }
  int CurrentIndex() const {
    HWND page = CurrentPage();
    if (page == nullptr) return -1;
    DWORD_PTR index = static_cast<DWORD_PTR>(-1);
    SendMessageTimeoutA(frame, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0, SMTO_ABORTIFHUNG, td::Scaled(5000),
                        &index);
    return static_cast<int>(index);
  }
  // The page is current and the buttons it posted are in force.
  bool WaitForPage(int index) {
    return td::WaitUntil([&] { return CurrentIndex() == index; }) && Sync();
  }
  void Press(int button) { PostMessageA(frame, PSM_PRESSBUTTON, button, 0); }
  // Presses and waits for the page that should follow.
  bool Move(int button, int expectedIndex) {
    Press(button);
    return WaitForPage(expectedIndex);
  }
  DWORD Buttons() const {
    DWORD offered = 0;
    HWND back = GetDlgItem(frame, kBackButton), next = GetDlgItem(frame, kNextButton);
    HWND finish = GetDlgItem(frame, kFinishButton), cancel = GetDlgItem(frame, IDCANCEL);
    if (IsWindowVisible(back) && IsWindowEnabled(back)) offered |= PSWIZB_BACK;
    if (IsWindowVisible(next) && IsWindowEnabled(next)) offered |= PSWIZB_NEXT;
    if (IsWindowVisible(finish) && IsWindowEnabled(finish)) offered |= PSWIZB_FINISH;
    if (IsWindowVisible(cancel) && IsWindowEnabled(cancel)) offered |= kCancelOffered;
    return offered;
  }
  HWND Item(int id) const { return GetDlgItem(CurrentPage(), id); }
  bool IsOpen() const { return IsWindow(frame) != FALSE; }
  // A key press as the keyboard would deliver it: to the main thread's focus.
  void PressKey(UINT key, HWND fallback) {
    HWND target = Focus();
    if (target == nullptr) target = fallback;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
  }
  HWND Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(mainThread, &info) ? info.hwndFocus : nullptr;
  }

 private:
  LONG nextToken_ = 0;
};

struct RunOptions {
  DLGPROC copyingPage = PlaceholderCopyingProc;
};

namespace internal {
struct DriverContext {
  Wizard* wizard;
  const std::function<void(Wizard&)>* drive;
};

// Closes whatever the driver left open: question boxes answered Yes, then
// the frame destroyed on its own thread.
inline void CloseLeftovers(Wizard& wizard) {
  for (int i = 0; i < 5 && wizard.IsOpen(); ++i) {
    HWND box = td::FindTopWindow("#32770", kCaption, GetCurrentProcessId());
    if (box != nullptr && GetDlgItem(box, 0xFFFF) != nullptr) {
      td::AnswerMessageBox(box, GetDlgItem(box, IDYES) != nullptr ? IDYES : IDOK);
      td::WaitUntil([&] { return !IsWindow(box); }, 5000);
      continue;
    }
    PostMessageA(wizard.helper, kDestroyMessage, 0, reinterpret_cast<LPARAM>(wizard.frame));
    td::WaitUntil([&] { return !wizard.IsOpen(); }, 5000);
  }
}

inline DWORD WINAPI DriverThread(void* param) {
  DriverContext* context = static_cast<DriverContext*>(param);
  Wizard& wizard = *context->wizard;
  td::WaitUntil([&] {
    for (HWND window : td::TopWindows(GetCurrentProcessId())) {
      if (td::WindowText(window) == kCaption && GetDlgItem(window, kNextButton) != nullptr) wizard.frame = window;
    }
    return wizard.frame != nullptr;
  });
  if (wizard.frame == nullptr) {
    ADD_FAILURE() << "the wizard frame did not appear";
    return 0;
  }
  (*context->drive)(wizard);
  if (wizard.IsOpen()) {
    ADD_FAILURE() << "the driver left the wizard open";
    CloseLeftovers(wizard);
  }
  return 0;
}
}  // namespace internal

// Builds the property sheet as the wizard mode does and runs it; `drive`
// runs on a second thread. Returns PropertySheetA's result.
inline INT_PTR RunWizard(const std::function<void(Wizard&)>& drive, RunOptions options = RunOptions()) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA helperClass = {};
  helperClass.lpfnWndProc = HelperProc;
  helperClass.hInstance = instance;
  helperClass.lpszClassName = "MS_WINHELP";  // also receives the WinHelpA requests
  RegisterClassA(&helperClass);

  Wizard wizard;
  wizard.mainThread = GetCurrentThreadId();
  wizard.helper = CreateWindowExA(0, "MS_WINHELP", "help", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  EXPECT_NE(wizard.helper, nullptr);

  const DLGPROC procedures[kWizardPages] = {WelcomePageProc, LicensePageProc, options.copyingPage, WhereToStartPageProc,
                                            FinishPageProc};
  internal::DriverContext context{&wizard, &drive};
  HANDLE driver = CreateThread(nullptr, 0, internal::DriverThread, &context, 0, nullptr);
  EXPECT_NE(driver, nullptr);
  INT_PTR result = RunSetupWizard(procedures);
  if (driver != nullptr) {
    EXPECT_EQ(WaitForSingleObject(driver, td::Scaled(60000)), WAIT_OBJECT_0) << "the driver did not finish";
    CloseHandle(driver);
  }
  DestroyWindow(wizard.helper);
  return result;
}

// Wine adds an "About Wine" entry of its own to every system menu.
constexpr UINT kAboutWineCommand = 0xF141;

inline std::set<UINT> SystemMenuCommands(HWND frame) {
  std::set<UINT> commands;
  HMENU menu = GetSystemMenu(frame, FALSE);
  int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    UINT id = GetMenuItemID(menu, i);
    if (id != 0 && id != static_cast<UINT>(-1) && id != kAboutWineCommand) commands.insert(id);
  }
  return commands;
}

// The item's rectangle in its parent's client coordinates.
inline RECT ItemRect(HWND item) {
  RECT rect = {};
  GetWindowRect(item, &rect);
  MapWindowPoints(nullptr, GetParent(item), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

inline RECT DialogUnits(HWND page, int x, int y, int width, int height) {
  RECT rect = {x, y, x + width, y + height};
  MapDialogRect(page, &rect);
  return rect;
}

}  // namespace pw

#endif
