// Wizard mode's pieces: the pre-check dialogs, the restart and the property
// sheet of the five pages.
#ifndef SETUPVDL_WIZARD_H
#define SETUPVDL_WIZARD_H

#include <windows.h>

constexpr int kWizardPages = 5;

INT_PTR CALLBACK NoticeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK QuestionDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void RestartSystem();

// The modal classic wizard on templates 103, 104, 105, 117 and 106 with
// these page procedures, in that order; returns PropertySheetA's result.
INT_PTR RunSetupWizard(const DLGPROC (&procedures)[kWizardPages]);

#endif
