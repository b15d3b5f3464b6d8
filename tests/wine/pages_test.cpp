// The wizard pages in a real property sheet: buttons and moves, the cancel
// question, the frame's preparation, and the welcome, license and
// where-to-start pages' controls. Each case runs one wizard: the page
// controls live for the process and bind once.
#include <gtest/gtest.h>

#include <string>

#include "controls/caption_bar.h"
#include "controls/hyperlink.h"
#include "controls/picture.h"
#include "engine_test_support.h"
#include "import_patch.h"
#include "layout_check.h"
#include "page_wizard.h"
#include "pages/frame.h"
#include "resource.h"

namespace {

using pw::Wizard;

constexpr DWORD kCancel = pw::kCancelOffered;

// Reports the face that the platform really chose for a description, and
// whether it is a bitmap face.
std::string ChosenFace(const LOGFONTA& description, bool* bitmap) {
  HFONT font = CreateFontIndirectA(&description);
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  char face[LF_FACESIZE] = "";
  GetTextFaceA(dc, sizeof face, face);
  TEXTMETRICA metrics = {};
  GetTextMetricsA(dc, &metrics);
  *bitmap = (metrics.tmPitchAndFamily & (TMPF_VECTOR | TMPF_TRUETYPE)) == 0;
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  DeleteObject(font);
  return face;
}

// The prefix renders as Windows 2000 at 96 dpi: the templates' 8-point MS Sans
// Serif is the bitmap face with base units 6 x 13, and Arial is a TrueType
// face of that name. Anything else means the test environment drifted.
TEST(WindowsMetrics, PageTemplatesGetBaseUnitsSixByThirteenAndTheIntendedFaces) {
  for (WORD page : {IDD_WELCOME_PAGE, IDD_LICENSE_PAGE, IDD_COPYING_PAGE, IDD_WHERE_TO_START_PAGE, IDD_FINISH_PAGE}) {
    SCOPED_TRACE(page);
    HWND dialog =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(page), nullptr, layout::QuietDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    RECT units = {0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    EXPECT_EQ(units.right, 6);
    EXPECT_EQ(units.bottom, 13);
    LOGFONTA description = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof description, &description);
    DestroyWindow(dialog);
    bool bitmap = false;
    EXPECT_EQ(ChosenFace(description, &bitmap), "MS Sans Serif");
    EXPECT_TRUE(bitmap);
    lstrcpynA(description.lfFaceName, "Arial", LF_FACESIZE);
    EXPECT_EQ(ChosenFace(description, &bitmap), "Arial");
    EXPECT_FALSE(bitmap);
  }
}

void ExpectCaptionBar(HWND page, const char* title) {
  SCOPED_TRACE(title);
  HWND item = GetDlgItem(page, IDC_PAGE_TITLE);
  EXPECT_EQ(td::WindowText(item), title);
  CaptionBar* caption = static_cast<CaptionBar*>(GetPropA(item, CaptionBar::kTag));
  ASSERT_NE(caption, nullptr) << "no caption bar on item 1005";
  LOGFONTA font = {};
  ASSERT_NE(GetObjectA(caption->CaptionFontHandle(), sizeof font, &font), 0);
  EXPECT_STREQ(font.lfFaceName, "Arial");
  EXPECT_GE(font.lfWeight, FW_EXTRABOLD);
}

void ExpectPicture(HWND page, int id, int width, int height) {
  SCOPED_TRACE(id);
  HWND item = GetDlgItem(page, id);
  EXPECT_NE(GetPropA(item, CPicture::kTag), nullptr) << "no picture control";
  RECT client = {};
  GetClientRect(item, &client);
  EXPECT_EQ(client.right, width);
  EXPECT_EQ(client.bottom, height);
}

// The cancel question as it stands: caption, text, Yes/No with No the
// default, owned by the wizard.
HWND WaitForCancelQuestion(Wizard& wizard) {
  td::MessageBoxInfo box;
  if (!td::WaitForMessageBox(pw::kCaption, GetCurrentProcessId(), &box)) {
    ADD_FAILURE() << "no cancel question";
    return nullptr;
  }
  EXPECT_EQ(box.text, pw::LoadText(IDS_CANCEL_QUESTION));
  EXPECT_NE(GetDlgItem(box.window, IDYES), nullptr);
  EXPECT_NE(GetDlgItem(box.window, IDNO), nullptr);
  EXPECT_EQ(GetDlgItem(box.window, IDCANCEL), nullptr);
  // Wine answers DM_GETDEFID with IDOK for a message box: read the styles.
  EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(box.window, IDNO), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON)
      << "No is the default";
  EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(box.window, IDYES), GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  EXPECT_EQ(GetWindow(box.window, GW_OWNER), wizard.frame);
  // Modal to the wizard: an unowned box would leave the frame enabled.
  EXPECT_FALSE(IsWindowEnabled(wizard.frame));
  return box.window;
}

// Cancel, the question as above, and Yes: the wizard closes.
void CancelAndConfirm(Wizard& w) {
  w.Press(PSBTN_CANCEL);
  HWND box = WaitForCancelQuestion(w);
  ASSERT_NE(box, nullptr);
  ASSERT_TRUE(td::AnswerMessageBox(box, IDYES));
  EXPECT_TRUE(td::WaitUntil([&] { return !w.IsOpen(); }));
}

TEST(WizardPages, ButtonsAndMovesOnEveryPage) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  pw::RunWizard([](Wizard& w) {
    ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
    EXPECT_EQ(w.Buttons(), PSWIZB_NEXT | kCancel);
    EXPECT_TRUE(w.Screenshot("page-welcome.bmp"));

    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
    EXPECT_EQ(w.Buttons(), PSWIZB_BACK | PSWIZB_NEXT | kCancel);
    EXPECT_TRUE(w.Screenshot("page-license.bmp"));
    ASSERT_TRUE(w.Move(PSBTN_BACK, pw::kWelcome));
    EXPECT_EQ(w.Buttons(), PSWIZB_NEXT | kCancel);
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
    ASSERT_TRUE(w.Move(PSBTN_BACK, pw::kLicense));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kWhereToStart));
    EXPECT_EQ(w.Buttons(), PSWIZB_NEXT | kCancel) << "no way back to the copying page";
    EXPECT_TRUE(w.Screenshot("page-where-to-start.bmp"));

    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kFinish));
    EXPECT_EQ(w.Buttons(), PSWIZB_BACK | PSWIZB_FINISH) << "Cancel disabled";
    EXPECT_TRUE(w.Screenshot("page-finish.bmp"));
    // PSM_CANCELTOCLOSE holds for the rest of the wizard.
    ASSERT_TRUE(w.Move(PSBTN_BACK, pw::kWhereToStart));
    EXPECT_EQ(w.Buttons(), static_cast<DWORD>(PSWIZB_NEXT));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kFinish));
    EXPECT_EQ(w.Buttons(), PSWIZB_BACK | PSWIZB_FINISH);

    PostMessageA(w.Item(IDC_OPEN_OVERVIEW), BM_CLICK, 0, 0);
    ASSERT_TRUE(w.Sync());
    w.Press(PSBTN_FINISH);
    EXPECT_TRUE(td::WaitUntil([&] { return !w.IsOpen(); }));
  });
  EXPECT_TRUE(pw::State().helpRequests.empty());
}

TEST(WizardPages, CancelAsksAndOnlyYesCloses) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  pw::RunWizard([](Wizard& w) {
    ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
    // Enter answers the default, No: the wizard stays.
    w.Press(PSBTN_CANCEL);
    HWND box = WaitForCancelQuestion(w);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(w.Screenshot("cancel-question.bmp", box));
    w.PressKey(VK_RETURN, box);
    ASSERT_TRUE(td::WaitUntil([&] { return !IsWindow(box); }));
    ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
    EXPECT_TRUE(w.IsOpen());

    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
    w.Press(PSBTN_CANCEL);
    box = WaitForCancelQuestion(w);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(td::AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(td::WaitUntil([&] { return !IsWindow(box); }));
    ASSERT_TRUE(w.WaitForPage(pw::kLicense));
    EXPECT_EQ(w.Buttons(), PSWIZB_BACK | PSWIZB_NEXT | kCancel);

    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kWhereToStart));
    w.Press(PSBTN_CANCEL);
    box = WaitForCancelQuestion(w);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(td::AnswerMessageBox(box, IDNO));
    ASSERT_TRUE(w.WaitForPage(pw::kWhereToStart));
    EXPECT_TRUE(w.IsOpen());

    // Yes closes the wizard from any page that asks.
    CancelAndConfirm(w);
  });
  EXPECT_TRUE(pw::State().helpRequests.empty());
}

// The real copying page installs into the test prefix, which needs the boot
// list of a normal system for the registry step.
void PrepareInstallation() {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  ASSERT_TRUE(engine_test::SeedNormalBootList());
  CreateDirectoryA(g_directories[kHelpDir], nullptr);
}

pw::RunOptions RealCopyingPage() {
  pw::RunOptions options;
  options.copyingPage = CopyingPageProc;
  return options;
}

bool Installed(DirectoryKind kind, const char* name) { return td::FileExists(std::string(g_directories[kind]) + name); }
bool RegistryWritten() { return td::RegKeyExists(HKEY_LOCAL_MACHINE, engine_test::kVendorKey); }

TEST(CopyingPage, BackAndNextBeforeCopyingOnlyCancelWhileCopying) {
  PrepareInstallation();
  pw::RunWizard(
      [](Wizard& w) {
        ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
        ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
        ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
        EXPECT_EQ(w.Buttons(), PSWIZB_BACK | PSWIZB_NEXT | kCancel);
        EXPECT_FALSE(IsWindowVisible(w.Item(IDC_PROGRESS)));
        // Back, then Next again: the page is ready to copy as before.
        ASSERT_TRUE(w.Move(PSBTN_BACK, pw::kLicense));
        ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
        EXPECT_EQ(w.Buttons(), PSWIZB_BACK | PSWIZB_NEXT | kCancel);
        // Held at its first checkpoint, the worker keeps the page copying.
        ResetEvent(g_continueEvent);
        w.Press(PSBTN_NEXT);
        HWND progress = w.Item(IDC_PROGRESS);
        ASSERT_TRUE(td::WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }));
        ASSERT_TRUE(w.Sync());
        EXPECT_EQ(w.CurrentIndex(), pw::kCopying);
        EXPECT_EQ(w.Buttons(), kCancel) << "only Cancel while copying";
        EXPECT_TRUE(w.Screenshot("copying-page-running.bmp"));
        SetEvent(g_continueEvent);
        ASSERT_TRUE(w.WaitForPage(pw::kWhereToStart));
        EXPECT_EQ(SendMessageA(progress, PBM_GETPOS, 0, 0), 5);
        CancelAndConfirm(w);
      },
      RealCopyingPage());
  EXPECT_TRUE(WaitForInstallWorker(td::kWaitMs));
  EXPECT_EQ(g_installComplete, 1);
  EXPECT_TRUE(Installed(kHelpDir, "VDLite.cnt"));
  EXPECT_TRUE(RegistryWritten());
}

// The worker counts as running until a wait sees its thread end: when the
// page cannot duplicate the worker's handle (the duplication fails), and
// when a wait on that handle fails. Only then do the events stay open for
// its next checkpoint. Both failures come through this program's imports.
BOOL(WINAPI* g_realDuplicateHandle)(HANDLE, HANDLE, HANDLE, LPHANDLE, DWORD, BOOL, DWORD);
BOOL WINAPI RefusedThreadDuplicate(HANDLE fromProcess, HANDLE source, HANDLE toProcess, LPHANDLE target, DWORD access,
                                   BOOL inherit, DWORD options) {
  const DWORD thread = GetThreadId(source);
  if (thread != 0 && thread != GetCurrentThreadId()) {
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return FALSE;
  }
  return g_realDuplicateHandle(fromProcess, source, toProcess, target, access, inherit, options);
}
DWORD(WINAPI* g_realWaitForSingleObject)(HANDLE, DWORD);
DWORD WINAPI FailedThreadWait(HANDLE handle, DWORD milliseconds) {
  const DWORD thread = GetThreadId(handle);
  if (thread != 0 && thread != GetCurrentThreadId()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return g_realWaitForSingleObject(handle, milliseconds);
}

TEST(CopyingPage, WorkerCountsAsRunningUntilItsEndIsSeen) {
  PrepareInstallation();
  pw::RunWizard(
      [](Wizard& w) {
        ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
        ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
        ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
        ResetEvent(g_continueEvent);  // the worker waits at its first checkpoint
        {
          td::ImportPatch refused(GetModuleHandleA(nullptr), "kernel32.dll", "DuplicateHandle",
                                  reinterpret_cast<void*>(RefusedThreadDuplicate));
          ASSERT_TRUE(refused.active());
          g_realDuplicateHandle = reinterpret_cast<decltype(g_realDuplicateHandle)>(refused.original());
          w.Press(PSBTN_NEXT);
          HWND progress = w.Item(IDC_PROGRESS);
          ASSERT_TRUE(td::WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }));
          ASSERT_TRUE(w.Sync());
        }
        EXPECT_TRUE(InstallWorkerRunning()) << "without a duplicated handle";
        {
          td::ImportPatch failing(GetModuleHandleA(nullptr), "kernel32.dll", "WaitForSingleObject",
                                  reinterpret_cast<void*>(FailedThreadWait));
          ASSERT_TRUE(failing.active());
          g_realWaitForSingleObject = reinterpret_cast<decltype(g_realWaitForSingleObject)>(failing.original());
          EXPECT_TRUE(InstallWorkerRunning()) << "after a failed wait";
          EXPECT_FALSE(WaitForInstallWorker(0)) << "after a failed wait";
          CloseSetupEvents();
        }
        ASSERT_NE(g_continueEvent, nullptr) << "events closed under a running worker";
        SetEvent(g_continueEvent);
        ASSERT_TRUE(w.WaitForPage(pw::kWhereToStart));
        CancelAndConfirm(w);
      },
      RealCopyingPage());
  EXPECT_TRUE(WaitForInstallWorker(td::kWaitMs));
  EXPECT_FALSE(InstallWorkerRunning());
  EXPECT_EQ(g_installComplete, 1);
}

// A cancel confirmed inside a step: when the progress bar reaches
// g_cancelAt, the cancel question is asked and answered Yes right there,
// while the worker waits for the bar's answer.
HWND g_frame;
int g_cancelAt;
bool g_closeEventsAfterCancel;
bool g_answeredYes;
WNDPROC g_progressProc;

LRESULT CALLBACK CancellingProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = CallWindowProcA(g_progressProc, window, message, wParam, lParam);
  if (message == PBM_STEPIT && SendMessageA(window, PBM_GETPOS, 0, 0) == g_cancelAt) {
    td::MessageBoxWatcher yes(pw::kCaption, IDYES);
    SendMessageA(g_frame, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    g_answeredYes = yes.Wait();
    // As start-up does once its wait for the worker has given up.
    if (g_closeEventsAfterCancel) CloseSetupEvents();
  }
  return result;
}

void CancelInsideStep(int position, bool closeEvents) {
  g_cancelAt = position;
  g_closeEventsAfterCancel = closeEvents;
  pw::RunWizard(
      [](Wizard& w) {
        ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
        ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
        ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
        g_frame = w.frame;
        g_progressProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(w.Item(IDC_PROGRESS), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CancellingProgressProc)));
        w.Press(PSBTN_NEXT);
        EXPECT_TRUE(td::WaitUntil([&] { return !w.IsOpen(); }));
      },
      RealCopyingPage());
  EXPECT_TRUE(g_answeredYes);
  EXPECT_TRUE(WaitForInstallWorker(td::kWaitMs));
  EXPECT_EQ(g_installComplete, 0);
  EXPECT_FALSE(RegistryWritten());
}

TEST(CopyingPage, YesWhileTheThirdFileInstallsLeavesOutTheFourth) {
  PrepareInstallation();
  CancelInsideStep(3, false);
  EXPECT_TRUE(Installed(kHelpDir, "VDLite.hlp"));
  EXPECT_FALSE(Installed(kHelpDir, "VDLite.cnt"));
}

// The wizard has closed and the wait for the worker has run out while it is
// still inside its second file: the events that its next checkpoint waits
// on must still be there, so that it sees the cancel and stops.
TEST(CopyingPage, WorkerCutOffInAStepStillSeesTheCancel) {
  PrepareInstallation();
  CancelInsideStep(2, true);
  EXPECT_TRUE(Installed(kSystemDir, "VDLite.exe"));
  EXPECT_FALSE(Installed(kHelpDir, "VDLite.hlp"));
}

// The size the property sheet chooses for these templates, without the
// welcome page's preparation.
SIZE PlainWizardSize() {
  const WORD templates[] = {IDD_WELCOME_PAGE, IDD_LICENSE_PAGE, IDD_COPYING_PAGE, IDD_WHERE_TO_START_PAGE,
                            IDD_FINISH_PAGE};
  HPROPSHEETPAGE pages[5];
  for (int i = 0; i < 5; ++i) {
    PROPSHEETPAGEA page = {};
    page.dwSize = PROPSHEETPAGEA_V2_SIZE;
    page.hInstance = GetModuleHandleA(nullptr);
    page.pszTemplate = MAKEINTRESOURCEA(templates[i]);
    page.pfnDlgProc = layout::QuietDialogProc;
    pages[i] = CreatePropertySheetPageA(&page);
  }
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_WIZARD | PSH_NOAPPLYNOW | PSH_MODELESS;
  header.pszCaption = pw::kCaption;
  header.nPages = 5;
  header.phpage = pages;
  HWND frame = reinterpret_cast<HWND>(PropertySheetA(&header));
  RECT rect = {};
  GetWindowRect(frame, &rect);
  DestroyWindow(frame);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// A property sheet has its caption and no help button already, so the
// preparation is seen on a parent that starts the other way round.
TEST(WizardFrame, PreparationGivesACaptionAndRemovesTheHelpButton) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  HWND parent = CreateWindowExA(WS_EX_CONTEXTHELP | WS_EX_DLGMODALFRAME, "STATIC", pw::kCaption, WS_POPUP, 0, 0, 300,
                                200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(parent, nullptr);
  HWND page = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, parent, nullptr, nullptr, nullptr);
  ASSERT_EQ(GetWindowLongPtrA(parent, GWL_STYLE) & WS_CAPTION, 0);
  PrepareWizardFrame(page);
  EXPECT_EQ(GetWindowLongPtrA(parent, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(GetWindowLongPtrA(parent, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
  EXPECT_NE(GetWindowLongPtrA(parent, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0) << "other styles stay";
  DestroyWindow(parent);
}

TEST(WizardFrame, PreparedOnceByTheWelcomePage) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  const SIZE plain = PlainWizardSize();
  ASSERT_GT(plain.cx, 0);
  pw::RunWizard([&](Wizard& w) {
    ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
    HWND frame = w.frame;
    EXPECT_EQ(td::WindowText(frame), pw::kCaption);
    LONG_PTR style = GetWindowLongPtrA(frame, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(GetWindowLongPtrA(frame, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0) << "no help button";
    EXPECT_EQ(pw::SystemMenuCommands(frame), (std::set<UINT>{SC_MOVE, SC_CLOSE}));
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(frame, WM_GETICON, ICON_SMALL, 0)), g_smallIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(frame, WM_GETICON, ICON_BIG, 0)), g_largeIcon);

    // Centred on the screen, one pixel larger each way than the plain sheet.
    RECT rect;
    GetWindowRect(frame, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    EXPECT_EQ(width, plain.cx + 1);
    EXPECT_EQ(height, plain.cy + 1);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2);

    // Moving on and back changes none of it.
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
    ASSERT_TRUE(w.Move(PSBTN_BACK, pw::kWelcome));
    RECT again;
    GetWindowRect(frame, &again);
    EXPECT_TRUE(EqualRect(&rect, &again));
    EXPECT_EQ(pw::SystemMenuCommands(frame), (std::set<UINT>{SC_MOVE, SC_CLOSE}));

    // The close box asks like Cancel does.
    PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND box = WaitForCancelQuestion(w);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(td::AnswerMessageBox(box, IDYES));
    EXPECT_TRUE(td::WaitUntil([&] { return !w.IsOpen(); }));
  });
}

TEST(WelcomePage, CaptionPictureAndLink) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  pw::RunWizard([](Wizard& w) {
    ASSERT_TRUE(w.WaitForPage(pw::kWelcome));
    HWND page = w.CurrentPage();
    ExpectCaptionBar(page, "Vandrel Lite 1.0 Setup");
    ExpectPicture(page, IDC_SIDE_PICTURE, 96, 222);
    RECT side = pw::ItemRect(GetDlgItem(page, IDC_SIDE_PICTURE));
    EXPECT_EQ(side.left, 0);
    EXPECT_EQ(side.top, 0);

    HWND item = GetDlgItem(page, IDC_HOME_PAGE_LINK);
    Hyperlink* link = static_cast<Hyperlink*>(GetPropA(item, Hyperlink::kTag));
    ASSERT_NE(link, nullptr) << "no hyperlink on item 1006";
    EXPECT_STREQ(link->Label(), "VandrelSoft");
    EXPECT_EQ(link->URL(), pw::LoadText(IDS_HOME_PAGE_URL));
    EXPECT_FALSE(pw::LoadText(IDS_HOME_PAGE_URL).empty());
    const COLORREF blue = RGB(0, 0, 238);
    EXPECT_EQ(link->GetLinkColour(), blue);
    EXPECT_EQ(link->VisitedColour(), blue);
    EXPECT_EQ(link->HoverColour(), blue);

    // The copyright line ends in a dash that the link continues: its text
    // fits its static, and the link starts where the static ends.
    HWND copyright = nullptr;
    for (HWND child = GetWindow(page, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (td::WindowText(child).rfind("Copyright", 0) == 0) copyright = child;
    }
    ASSERT_NE(copyright, nullptr);
    const std::string text = td::WindowText(copyright);
    ASSERT_GE(text.size(), 5u);
    EXPECT_EQ(text.substr(text.size() - 5), "  \x97  ");
    HDC dc = GetDC(copyright);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(copyright, WM_GETFONT, 0, 0)));
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(copyright, dc);
    RECT line = pw::ItemRect(copyright);
    EXPECT_LE(extent.cx, line.right - line.left) << "the copyright line is cut";
    RECT linkRect = pw::ItemRect(item);
    EXPECT_LE(linkRect.left - line.right, 2);
    EXPECT_EQ(linkRect.top, line.top);

    CancelAndConfirm(w);
  });
}

// Share of the rectangle's pixels (client coordinates of window) that are white.
double WhiteShare(HWND window, RECT rect) {
  HDC dc = GetDC(window);
  int white = 0, all = 0;
  for (int y = rect.top; y < rect.bottom; y += 3) {
    for (int x = rect.left; x < rect.right; x += 3) {
      ++all;
      if (GetPixel(dc, x, y) == RGB(255, 255, 255)) ++white;
    }
  }
  ReleaseDC(window, dc);
  return all != 0 ? static_cast<double>(white) / all : 0.0;
}

TEST(LicensePage, ReadOnlyTextOnWhiteWithoutSelection) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  pw::RunWizard([](Wizard& w) {
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
    HWND page = w.CurrentPage();
    ExpectCaptionBar(page, "License Agreement");
    ExpectPicture(page, IDC_SIDE_PICTURE, 96, 222);

    HWND edit = GetDlgItem(page, IDC_LICENSE_EDIT);
    const std::string licence = pw::ResourceBytes(IDR_LICENSE_TEXT, "FILE");
    EXPECT_EQ(licence.size(), 924u);
    EXPECT_EQ(licence.substr(licence.size() - 2), "\r\n");
    char text[2048] = "";
    int length = GetWindowTextA(edit, text, sizeof text);
    EXPECT_EQ(length, 924);
    EXPECT_EQ(std::string(text, length), licence);
    EXPECT_NE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY, 0);

    // White behind the licence only; the other texts keep the dialog's brush.
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT editBrush =
        SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(editBrush), GetStockObject(WHITE_BRUSH));
    HWND title = GetDlgItem(page, IDC_PAGE_TITLE);
    HWND sentence = GetWindow(title, GW_HWNDPREV);
    LRESULT otherBrush =
        SendMessageA(page, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(sentence));
    EXPECT_NE(reinterpret_cast<HGDIOBJ>(otherBrush), GetStockObject(WHITE_BRUSH));
    DeleteDC(dc);
    RECT client;
    GetClientRect(edit, &client);
    EXPECT_GT(WhiteShare(edit, client), 0.6) << "the licence stands on white";
    RECT sentenceRect;
    GetClientRect(sentence, &sentenceRect);
    EXPECT_LT(WhiteShare(sentence, sentenceRect), 0.1);

    // Tab into the edit: caret at the start, nothing selected.
    for (int i = 0; i < 10 && w.Focus() != edit; ++i) {
      w.PressKey(VK_TAB, page);
      ASSERT_TRUE(w.Sync());
    }
    ASSERT_EQ(w.Focus(), edit);
    DWORD start = 1, end = 1;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 0u);
    EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    EXPECT_TRUE(w.Screenshot("page-license-focused.bmp"));

    CancelAndConfirm(w);
  });
}

TEST(WhereToStartPage, PicturesAtTheirCornersInTheirSizes) {
  ASSERT_TRUE(InitSetupState(GetModuleHandleA(nullptr)));
  pw::RunWizard([](Wizard& w) {
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kLicense));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kCopying));
    ASSERT_TRUE(w.Move(PSBTN_NEXT, pw::kWhereToStart));
    HWND page = w.CurrentPage();
    ExpectCaptionBar(page, "Where To Start From?");
    ExpectPicture(page, IDC_STEP1_PICTURE, 176, 185);
    ExpectPicture(page, IDC_STEP2_PICTURE, 178, 111);
    RECT first = pw::ItemRect(GetDlgItem(page, IDC_STEP1_PICTURE));
    RECT second = pw::ItemRect(GetDlgItem(page, IDC_STEP2_PICTURE));
    RECT firstCorner = pw::DialogUnits(page, 14, 21, 0, 0);
    RECT secondCorner = pw::DialogUnits(page, 153, 66, 0, 0);
    EXPECT_EQ(first.left, firstCorner.left);
    EXPECT_EQ(first.top, firstCorner.top);
    EXPECT_EQ(second.left, secondCorner.left);
    EXPECT_EQ(second.top, secondCorner.top);
    // The title spans the page.
    RECT title = pw::ItemRect(GetDlgItem(page, IDC_PAGE_TITLE));
    // The dialog manager maps a control's width on its own, not as the
    // difference of its two mapped edges, which can differ by rounding.
    RECT full = pw::DialogUnits(page, 0, 0, 285, 15);
    EXPECT_EQ(title.right - title.left, full.right - full.left);
    EXPECT_EQ(w.Buttons(), PSWIZB_NEXT | kCancel);

    CancelAndConfirm(w);
  });
}

}  // namespace
