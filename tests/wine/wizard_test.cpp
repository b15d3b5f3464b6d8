// Wizard mode end to end: the real SETUPVDL.EXE without arguments, driven
// from this test process: pre-checks, their dialogs, the restart request and
// the whole interactive installation.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "engine_test_support.h"
#include "help_viewer.h"
#include "layout_check.h"
#include "resource.h"
#include "test_driver.h"

namespace {

using namespace engine_test;
using td::CurrentPage;
using td::FindFrame;
using td::PageTitle;
using td::Press;
using td::WaitForFrame;
using td::WaitForPage;
constexpr const char* kCaption = td::kSetupCaption;

void SeedNormalSystem() { ASSERT_TRUE(SeedNormalBootList()); }
void SeedInstalledVersion() {
  DWORD version = 0x01000000;
  ASSERT_TRUE(td::SetRegValue(HKEY_LOCAL_MACHINE, kVendorKey, "Version", REG_DWORD, &version, 4));
}
void SeedPendingRestart() {
  ASSERT_TRUE(td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations",
                                {"\\??\\" + SystemDir() + "VDLite.dll", ""}));
}

// The message of a pre-check dialog: its unnamed static that is no icon.
std::string MessageText(HWND dialog) {
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgCtrlID(child) == 0xFFFF && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
      return td::WindowText(child);
  }
  return std::string();
}

// The pre-check dialog of this process that carries the given button.
HWND WaitForCheckDialog(DWORD pid, int buttonId) {
  HWND found = nullptr;
  td::WaitUntil([&] {
    for (HWND w : td::TopWindows(pid)) {
      if (td::ClassName(w) == "#32770" && td::WindowText(w) == kCaption && GetDlgItem(w, buttonId) != nullptr &&
          GetDlgItem(w, IDC_PAGE_TITLE) == nullptr) {
        found = w;
        return true;
      }
    }
    return false;
  });
  return found;
}

// Every text fits, and a page is Windows 2000's grey: a pixel just under its
// title's line, where no page has a control.
void ExpectFits(HWND dialog, WORD templateId) {
  SCOPED_TRACE("template " + std::to_string(templateId));
  layout::ExpectEverythingFits(dialog, layout::TemplateFont(templateId));
  if (GetDlgItem(dialog, IDC_PAGE_TITLE) == nullptr) return;
  RECT r = {};
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ETCHEDHORZ) GetWindowRect(c, &r);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetPixel(screen, r.right - 2, r.bottom + 2), RGB(212, 208, 200));
  ReleaseDC(nullptr, screen);
}

// Everything an installation leaves: the four files with their times and
// every registry value of the layout.
std::map<std::string, std::string> InstalledState() {
  std::map<std::string, std::string> state;
  for (const std::string& file :
       {SystemDir() + "VDLite.dll", SystemDir() + "VDLite.exe", HelpDir() + "VDLite.hlp", HelpDir() + "VDLite.cnt"}) {
    // The times before the contents: reading sets the last-access time.
    HANDLE h = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    FILETIME times[3] = {};
    GetFileTime(h, &times[0], &times[1], &times[2]);
    CloseHandle(h);
    std::string data;
    td::ReadWholeFile(file, &data);
    unsigned long long digest = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : data) digest = (digest ^ c) * 1099511628211ull;
    char summary[160];
    snprintf(summary, sizeof summary, "%zu bytes, digest %llx, times %lx%08lx %lx%08lx %lx%08lx", data.size(), digest,
             times[0].dwHighDateTime, times[0].dwLowDateTime, times[1].dwHighDateTime, times[1].dwLowDateTime,
             times[2].dwHighDateTime, times[2].dwLowDateTime);
    state[file] = summary;
  }
  std::vector<LayoutRow> rows = LayoutRows();
  rows.push_back({HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", REG_MULTI_SZ, ""});
  for (const LayoutRow& v : rows) {
    DWORD type = 0;
    std::string data;
    if (td::QueryRegValue(v.root, v.key, v.name, &type, &data))
      state[std::string(v.key) + "|" + v.name] = std::to_string(type) + ":" + data;
  }
  if (td::RegKeyExists(HKEY_LOCAL_MACHINE, kJobsKey)) state["Jobs"] = "key";
  return state;
}

void RemoveInstallation() {
  for (const std::string& file :
       {SystemDir() + "VDLite.dll", SystemDir() + "VDLite.exe", HelpDir() + "VDLite.hlp", HelpDir() + "VDLite.cnt"})
    DeleteFileA(file.c_str());
  td::DeleteRegTree(HKEY_CLASSES_ROOT, kClsidKey);
  td::DeleteRegTree(HKEY_CLASSES_ROOT, kHandlerKey);
  td::DeleteRegValue(HKEY_LOCAL_MACHINE, kApprovedKey, kClsidText);
  td::DeleteRegTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  td::DeleteRegTree(HKEY_LOCAL_MACHINE, kProductControlKey);
  td::DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\VandrelSoft");
  SeedNormalSystem();
}

// Walks the wizard to the copying page of a running setup.
HWND OpenCopyingPage(const td::Process& setup, bool screenshots = false) {
  HWND frame = WaitForFrame(setup.pid());
  if (frame == nullptr) return nullptr;
  EXPECT_TRUE(WaitForPage(frame, "Vandrel Lite 1.0 Setup"));
  if (screenshots) {
    td::SavePaintedScreenshot(frame, "wizard-1-welcome.bmp");
    ExpectFits(CurrentPage(frame), IDD_WELCOME_PAGE);
  }
  if (!screenshots) {
    EXPECT_TRUE(td::OpenCopyingPage(frame));
    return frame;
  }
  Press(frame, PSBTN_NEXT);
  EXPECT_TRUE(WaitForPage(frame, "License Agreement"));
  td::SavePaintedScreenshot(frame, "wizard-2-license.bmp");
  ExpectFits(CurrentPage(frame), IDD_LICENSE_PAGE);
  Press(frame, PSBTN_NEXT);
  EXPECT_TRUE(WaitForPage(frame, "Copying Files"));
  return frame;
}

void ExpectEndsWithZero(td::Process& setup) {
  DWORD code = 99;
  ASSERT_TRUE(setup.WaitExit(td::kWaitMs, &code));
  EXPECT_EQ(code, 0u);
}

// Starts the wizard with one of Wine's DLLs disabled for SETUPVDL.EXE, as
// on a system where that library cannot be loaded.
void StartWithout(const char* dll, td::Process* setup) {
  const char disabled[] = "";
  ASSERT_TRUE(td::SetRegValue(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\SETUPVDL.EXE\\DllOverrides", dll, REG_SZ,
                              disabled, sizeof disabled));
  ASSERT_TRUE(td::StartSetup("", setup));
}

TEST(WizardInstall, FromWelcomeToFinishLeavesWhatUnattendedLeaves) {
  SeedNormalSystem();
  hv::PutOnSearchPath(HelpDir());  // so that a help request would show a window
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND frame = OpenCopyingPage(setup, true);
  ASSERT_NE(frame, nullptr);
  td::SavePaintedScreenshot(frame, "wizard-3-copying.bmp");
  ExpectFits(CurrentPage(frame), IDD_COPYING_PAGE);
  Press(frame, PSBTN_NEXT);  // the worker installs and presses Next itself
  ASSERT_TRUE(WaitForPage(frame, "Where To Start From?"));
  td::SavePaintedScreenshot(frame, "wizard-4-where-to-start.bmp");
  ExpectFits(CurrentPage(frame), IDD_WHERE_TO_START_PAGE);
  Press(frame, PSBTN_NEXT);
  ASSERT_TRUE(WaitForPage(frame, "Setup Completed"));
  td::SavePaintedScreenshot(frame, "wizard-5-finish.bmp");
  ExpectFits(CurrentPage(frame), IDD_FINISH_PAGE);
  // Not the help file this time: clear the check box, then Finish.
  HWND finish = CurrentPage(frame);
  SendMessageA(GetDlgItem(finish, IDC_OPEN_OVERVIEW), BM_SETCHECK, BST_UNCHECKED, 0);
  Press(frame, PSBTN_FINISH);
  ExpectEndsWithZero(setup);
  EXPECT_FALSE(td::WaitUntil(hv::AnyHelpWindow, hv::kNoHelpWindowMs)) << "help viewer started";

  std::map<std::string, std::string> byWizard = InstalledState();
  EXPECT_EQ(byWizard.size(), 4u + 13u + 1u) << "four files, thirteen values and the Jobs key";
  RemoveInstallation();
  ASSERT_LT(InstalledState().size(), 3u);
  DWORD code = 99;
  ASSERT_TRUE(td::RunSetup("-u", 60000, &code));
  EXPECT_EQ(InstalledState(), byWizard);
}

TEST(WizardInstall, FinishWithTheBoxLeftCheckedShowsTheOverviewInTheHelpViewer) {
  SeedNormalSystem();
  hv::PutOnSearchPath(HelpDir());
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND frame = OpenCopyingPage(setup);
  ASSERT_NE(frame, nullptr);
  Press(frame, PSBTN_NEXT);
  ASSERT_TRUE(WaitForPage(frame, "Where To Start From?"));
  Press(frame, PSBTN_NEXT);
  ASSERT_TRUE(WaitForPage(frame, "Setup Completed"));
  ASSERT_EQ(IsDlgButtonChecked(CurrentPage(frame), IDC_OPEN_OVERVIEW), static_cast<UINT>(BST_CHECKED));
  EXPECT_FALSE(hv::AnyHelpWindow()) << "nothing opened before Finish";
  const DWORD pressed = GetTickCount();
  Press(frame, PSBTN_FINISH);
  ExpectEndsWithZero(setup);
  HWND help = hv::WaitForTopic();
  ASSERT_NE(help, nullptr) << "no help topic shown after Finish";
  printf("help topic shown %lu ms after Finish\n", GetTickCount() - pressed);
  const std::string text = hv::TopicText(help);
  EXPECT_EQ(hv::FirstLine(text), "Overview") << text;
  td::SavePaintedScreenshot(help, "wizard-6-help-overview.bmp");
  hv::CloseViewer();
}

// The message needs neither the shell nor its helpers: setup loads no
// shlwapi at all, and shell32 only to open a link.
TEST(WizardInstall, CopyFailureShowsTheErrorAndClosesTheWizard) {
  SeedNormalSystem();
  ASSERT_TRUE(CreateDirectoryA((SystemDir() + "VDLite.dll").c_str(), nullptr));
  td::Process setup;
  StartWithout("shell32", &setup);
  HWND frame = OpenCopyingPage(setup);
  ASSERT_NE(frame, nullptr);
  Press(frame, PSBTN_NEXT);
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &box));
  EXPECT_EQ(box.text, "Setup is unable to copy file VDLite.dll\nto " + SystemDir() +
                          " directory.\nSetup can not be continued.\n\nPress OK to exit setup.");
  td::SavePaintedScreenshot(box.window, "wizard-copy-failure.bmp");
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  ExpectEndsWithZero(setup);
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
}

// Cancel is pressed on the copying page and, while its question is open, the
// copy is started: the worker then stands at its first checkpoint.
void CancelDuringCopy(td::Process& setup, HWND frame, int answer) {
  Press(frame, PSBTN_CANCEL);
  td::MessageBoxInfo question;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &question));
  EXPECT_EQ(question.text, "Setup is not completed. Do you really want to exit Setup?");
  Press(frame, PSBTN_NEXT);
  HWND progress = GetDlgItem(CurrentPage(frame), IDC_PROGRESS);
  ASSERT_TRUE(td::WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }));
  // Paused: nothing is installed while the question is open.
  EXPECT_FALSE(td::WaitUntil([&] { return td::FileExists(SystemDir() + "VDLite.dll"); }, 500));
  ASSERT_TRUE(td::AnswerMessageBox(question.window, answer));
}

TEST(WizardCancel, ConfirmedDuringCopyStopsBeforeTheNextFile) {
  SeedNormalSystem();
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND frame = OpenCopyingPage(setup);
  ASSERT_NE(frame, nullptr);
  CancelDuringCopy(setup, frame, IDYES);
  ExpectEndsWithZero(setup);
  EXPECT_FALSE(td::FileExists(SystemDir() + "VDLite.dll"));
  EXPECT_FALSE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
}

TEST(WizardCancel, DeclinedDuringCopyCompletesTheInstallation) {
  SeedNormalSystem();
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND frame = OpenCopyingPage(setup);
  ASSERT_NE(frame, nullptr);
  CancelDuringCopy(setup, frame, IDNO);
  ASSERT_TRUE(WaitForPage(frame, "Where To Start From?"));
  EXPECT_TRUE(td::FileExists(HelpDir() + "VDLite.cnt"));
  EXPECT_TRUE(td::RegKeyExists(HKEY_LOCAL_MACHINE, kVendorKey));
  Press(frame, PSBTN_CANCEL);  // a question on this page too; Yes leaves all installed
  td::MessageBoxInfo question;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &question));
  ASSERT_TRUE(td::AnswerMessageBox(question.window, IDYES));
  ExpectEndsWithZero(setup);
  EXPECT_TRUE(td::FileExists(SystemDir() + "VDLite.dll"));
}

TEST(PreChecks, UnsupportedSystemShowsOnlyTheNotice) {
  SeedPendingRestart();
  SeedInstalledVersion();
  ASSERT_TRUE(td::SetRegValue(HKEY_CURRENT_USER, "Software\\Wine", "Version", REG_SZ, "win98", 6));
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND notice = WaitForCheckDialog(setup.pid(), IDOK);
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(td::ItemText(notice, IDOK), "Exit Setup");
  EXPECT_NE(MessageText(notice).find("Unsupported operating system."), std::string::npos);
  td::SavePaintedScreenshot(notice, "dialog-114-unsupported.bmp");
  ExpectFits(notice, IDD_UNSUPPORTED_SYSTEM);
  ASSERT_TRUE(td::PressButton(notice, IDOK));
  ExpectEndsWithZero(setup);
}

// Each stored file with one byte changed: the message comes before the
// restart offer, and nothing is written.
TEST(PreChecks, DamagedCopyShowsTheDamageBeforeTheRestartOffer) {
  SeedNormalSystem();
  SeedPendingRestart();
  const std::string copy = "C:\\SETUPVDL.EXE";
  for (int id : {IDR_PAYLOAD_DLL, IDR_PAYLOAD_HLP, IDR_PAYLOAD_CNT, IDR_PAYLOAD_EXE, IDR_LICENSE_TEXT}) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(engine_test::WriteDamagedSetup(copy, id));
    td::Process setup;
    ASSERT_TRUE(setup.Start("\"" + copy + "\""));
    td::MessageBoxInfo box;
    ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &box));
    EXPECT_EQ(box.text,
              "This copy of Vandrel Lite 1.0 Setup is damaged and cannot install the product.\n\nPlease "
              "obtain a new copy of SETUPVDL.EXE.");
    if (id == IDR_LICENSE_TEXT) td::SavePaintedScreenshot(box.window, "damaged-setup.bmp");
    ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
    ExpectEndsWithZero(setup);
    EXPECT_FALSE(td::FileExists(SystemDir() + "VDLite.dll"));
  }
}

TEST(PreChecks, PendingRestartAnsweredNoEndsWithoutAskingMore) {
  SeedPendingRestart();
  SeedInstalledVersion();
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND offer = WaitForCheckDialog(setup.pid(), IDYES);
  ASSERT_NE(offer, nullptr);
  EXPECT_NE(MessageText(offer).find("recently uninstalled"), std::string::npos);
  EXPECT_TRUE(td::WaitUntil([&] { return td::FocusOf(offer) == GetDlgItem(offer, IDNO); }));
  td::SavePaintedScreenshot(offer, "dialog-120-restart.bmp");
  ExpectFits(offer, IDD_RESTART_OFFER);
  // Enter right after opening answers No.
  PostMessageA(GetDlgItem(offer, IDNO), WM_KEYDOWN, VK_RETURN, 0);
  ExpectEndsWithZero(setup);
  EXPECT_EQ(FindFrame(setup.pid()), nullptr);
}

TEST(PreChecks, PendingRestartAnsweredYesRequestsTheRestart) {
  SeedPendingRestart();
  // Trace the shutdown request instead of carrying it out.
  td::Process setup;
  ASSERT_TRUE(td::StartTraced(&setup, td::SetupCommand(""), "+relay", "advapi32.InitiateSystemShutdownA"));
  HWND offer = WaitForCheckDialog(setup.pid(), IDYES);
  ASSERT_NE(offer, nullptr);
  ASSERT_TRUE(td::PressButton(offer, IDYES));
  ExpectEndsWithZero(setup);
  std::string log = td::ReadWineLog();
  size_t call = log.find("InitiateSystemShutdownA(");
  ASSERT_NE(call, std::string::npos) << "no shutdown request traced";
  std::string args = log.substr(call, log.find(')', call) - call);
  // No machine, no message, no delay, force, reboot.
  std::vector<unsigned long long> values;
  for (size_t p = args.find('(') + 1; p < args.size();) {
    values.push_back(strtoull(args.c_str() + p, nullptr, 16));
    size_t comma = args.find(',', p);
    if (comma == std::string::npos) break;
    p = comma + 1;
  }
  EXPECT_EQ(values, (std::vector<unsigned long long>{0, 0, 0, 1, 1})) << args;
}

TEST(PreChecks, ExistingInstallationAnsweredNoLeavesItUntouched) {
  SeedNormalSystem();
  SeedInstalledVersion();
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE(way);
    td::Process setup;
    ASSERT_TRUE(td::StartSetup("", &setup));
    HWND question = WaitForCheckDialog(setup.pid(), IDYES);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(MessageText(question),
              "Vandrel Lite is already installed.\n\nAre you sure you want to overwrite\nthe existing installation?");
    EXPECT_TRUE(td::WaitUntil([&] { return td::FocusOf(question) == GetDlgItem(question, IDNO); }));
    if (way == 0) {
      td::SavePaintedScreenshot(question, "dialog-102-overwrite.bmp");
      ExpectFits(question, IDD_OVERWRITE_QUESTION);
    }
    switch (way) {
      case 0:
        td::PressButton(question, IDNO);
        break;
      case 1:
        PostMessageA(GetDlgItem(question, IDNO), WM_KEYDOWN, VK_RETURN, 0);
        break;
      case 2:
        PostMessageA(GetDlgItem(question, IDNO), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
      case 3:
        PostMessageA(question, WM_CLOSE, 0, 0);
        break;
    }
    ExpectEndsWithZero(setup);
  }
  EXPECT_FALSE(td::FileExists(SystemDir() + "VDLite.dll"));
}

TEST(PreChecks, ExistingInstallationAnsweredYesShowsTheWizard) {
  SeedNormalSystem();
  SeedInstalledVersion();
  td::Process setup;
  ASSERT_TRUE(td::StartSetup("", &setup));
  HWND question = WaitForCheckDialog(setup.pid(), IDYES);
  ASSERT_NE(question, nullptr);
  ASSERT_TRUE(td::PressButton(question, IDYES));
  HWND frame = WaitForFrame(setup.pid());
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(WaitForPage(frame, "Vandrel Lite 1.0 Setup"));
  PostMessageA(frame, WM_CLOSE, 0, 0);  // Cancel on the welcome page asks first
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox(kCaption, setup.pid(), &box));
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDYES));
  ExpectEndsWithZero(setup);
}

// A library that cannot be loaded answers as its failed call: no property
// sheet (so setup ends quietly), or a shell error for the link.
TEST(MissingLibrary, WithoutTheCommonControlsSetupEndsWithoutAWizard) {
  SeedNormalSystem();
  td::Process setup;
  StartWithout("comctl32", &setup);
  ExpectEndsWithZero(setup);
  EXPECT_EQ(FindFrame(setup.pid()), nullptr);
}

TEST(MissingLibrary, WithoutTheShellTheLinkNamesTheMissingLibrary) {
  SeedNormalSystem();
  td::Process setup;
  StartWithout("shell32", &setup);
  HWND frame = WaitForFrame(setup.pid());
  ASSERT_NE(frame, nullptr);
  ASSERT_TRUE(WaitForPage(frame, "Vandrel Lite 1.0 Setup"));
  HWND link = GetDlgItem(CurrentPage(frame), IDC_HOME_PAGE_LINK);
  ASSERT_NE(link, nullptr);
  PostMessageA(link, WM_LBUTTONUP, 0, 0);
  td::MessageBoxInfo box;
  ASSERT_TRUE(td::WaitForMessageBox("Hyperlink Control", setup.pid(), &box));
  EXPECT_EQ(box.text, "Unable to open hyperlink:\n\nThe specified dynamic-link library was not found.");
  ASSERT_TRUE(td::AnswerMessageBox(box.window, IDOK));
  // The wizard goes on as after any failed open.
  EXPECT_TRUE(td::WaitUntil([&] { return IsWindowEnabled(frame) != FALSE; }));
  EXPECT_EQ(PageTitle(frame), "Vandrel Lite 1.0 Setup");
  setup.Kill();
}

// A second setup started while window is on screen puts it in front of
// another window and ends with 0 without showing anything of its own.
void ExpectSecondStartRaises(HWND window) {
  HWND front =
      CreateWindowExA(0, "STATIC", "front", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(front);
  ASSERT_TRUE(td::WaitUntil([&] { return GetForegroundWindow() == front; }, 5000));
  DWORD code = 99;
  ASSERT_TRUE(td::RunSetup("", td::kWaitMs, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(td::WaitUntil([&] { return GetForegroundWindow() == window; }, 5000));
  DestroyWindow(front);
}

TEST(SecondStart, RaisesTheOverwriteQuestionThenTheWizard) {
  SeedNormalSystem();
  SeedInstalledVersion();
  td::Process first;
  ASSERT_TRUE(td::StartSetup("", &first));
  HWND question = WaitForCheckDialog(first.pid(), IDYES);
  ASSERT_NE(question, nullptr);
  ExpectSecondStartRaises(question);
  ASSERT_TRUE(td::PressButton(question, IDYES));
  HWND frame = WaitForFrame(first.pid());
  ASSERT_NE(frame, nullptr);
  ExpectSecondStartRaises(frame);
  first.Kill();
}

TEST(SecondStart, RaisesTheRestartOffer) {
  SeedPendingRestart();
  td::Process first;
  ASSERT_TRUE(td::StartSetup("", &first));
  HWND offer = WaitForCheckDialog(first.pid(), IDYES);
  ASSERT_NE(offer, nullptr);
  ExpectSecondStartRaises(offer);
  first.Kill();
}

TEST(SecondStart, RaisesTheUnsupportedSystemNotice) {
  ASSERT_TRUE(td::SetRegValue(HKEY_CURRENT_USER, "Software\\Wine", "Version", REG_SZ, "win98", 6));
  td::Process first;
  ASSERT_TRUE(td::StartSetup("", &first));
  HWND notice = WaitForCheckDialog(first.pid(), IDOK);
  ASSERT_NE(notice, nullptr);
  ExpectSecondStartRaises(notice);
  first.Kill();
}

}  // namespace
