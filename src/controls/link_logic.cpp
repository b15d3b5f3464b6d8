// Sizing and error texts of the hyperlink control.
#include "controls/link_logic.h"

#include <initializer_list>

namespace {

struct OpenError {
  unsigned code;
  const char* message;
};

const OpenError kOpenErrors[] = {
    {0, "The operating system is out\nof memory or resources."},
    {2, "The specified file was not found."},
    {3, "The specified path was not found."},
    {5, "The operating system denied\naccess to the specified file."},
    {8, "There was not enough memory to complete the operation."},
    {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
    {26, "A sharing violation occurred."},
    {27, "The filename association is\nincomplete or invalid."},
    {28, "The DDE transaction could not\nbe completed because the request timed out."},
    {29, "The DDE transaction failed."},
    {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
    {31, "There is no application associated\nwith the given filename extension."},
    {32, "The specified dynamic-link library was not found."},
};

const char kOpenErrorIntro[] = "Unable to open hyperlink:\n\n";
const char kUnknownError[] = "Unknown Error occurred.";

}  // namespace

LinkRect FitLinkRect(const LinkRect& initial, uint32_t style, int cx, int cy) {
  LinkRect r = initial;
  // C++ division truncates toward zero, so an oversized text gives a
  // negative d and the rectangle grows on both sides.
  if (style & kLinkStyleCenterImage) {
    int d = (r.bottom - r.top - cy - 2) / 2;
    r.top += d;
    r.bottom -= d;
  } else {
    r.bottom = r.top + cy;
  }
  if (style & kLinkStyleCenter) {
    int d = (r.right - r.left - cx - 2) / 2;
    r.left += d;
    r.right -= d;
  } else if (style & kLinkStyleRight) {
    r.left = r.right - cx;
  } else {
    r.right = r.left + cx;
  }
  return r;
}

const char* OpenErrorMessage(int code) {
  // Compared unsigned: negative codes are unknown too.
  unsigned u = static_cast<unsigned>(code);
  for (const OpenError& e : kOpenErrors) {
    if (e.code == u) return e.message;
  }
  return kUnknownError;
}

size_t FormatOpenError(int code, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 0;
  // Plain copying: a formatting library would cost the executable more than
  // this whole file.
  size_t used = 0;
  for (const char* part : {kOpenErrorIntro, OpenErrorMessage(code)}) {
    for (; *part != '\0' && used + 1 < size; ++part) buffer[used++] = *part;
  }
  buffer[used] = '\0';
  return used;
}

bool HelpProgramPath(const char* windowsDir, unsigned length, unsigned directoryChars, char* path, size_t pathSize) {
  if (path == nullptr || pathSize == 0) return false;
  path[0] = '\0';
  // 0 is a failed query; a result as long as the buffer or longer is the
  // size that would have been needed, and the buffer holds no path.
  if (windowsDir == nullptr || length == 0 || length >= directoryChars) return false;
  static const char kProgram[] = "\\WinHlp32.exe";
  if (length + sizeof kProgram > pathSize) return false;
  size_t used = 0;
  for (unsigned i = 0; i < length; ++i) path[used++] = windowsDir[i];
  for (const char* c = kProgram; *c != '\0'; ++c) path[used++] = *c;
  path[used] = '\0';
  return true;
}
