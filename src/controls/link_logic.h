// The hyperlink's arithmetic and texts, free of any window: fitting the
// control to its text, and explaining the shell's error codes.
#ifndef SETUPVDL_LINK_LOGIC_H
#define SETUPVDL_LINK_LOGIC_H

#include <cstddef>
#include <cstdint>

struct LinkRect {
  int left;
  int top;
  int right;
  int bottom;
};

// Static-control style bits that the fitting reads.
constexpr uint32_t kLinkStyleCenter = 0x0001;       // SS_CENTER
constexpr uint32_t kLinkStyleRight = 0x0002;        // SS_RIGHT
constexpr uint32_t kLinkStyleCenterImage = 0x0200;  // SS_CENTERIMAGE

// The rectangle of a text of cx x cy pixels inside the initial rectangle,
// placed by the style's alignment bits. A text larger than the rectangle
// grows it on both sides (signed divisions truncating toward zero).
LinkRect FitLinkRect(const LinkRect& initial, uint32_t style, int cx, int cy);

constexpr size_t kOpenErrorTextSize = 256;

// The message for a ShellExecute result of 32 or below.
const char* OpenErrorMessage(int code);

// "Unable to open hyperlink:\n\n" and the message, cut to fit size bytes and
// always terminated (size > 0). Returns the length written.
size_t FormatOpenError(int code, char* buffer, size_t size);

// The help program whose cursor the link borrows: the Windows directory as
// GetWindowsDirectoryA gave it (length its result, directoryChars the size
// of its buffer), a backslash and "WinHlp32.exe". False, with an empty
// path, when the query failed or its result did not fit its buffer, or the
// path does not fit pathSize bytes.
constexpr size_t kHelpProgramChars = 260 + 16;
bool HelpProgramPath(const char* windowsDir, unsigned length, unsigned directoryChars, char* path, size_t pathSize);

#endif
