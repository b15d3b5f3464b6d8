// Wine's help viewer, winhlp32.exe, as the tests see it: a process of its
// own whose main window has the class MS_WINHELP and shows the topic in a
// rich-edit control. Every wait is bounded.
#ifndef SETUPVDL_HELP_VIEWER_H
#define SETUPVDL_HELP_VIEWER_H

#include <windows.h>

#include <string>

#include "test_driver.h"

namespace hv {

constexpr int kTopicTextItem = 0x701;  // the viewer's rich-edit control
constexpr DWORD kOverviewContext = 0xC0000110;

// How long after setup has ended the tests watch for a help window that
// should not come. WinHelpA starts the viewer, waits for it to be idle,
// and sends the request before it returns (it shows the topic while it
// handles the request), so a help window that setup asks for exists before
// setup's process ends and an immediate look would see it. The bound only
// leaves room for a viewer started without that wait: from the request to
// a topic on screen took 0.6 s after Finish in the wizard test and up to
// 3.1 s for a first start in a fresh prefix, so 6 s cover that twice.
constexpr DWORD kNoHelpWindowMs = 6000;

// Windows' help viewer finds a bare file name in the Windows help
// directory. Wine's looks it up only along the program search path (its
// own directory, the current, system and Windows directories, PATH) and
// otherwise asks the user to find the file, inside the WinHelpA call that
// then blocks the caller. The tests put the help directory on the PATH
// that setup and the viewer inherit, to stand in for Windows' lookup.
inline void PutOnSearchPath(const std::string& dir) {
  char path[4096] = "";
  GetEnvironmentVariableA("PATH", path, sizeof path);
  SetEnvironmentVariableA("PATH", (dir + ";" + path).c_str());
}

// Any window of the viewer, hidden ones included: the viewer creates a
// hidden main window as soon as it starts.
inline bool AnyHelpWindow() { return FindWindowA("MS_WINHELP", nullptr) != nullptr; }

// The text of the topic a viewer window shows; empty while none.
inline std::string TopicText(HWND window) {
  HWND text = GetDlgItem(window, kTopicTextItem);
  char buffer[8192] = "";
  DWORD_PTR copied = 0;
  if (text == nullptr || !SendMessageTimeoutA(text, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                                              SMTO_ABORTIFHUNG, td::Scaled(2000), &copied))
    return std::string();
  return std::string(buffer, copied);
}

inline std::string FirstLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

// A visible viewer window (of process pid, or any when 0) that shows a
// topic; null when none does within timeoutMs.
inline HWND WaitForTopic(DWORD pid = 0, DWORD timeoutMs = td::kWaitMs) {
  HWND found = nullptr;
  td::WaitUntil(
      [&] {
        found = td::FindTopWindow("MS_WINHELP", nullptr, pid);
        return found != nullptr && !TopicText(found).empty();
      },
      timeoutMs);
  return found != nullptr && !TopicText(found).empty() ? found : nullptr;
}

// Ends the viewer the way programs do when they leave.
inline void CloseViewer() { WinHelpA(nullptr, "VDLite.hlp", HELP_QUIT, 0); }

}  // namespace hv

#endif
