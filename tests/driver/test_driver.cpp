// The Win32 test driver; see test_driver.h.
#include "test_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "resource.h"

namespace td {

DWORD WaitScale() {
  static DWORD scale = 0;
  if (scale == 0) {
    char text[16] = "";
    DWORD n = GetEnvironmentVariableA("SETUPVDL_WAIT_SCALE", text, sizeof text);
    unsigned long value = n > 0 && n < sizeof text ? strtoul(text, nullptr, 10) : 1;
    scale = value >= 1 && value <= 16 ? static_cast<DWORD>(value) : 1;
  }
  return scale;
}

DWORD Scaled(DWORD nativeMs) {
  if (nativeMs == INFINITE) return INFINITE;
  return nativeMs >= (INFINITE - 1) / WaitScale() ? INFINITE - 1 : nativeMs * WaitScale();
}

std::string BinDir() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string SetupExePath() { return BinDir() + "SETUPVDL.EXE"; }

Process::~Process() {
  if (process_ != nullptr) CloseHandle(process_);
}

// Under a loaded host Wine can refuse a process start for a moment; that is
// the harness's trouble, not the program's, so a start is retried for up to
// two seconds (each refusal is printed) before the caller is told.
bool Process::Start(const std::string& commandLine, const char* errorPath, const char* currentDir) {
  return WaitUntil([&] { return TryStart(commandLine, errorPath, currentDir); }, 2000);
}

bool Process::TryStart(const std::string& commandLine, const char* errorPath, const char* currentDir) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  HANDLE error = INVALID_HANDLE_VALUE;
  if (errorPath != nullptr) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    error = CreateFileA(errorPath, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (error == INVALID_HANDLE_VALUE) return false;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdError = error;
    si.hStdOutput = error;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi = {};
  BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, error != INVALID_HANDLE_VALUE, 0, nullptr,
                                currentDir, &si, &pi);
  DWORD startError = started ? ERROR_SUCCESS : GetLastError();
  if (error != INVALID_HANDLE_VALUE) CloseHandle(error);
  if (!started) {
    fprintf(stderr, "CreateProcessA failed with error %lu: %s\n", startError, commandLine.c_str());
    SetLastError(startError);
    return false;
  }
  CloseHandle(pi.hThread);
  process_ = pi.hProcess;
  pid_ = pi.dwProcessId;
  return true;
}

bool Process::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
  if (process_ == nullptr || WaitForSingleObject(process_, Scaled(timeoutMs)) != WAIT_OBJECT_0) return false;
  if (exitCode != nullptr) GetExitCodeProcess(process_, exitCode);
  return true;
}

void Process::Kill() {
  if (process_ != nullptr) TerminateProcess(process_, 99);
}

std::string SetupCommand(const std::string& args) {
  return "\"" + SetupExePath() + "\"" + (args.empty() ? "" : " " + args);
}

bool StartSetup(const std::string& args, Process* process, const char* errorPath) {
  return process->Start(SetupCommand(args), errorPath);
}

bool RunSetup(const std::string& args, DWORD timeoutMs, DWORD* exitCode) {
  Process p;
  if (!StartSetup(args, &p)) return false;
  if (p.WaitExit(timeoutMs, exitCode)) return true;
  p.Kill();
  return false;
}

bool WaitExitWithoutWindow(Process* process, DWORD timeoutMs, DWORD* exitCode, bool* windowSeen) {
  *windowSeen = false;
  bool ended = WaitUntil(
      [&] {
        *windowSeen = !TopWindows(process->pid()).empty();
        return *windowSeen || process->WaitExit(0, exitCode);
      },
      timeoutMs);
  if (*windowSeen || !ended) {
    process->Kill();
    process->WaitExit(kWaitMs, nullptr);
    return false;
  }
  return true;
}

bool StartTraced(Process* process, const std::string& commandLine, const char* channels, const char* relayInclude,
                 const char* currentDir) {
  if (relayInclude != nullptr && !SetRegValue(HKEY_CURRENT_USER, "Software\\Wine\\Debug", "RelayInclude", REG_SZ,
                                              relayInclude, static_cast<DWORD>(strlen(relayInclude) + 1))) {
    return false;
  }
  char own[64] = "";
  DWORD n = GetEnvironmentVariableA("WINEDEBUG", own, sizeof own);
  SetEnvironmentVariableA("WINEDEBUG", channels);
  bool started = process->Start(commandLine, nullptr, currentDir);
  SetEnvironmentVariableA("WINEDEBUG", n > 0 && n < sizeof own ? own : nullptr);
  return started;
}

std::vector<std::string> WineLogOf(DWORD pid) {
  char prefix[16];
  snprintf(prefix, sizeof prefix, "%04lx:", static_cast<unsigned long>(pid));
  const std::string log = ReadWineLog();
  std::vector<std::string> lines;
  for (size_t start = 0; start < log.size();) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    if (log.compare(start, strlen(prefix), prefix) == 0) lines.push_back(log.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

HWND FindFrame(DWORD pid) {
  for (HWND w : TopWindows(pid)) {
    if (ClassName(w) == "#32770" && WindowText(w) == kSetupCaption &&
        SendMessageA(w, PSM_GETCURRENTPAGEHWND, 0, 0) != 0)
      return w;
  }
  return nullptr;
}

HWND WaitForFrame(DWORD pid, DWORD timeoutMs) {
  HWND frame = nullptr;
  WaitUntil([&] { return (frame = FindFrame(pid)) != nullptr; }, timeoutMs);
  return frame;
}

HWND CurrentPage(HWND frame) { return reinterpret_cast<HWND>(SendMessageA(frame, PSM_GETCURRENTPAGEHWND, 0, 0)); }

std::string PageTitle(HWND frame) { return ItemText(CurrentPage(frame), IDC_PAGE_TITLE); }

bool WaitForPage(HWND frame, const std::string& title, DWORD timeoutMs) {
  return WaitUntil([&] { return PageTitle(frame) == title; }, timeoutMs);
}

void Press(HWND frame, int button) { PostMessageA(frame, PSM_PRESSBUTTON, button, 0); }

bool OpenCopyingPage(HWND frame) {
  Press(frame, PSBTN_NEXT);
  if (!WaitForPage(frame, "License Agreement")) return false;
  Press(frame, PSBTN_NEXT);
  return WaitForPage(frame, "Copying Files");
}

bool WaitUntil(const std::function<bool()>& predicate, DWORD timeoutMs) {
  const DWORD limit = Scaled(timeoutMs);
  DWORD start = GetTickCount();
  for (;;) {
    if (predicate()) return true;
    if (GetTickCount() - start >= limit) return predicate();
    Sleep(20);
  }
}

namespace {
struct Search {
  const char* className;
  const char* caption;
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
  Search* s = reinterpret_cast<Search*>(param);
  if (!IsWindowVisible(window)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (s->pid != 0 && pid != s->pid) return TRUE;
  if (s->className != nullptr && ClassName(window) != s->className) return TRUE;
  if (s->caption != nullptr && WindowText(window) != s->caption) return TRUE;
  s->found.push_back(window);
  return TRUE;
}
}  // namespace

std::vector<HWND> TopWindows(DWORD pid) {
  Search s{nullptr, nullptr, pid, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND FindTopWindow(const char* className, const char* caption, DWORD pid) {
  Search s{className, caption, pid, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&s));
  return s.found.empty() ? nullptr : s.found.front();
}

HWND WaitForWindow(const char* className, const char* caption, DWORD pid, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindTopWindow(className, caption, pid)) != nullptr; }, timeoutMs);
  return found;
}

std::string WindowText(HWND window) {
  char text[4096];
  // WM_GETTEXT reaches windows of other processes too.
  LRESULT n = SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                  Scaled(5000), nullptr);
  (void)n;
  text[sizeof text - 1] = '\0';
  return IsWindow(window) ? std::string(text) : std::string();
}

std::string ClassName(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  return item != nullptr ? WindowText(item) : std::string();
}

HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

bool PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0) != FALSE;
}

namespace {
// The MB_ icon whose system icon the box shows; 0 for none or an unknown one.
UINT IconStyle(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    // System icons are shared within a process: the box's is the one that
    // LoadIcon gives here, when the box belongs to this process.
    const struct {
      LPCSTR icon;
      UINT style;
    } icons[] = {{IDI_HAND, MB_ICONHAND},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                 {IDI_ASTERISK, MB_ICONASTERISK}};
    for (const auto& i : icons) {
      if (shown != nullptr && LoadIconA(nullptr, i.icon) == shown) return i.style;
    }
  }
  return 0;
}
}  // namespace

UINT MessageBoxStyle(HWND box) {
  auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
  const struct {
    std::vector<int> ids;
    UINT style;
  } sets[] = {{{IDYES, IDNO, IDCANCEL}, MB_YESNOCANCEL},
              {{IDYES, IDNO}, MB_YESNO},
              {{IDABORT, IDRETRY, IDIGNORE}, MB_ABORTRETRYIGNORE},
              {{IDRETRY, IDCANCEL}, MB_RETRYCANCEL},
              {{IDOK, IDCANCEL}, MB_OKCANCEL},
              {{IDOK}, MB_OK}};
  const int all[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
  UINT buttons = MB_TYPEMASK;
  for (const auto& set : sets) {
    int count = 0;
    for (int id : all) count += has(id) ? 1 : 0;
    bool match = static_cast<size_t>(count) == set.ids.size();
    for (int id : set.ids) match = match && has(id);
    if (match) {
      buttons = set.style;
      break;
    }
  }
  // The default button, counted in the box's order of its push buttons.
  UINT defaultButton = 0;
  int index = 0;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) != "Button") continue;
    if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) defaultButton = index << 8;
    ++index;
  }
  return buttons | defaultButton | IconStyle(box);
}

bool WaitForMessageBox(const char* caption, DWORD pid, MessageBoxInfo* info, DWORD timeoutMs) {
  HWND box = nullptr;
  bool ok = WaitUntil(
      [&] {
        box = FindTopWindow("#32770", caption, pid);
        return box != nullptr && GetDlgItem(box, 0xFFFF) != nullptr;
      },
      timeoutMs);
  if (!ok) return false;
  info->window = box;
  info->caption = WindowText(box);
  info->text = ItemText(box, 0xFFFF);
  info->owner = GetWindow(box, GW_OWNER);
  info->style = MessageBoxStyle(box);
  return true;
}

bool AnswerMessageBox(HWND box, int buttonId) { return PressButton(box, buttonId); }

MessageBoxWatcher::MessageBoxWatcher(const char* caption, int answer, DWORD timeoutMs)
    : caption_(caption), answer_(answer), timeoutMs_(timeoutMs) {
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

MessageBoxWatcher::~MessageBoxWatcher() {
  if (thread_ != nullptr) {
    WaitForSingleObject(thread_, Scaled(timeoutMs_ + 1000));
    CloseHandle(thread_);
  }
}

DWORD WINAPI MessageBoxWatcher::Run(void* param) {
  MessageBoxWatcher* self = static_cast<MessageBoxWatcher*>(param);
  if (WaitForMessageBox(self->caption_.c_str(), GetCurrentProcessId(), &self->info_, self->timeoutMs_)) {
    self->answered_ = AnswerMessageBox(self->info_.window, self->answer_);
  }
  return 0;
}

bool MessageBoxWatcher::Wait(DWORD timeoutMs) {
  if (thread_ == nullptr) return false;
  WaitForSingleObject(thread_, Scaled(timeoutMs));
  return answered_;
}

std::string WindowsPathOf(const std::string& unixPath) {
  std::string path = "Z:" + unixPath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ReadWineLog() {
  const char* log = getenv("SETUPVDL_WINE_LOG");
  std::string text;
  if (log != nullptr) ReadWholeFile(WindowsPathOf(log), &text);
  return text;
}

std::string ArtifactPath(const std::string& name) {
  const char* dir = getenv("SETUPVDL_ARTIFACTS");
  std::string path;
  if (dir != nullptr && dir[0] == '/') {
    path = WindowsPathOf(dir);
  } else if (dir != nullptr) {
    path = dir;
  } else {
    path = BinDir();
  }
  if (!path.empty() && path.back() != '\\') path += '\\';
  CreateDirectoryA(path.c_str(), nullptr);
  // A case run at another dpi (SETUPVDL_DPI) keeps its own pictures.
  const char* dpi = getenv("SETUPVDL_DPI");
  const size_t dot = name.rfind('.');
  if (dpi != nullptr && dot != std::string::npos)
    return path + name.substr(0, dot) + "-" + dpi + "dpi" + name.substr(dot);
  return path + name;
}

namespace {
// A BMP file of a rectangle of source.
bool CaptureRect(HDC source, int x, int y, int width, int height, std::string* data) {
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr) return false;
  HDC mem = CreateCompatibleDC(source);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, width, height, source, x, y, SRCCOPY);
  GdiFlush();
  DWORD stride = ((width * 3 + 3) & ~3);
  DWORD imageSize = stride * height;
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
  fh.bfSize = fh.bfOffBits + imageSize;
  data->assign(reinterpret_cast<char*>(&fh), sizeof fh);
  data->append(reinterpret_cast<char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
  data->append(static_cast<char*>(bits), imageSize);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(dib);
  return true;
}

bool SaveRect(HDC source, int x, int y, int width, int height, const std::string& name) {
  std::string data;
  return CaptureRect(source, x, y, width, height, &data) && WriteWholeFile(ArtifactPath(name), data);
}
}  // namespace

bool SaveScreenshot(const std::string& name) {
  HDC screen = GetDC(nullptr);
  bool ok = SaveRect(screen, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), name);
  ReleaseDC(nullptr, screen);
  return ok;
}

namespace {
BOOL CALLBACK FindUnpainted(HWND child, LPARAM param) {
  if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(param) = true;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

bool WaitPainted(HWND window, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        if (GetUpdateRect(window, nullptr, FALSE)) return false;
        bool unpainted = false;
        EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
        return !unpainted;
      },
      timeoutMs);
}

bool WaitOnScreen(HWND window, DWORD timeoutMs) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  HDC screen = GetDC(nullptr);
  std::string last;
  std::string now;
  int same = 0;
  bool settled = WaitUntil(
      [&] {
        if (!CaptureRect(screen, r.left, r.top, r.right - r.left, r.bottom - r.top, &now)) return false;
        same = now == last ? same + 1 : 0;
        last.swap(now);
        Sleep(80);
        return same >= 2;
      },
      timeoutMs);
  ReleaseDC(nullptr, screen);
  return settled;
}

bool SavePaintedScreenshot(HWND window, const std::string& name) {
  WaitPainted(window);
  WaitOnScreen(window);
  return SaveScreenshot(name);
}

bool SaveWindowShot(HWND window, const std::string& name) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  HDC screen = GetDC(nullptr);
  bool ok = SaveRect(screen, r.left, r.top, r.right - r.left, r.bottom - r.top, name);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool ReadWholeFile(const std::string& path, std::string* data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD size = GetFileSize(file, nullptr);
  data->assign(size, '\0');
  DWORD read = 0;
  BOOL ok = size == 0 || ReadFile(file, &(*data)[0], size, &read, nullptr);
  CloseHandle(file);
  return ok && read == size;
}

bool WriteWholeFile(const std::string& path, const std::string& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == data.size();
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool SetRegValue(HKEY root, const char* key, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY k;
  if (RegCreateKeyExA(root, key, 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr) != ERROR_SUCCESS) return false;
  LONG rc = RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

bool SetRegMultiSz(HKEY root, const char* key, const char* name, const std::vector<std::string>& entries) {
  std::string list;
  for (const std::string& e : entries) list += e + '\0';
  list += '\0';
  return SetRegValue(root, key, name, REG_MULTI_SZ, list.data(), static_cast<DWORD>(list.size()));
}

bool QueryRegValue(HKEY root, const char* key, const char* name, DWORD* type, std::string* data) {
  HKEY k;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(k, name, nullptr, type, nullptr, &size);
  if (rc == ERROR_SUCCESS) {
    data->assign(size, '\0');
    rc = RegQueryValueExA(k, name, nullptr, type, size ? reinterpret_cast<BYTE*>(&(*data)[0]) : nullptr, &size);
    data->resize(size);
  }
  RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY root, const char* key, const char* name) {
  HKEY k;
  if (RegOpenKeyExA(root, key, 0, KEY_WRITE, &k) != ERROR_SUCCESS) return false;
  LONG rc = RegDeleteValueA(k, name);
  RegCloseKey(k);
  return rc == ERROR_SUCCESS;
}

bool DeleteRegTree(HKEY root, const char* key) {
  HKEY k;
  if (RegOpenKeyExA(root, key, 0, KEY_READ | KEY_WRITE, &k) != ERROR_SUCCESS) return false;
  char sub[256];
  for (;;) {
    DWORD n = sizeof sub;
    if (RegEnumKeyExA(k, 0, sub, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    std::string child = std::string(key) + "\\" + sub;
    if (!DeleteRegTree(root, child.c_str())) break;
  }
  RegCloseKey(k);
  return RegDeleteKeyA(root, key) == ERROR_SUCCESS;
}

bool RegKeyExists(HKEY root, const char* key) {
  HKEY k;
  if (RegOpenKeyExA(root, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

}  // namespace td
