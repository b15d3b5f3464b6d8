// Wizard mode: the pre-checks and their dialogs, the restart, and the
// five-page property sheet.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstddef>
#include <cstring>

#include "driver/late_libraries.h"
#include "driver/setup_state.h"
#include "driver/wizard.h"
#include "engine/checks.h"
#include "engine/guards.h"
#include "engine/integrity.h"
#include "pages/pages.h"
#include "resource.h"

namespace {

// How long setup lets a worker finish the step it is in after the wizard
// closed (a cancel confirmed mid-step): long enough for any one file or the
// registry, short enough that setup never seems to hang.
constexpr DWORD kWorkerGraceMs = 10000;

const WORD kPageTemplates[kWizardPages] = {IDD_WELCOME_PAGE, IDD_LICENSE_PAGE, IDD_COPYING_PAGE,
                                           IDD_WHERE_TO_START_PAGE, IDD_FINISH_PAGE};

// The classic page description ends with the header subtitle; the property
// sheet steps through the array by dwSize, so the array holds exactly that.
constexpr size_t kPageSize = offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(LPCSTR);

// The sizes that the property sheets of NT 4.0 and later take from the
// 32-bit program.
#if defined(__i386__)
static_assert(sizeof(PROPSHEETHEADERA) == 52, "the classic property-sheet header is 52 bytes");
static_assert(kPageSize == 48, "a page description is 48 bytes");
#endif

INT_PTR ShowCheckDialog(WORD id, DLGPROC procedure) {
  return DialogBoxParamA(g_instance, MAKEINTRESOURCEA(id), nullptr, procedure, 0);
}

void ShowDamagedSetup() {
  char message[256];
  LoadStringA(g_instance, IDS_DAMAGED_SETUP, message, 255);
  MessageBoxA(nullptr, message, g_setupCaption, MB_OK | MB_ICONERROR);
}

}  // namespace

INT_PTR RunSetupWizard(const DLGPROC (&procedures)[kWizardPages]) {
  alignas(PROPSHEETPAGEA) BYTE pages[kWizardPages][kPageSize];
  for (int i = 0; i < kWizardPages; ++i) {
    PROPSHEETPAGEA page;
    ZeroMemory(&page, sizeof page);
    page.dwSize = kPageSize;
    page.dwFlags = PSP_DEFAULT;
    page.hInstance = g_instance;
    page.pszTemplate = MAKEINTRESOURCEA(kPageTemplates[i]);
    page.pfnDlgProc = procedures[i];
    page.lParam = 0;
    memcpy(pages[i], &page, kPageSize);
  }
  PROPSHEETHEADERA header;
  ZeroMemory(&header, sizeof header);
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
  header.hwndParent = nullptr;
  header.pszCaption = g_setupCaption;
  header.nPages = kWizardPages;
  header.nStartPage = 0;
  header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
  return late::PropertySheetA(&header);
}

INT_PTR CALLBACK NoticeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) EndDialog(dialog, 0);
  if (message == WM_CLOSE) EndDialog(dialog, 0);
  return FALSE;  // no initial focus either
}

INT_PTR CALLBACK QuestionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetFocus(GetDlgItem(dialog, lParam != 0 ? IDYES : IDNO));
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDYES:
          EndDialog(dialog, 1);
          break;
        case IDCANCEL:
        case IDNO:
          EndDialog(dialog, 0);
          break;
      }
      break;
    case WM_CLOSE:
      EndDialog(dialog, 0);
      break;
  }
  return FALSE;
}

void RestartSystem() {
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    UniqueHandle tokenGuard(token);
    TOKEN_PRIVILEGES privileges;
    ZeroMemory(&privileges, sizeof privileges);
    LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  }
  InitiateSystemShutdownA(nullptr, nullptr, 0, TRUE, TRUE);
}

int RunWizardMode() {
  if (!IsSupportedSystem()) {
    ShowCheckDialog(IDD_UNSUPPORTED_SYSTEM, NoticeDialogProc);
    return 0;
  }
  // A damaged file is refused before the restart offer or the overwrite
  // question can lead the user into anything.
  if (!IsSetupFileIntact()) {
    ShowDamagedSetup();
    return 0;
  }
  if (IsRestartPending()) {
    if (ShowCheckDialog(IDD_RESTART_OFFER, QuestionDialogProc) == 1) RestartSystem();
    return 0;
  }
  if (GetInstalledVersion() != 0 && ShowCheckDialog(IDD_OVERWRITE_QUESTION, QuestionDialogProc) != 1) return 0;
  const DLGPROC procedures[kWizardPages] = {WelcomePageProc, LicensePageProc, CopyingPageProc, WhereToStartPageProc,
                                            FinishPageProc};
  RunSetupWizard(procedures);
  WaitForInstallWorker(kWorkerGraceMs);
  return 1;
}
