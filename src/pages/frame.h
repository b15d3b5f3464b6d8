// What the wizard pages share: the notification result slot, the wizard
// buttons, the cancel question, attaching the page controls on
// WM_INITDIALOG, the common notifications and the one-time preparation of
// the wizard frame.
//
// Every page owns its control objects as function-local statics of its
// procedure, declared at the top so that the first call, whatever the
// message, constructs them in declaration order; the run-time library
// destroys them at exit in reverse order. The pages run on the main thread
// only, so the unguarded statics of the shipping build are safe.
#ifndef SETUPVDL_PAGES_FRAME_H
#define SETUPVDL_PAGES_FRAME_H

#include <windows.h>

#include <commctrl.h>

#include "controls/caption_bar.h"
#include "controls/picture.h"

// Leaves the answer to a notification in DWLP_MSGRESULT; returns TRUE, the
// dialog procedure's "handled". 0 is written explicitly too: a notification
// handled inside a nested message loop (a message box) leaves its result here.
BOOL SetPageResult(HWND page, LONG_PTR result);

// The page talks to the wizard frame (its parent) by posting only.
void PostWizardButtons(HWND page, DWORD buttons);
void PostCancelToClose(HWND page);

// String 3 as a Yes/No question owned by the page, No the default; true
// when the user answered Yes.
bool ConfirmCancel(HWND page);

// Attaches the caption bar to item 1005, then for each picture in order
// loads bitmapIds[i], attaches it to item itemIds[i] and sizes the item to
// the bitmap. A missing item or bitmap leaves that control as it was.
void AttachPageControls(HWND page, CaptionBar& caption, CPicture* pictures[], const WORD bitmapIds[],
                        const int itemIds[], int count);
// The usual case: the side picture, bitmap 113 on item 1001.
void AttachSidePageControls(HWND page, CaptionBar& caption, CPicture& sidePicture);

// The notifications every page answers alike:
//   PSN_SETACTIVE   posts the page's buttons; 0 = show this page
//   PSN_KILLACTIVE  0 = the page may be left
//   PSN_RESET       0, nothing to undo
//   PSN_WIZNEXT     0 = go to the next page
//   PSN_QUERYCANCEL the cancel question; TRUE = stay, 0 = close the wizard
// Any other code is not handled (FALSE). A page with its own handling of a
// code answers it before calling this, or does its own part and then calls
// this for the common answer (PSN_SETACTIVE with its own buttons).
INT_PTR HandlePageNotify(HWND page, const NMHDR* header, DWORD buttons);

// Once, by the first page: caption and system menu, no help button, only
// Move and Close in the system menu, the setup icons, centred on the screen.
// Does nothing for a page without a parent.
void PrepareWizardFrame(HWND page);

#endif
