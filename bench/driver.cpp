// Benchmark driver. Runs inside one warmed Wine prefix and launches every
// candidate as a child process, alternating them round by round:
//   B0 a trivial program, start to exit
//   B1 the reference installer, start to exit
//   S1 SETUPVDL.EXE -u, start to exit, its result checked after each run
//   B2 the reference dialog, start to painted
//   S2 SETUPVDL.EXE, start to its welcome page painted
//   N1 the NSIS peer /S, start to exit, its result checked like S1's
//   N2 the NSIS peer, start to its licence page painted
// then samples peak working sets (S3), takes the shipping i686 executable
// apart by size (S4), prints the table and writes the JSON file.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "resource.h"
#include "test_driver.h"

namespace {

constexpr DWORD kRunTimeoutMs = 30000;
const char kCaption[] = "Vandrel Lite 1.0 Setup";
const char kReferenceCaption[] = "Reference Dialog";
// NSIS titles its window with the caption and the page's subcaption.
const char kNsisCaption[] = "NSIS Peer Setup: License Agreement";
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kClsid[] = "{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}";
const char kErrorLog[] = "C:\\SetupVDL.ERR";

struct Options {
  int rounds = 10;
  int warmups = 2;
  int repeats = 3;  // runs of each candidate per round; the round keeps the fastest
  std::string setup, trivial, referenceInstall, referenceDialog, startupFloor, variant, nsis, payloadDir, shippingExe,
      jsonPath, sizesPath;
};

// ---------------------------------------------------------------- clock

double g_msPerTick;
double NowMs() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * g_msPerTick;
}

// ------------------------------------------------------- installed state

std::string SystemDir() {
  char dir[MAX_PATH];
  GetSystemDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\";
}
std::string HelpDir() {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\Help\\";
}

struct ExpectedFile {
  std::string path;
  std::string data;
};
std::vector<ExpectedFile> g_expectedFiles;
FILETIME g_stamp;

bool LoadExpected(const std::string& payloadDir) {
  const char* names[] = {"VDLite.dll", "VDLite.exe", "VDLite.hlp", "VDLite.cnt"};
  for (int i = 0; i < 4; ++i) {
    ExpectedFile f;
    f.path = (i < 2 ? SystemDir() : HelpDir()) + names[i];
    if (!td::ReadWholeFile(td::WindowsPathOf(payloadDir + "/" + names[i]), &f.data) || f.data.empty()) {
      fprintf(stderr, "bench: cannot read the expanded payload %s/%s\n", payloadDir.c_str(), names[i]);
      return false;
    }
    g_expectedFiles.push_back(f);
  }
  SYSTEMTIME local = {2000, 7, 0, 5, 1, 0, 0, 0};
  FILETIME localTime;
  SystemTimeToFileTime(&local, &localTime);
  LocalFileTimeToFileTime(&localTime, &g_stamp);
  return true;
}

void SeedBootExecute() {
  td::SetRegMultiSz(HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", {"autocheck autochk *"});
}

// Back to a machine where the product was never installed.
void ResetInstallation() {
  for (const ExpectedFile& f : g_expectedFiles) {
    SetFileAttributesA(f.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(f.path.c_str());
  }
  DeleteFileA(kErrorLog);
  td::DeleteRegTree(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClsid).c_str());
  td::DeleteRegTree(HKEY_CLASSES_ROOT, "*\\shellex\\PropertySheetHandlers\\VandrelLite");
  td::DeleteRegValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved",
                     kClsid);
  td::DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vandrel Lite");
  td::DeleteRegTree(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite");
  td::DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\VandrelSoft");
  SeedBootExecute();
}

std::string Sz(const char* text) { return std::string(text, strlen(text) + 1); }
std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char*>(&v), 4); }

// What an installation must leave; the first difference found, or "".
std::string CheckInstallation(bool expectNoLog) {
  for (const ExpectedFile& f : g_expectedFiles) {
    // The times before the contents: reading may set the last-access time.
    HANDLE h = CreateFileA(f.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return f.path + " missing";
    FILETIME t[3] = {};
    GetFileTime(h, &t[0], &t[1], &t[2]);
    CloseHandle(h);
    for (const FILETIME& one : t) {
      if (CompareFileTime(&one, &g_stamp) != 0) return f.path + " has another time than 5 July 2000 01:00 local";
    }
    std::string data;
    if (!td::ReadWholeFile(f.path, &data) || data != f.data) return f.path + " differs from the expanded payload";
  }
  struct Value {
    HKEY root;
    std::string key;
    const char* name;
    DWORD type;
    std::string data;
  };
  const std::string clsidKey = std::string("CLSID\\") + kClsid;
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vandrel Lite";
  const std::string lastLaunch = "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite\\Last Launch";
  const std::string boot = std::string("autocheck autochk *") + '\0' + "vdlite.exe" + '\0' + '\0';
  const Value values[] = {
      {HKEY_CLASSES_ROOT, clsidKey, "", REG_SZ, Sz("Vandrel Lite 1.0")},
      {HKEY_CLASSES_ROOT, clsidKey + "\\InProcServer32", "", REG_SZ, Sz((SystemDir() + "VDLITE.DLL").c_str())},
      {HKEY_CLASSES_ROOT, clsidKey + "\\InProcServer32", "ThreadingModel", REG_SZ, Sz("Apartment")},
      {HKEY_CLASSES_ROOT, "*\\shellex\\PropertySheetHandlers\\VandrelLite", "", REG_SZ, Sz(kClsid)},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", kClsid, REG_SZ,
       Sz("Vandrel Lite 1.0")},
      {HKEY_LOCAL_MACHINE, uninstall, "DisplayName", REG_SZ, Sz("Vandrel Lite 1.0")},
      {HKEY_LOCAL_MACHINE, uninstall, "UninstallString", REG_SZ, Sz("Rundll32.exe VDLite.dll,Uninstall")},
      {HKEY_LOCAL_MACHINE, lastLaunch, "BSOD", REG_DWORD, Dword(0)},
      {HKEY_LOCAL_MACHINE, lastLaunch, "Status", REG_DWORD, Dword(0)},
      {HKEY_LOCAL_MACHINE, lastLaunch, "StartTime", REG_BINARY, std::string(8, '\0')},
      {HKEY_LOCAL_MACHINE, lastLaunch, "FinishTime", REG_BINARY, std::string(8, '\0')},
      {HKEY_LOCAL_MACHINE, "SOFTWARE\\VandrelSoft\\Vandrel Lite", "Version", REG_DWORD, Dword(0x01000000)},
      {HKEY_LOCAL_MACHINE, kSessionManager, "BootExecute", REG_MULTI_SZ, boot},
  };
  for (const Value& v : values) {
    DWORD type = 0;
    std::string data;
    if (!td::QueryRegValue(v.root, v.key.c_str(), v.name, &type, &data)) return v.key + "|" + v.name + " missing";
    if (type != v.type || data != v.data) return v.key + "|" + v.name + " holds other data";
  }
  if (!td::RegKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Vandrel Lite\\Jobs")) {
    return "the Jobs key is missing";
  }
  if (expectNoLog && td::FileExists(kErrorLog)) return std::string(kErrorLog) + " was written";
  return std::string();
}

// -------------------------------------------------------- child processes

struct Child {
  HANDLE process = nullptr;
  DWORD pid = 0;
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (process != nullptr) {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, kRunTimeoutMs);
      }
      CloseHandle(process);
    }
  }
  bool Start(const std::string& commandLine) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    CloseHandle(pi.hThread);
    process = pi.hProcess;
    pid = pi.dwProcessId;
    return true;
  }
  bool Ended(DWORD timeoutMs) { return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0; }
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Peak working set of a running child, in bytes; 0 when it cannot be read.
double PeakWorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return static_cast<double>(counters.PeakWorkingSetSize);
}

// Start to exit, in ms; negative on failure.
double TimeToExit(const std::string& commandLine) {
  Child child;
  double start = NowMs();
  if (!child.Start(commandLine)) return -1;
  if (!child.Ended(kRunTimeoutMs)) return -1;
  return NowMs() - start;
}

// The peak working set of a run to its end, sampled every millisecond while
// it runs (the counters of a process are gone once it has ended).
double SamplePeakToExit(const std::string& commandLine) {
  Child child;
  if (!child.Start(commandLine)) return 0;
  double peak = 0;
  for (double start = NowMs(); NowMs() - start < kRunTimeoutMs;) {
    peak = std::max(peak, PeakWorkingSet(child.process));
    if (child.Ended(1)) break;
  }
  return peak;
}

// No visible window of the tree has a paint pending.
BOOL CALLBACK FindUnpainted(HWND child, LPARAM param) {
  if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(param) = true;
    return FALSE;
  }
  return TRUE;
}
bool IsPainted(HWND window) {
  if (!IsWindowVisible(window) || GetUpdateRect(window, nullptr, FALSE)) return false;
  bool unpainted = false;
  EnumChildWindows(window, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  return !unpainted;
}

HWND FindDialog(DWORD pid, const char* caption) { return td::FindTopWindow("#32770", caption, pid); }

// The wizard frame on its welcome page, painted.
HWND WelcomePainted(DWORD pid) {
  HWND frame = FindDialog(pid, kCaption);
  if (frame == nullptr) return nullptr;
  DWORD_PTR page = 0;
  if (!SendMessageTimeoutA(frame, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 1000, &page) || page == 0) {
    return nullptr;
  }
  HWND pageWindow = reinterpret_cast<HWND>(page);
  if (!IsWindowVisible(pageWindow) || td::ItemText(pageWindow, IDC_PAGE_TITLE) != kCaption) return nullptr;
  return IsPainted(frame) ? frame : nullptr;
}

HWND ReferencePainted(DWORD pid) {
  HWND dialog = FindDialog(pid, kReferenceCaption);
  return dialog != nullptr && IsPainted(dialog) ? dialog : nullptr;
}

// The NSIS window with its first page (the licence) in it, painted.
HWND LicencePainted(DWORD pid) {
  HWND frame = FindDialog(pid, kNsisCaption);
  if (frame == nullptr) return nullptr;
  HWND page = FindWindowExA(frame, nullptr, "#32770", nullptr);
  return page != nullptr && IsWindowVisible(page) && IsPainted(frame) ? frame : nullptr;
}

struct ShownRun {
  double ms = -1;
  double peakBytes = 0;
};

// Start to the first moment the driver sees the window painted: first the
// child's input-idle point (its queue is empty, so its pending paints are
// done), then the window checks, polled every millisecond until they hold.
ShownRun TimeToPainted(const std::string& commandLine, HWND (*painted)(DWORD), bool politeClose) {
  ShownRun run;
  Child child;
  double start = NowMs();
  if (!child.Start(commandLine)) return run;
  WaitForInputIdle(child.process, kRunTimeoutMs);
  HWND window = nullptr;
  while ((window = painted(child.pid)) == nullptr) {
    if (child.Ended(1) || NowMs() - start > kRunTimeoutMs) return run;
  }
  double end = NowMs();
  run.peakBytes = PeakWorkingSet(child.process);
  if (politeClose) PostMessageA(window, WM_CLOSE, 0, 0);
  if (!politeClose || !child.Ended(kRunTimeoutMs)) {
    TerminateProcess(child.process, 0);
    child.Ended(kRunTimeoutMs);
  }
  run.ms = end - start;
  return run;
}

// Brings up the window system of this prefix before anything is timed.
void WarmWindowSystem() {
  HWND w = CreateWindowExA(0, "STATIC", "warm-up", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                           nullptr);
  UpdateWindow(w);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  DestroyWindow(w);
}

// ------------------------------------------------------------ statistics

struct Stat {
  double min = 0, median = 0, max = 0;
};
Stat Summarise(std::vector<double> v) {
  Stat s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.min = v.front();
  s.max = v.back();
  size_t n = v.size();
  s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
  return s;
}

// ---------------------------------------------------------- PE anatomy

struct SizePart {
  std::string name;
  double bytes;
};

template <typename T>
bool ReadAt(const std::string& image, size_t offset, T* out) {
  if (offset > image.size() || image.size() - offset < sizeof(T)) return false;
  memcpy(out, image.data() + offset, sizeof(T));
  return true;
}

struct PeAnatomy {
  std::vector<SizePart> parts;  // adds up to the file size
  double fileBytes = 0;
  double payloadBytes = 0;
  double codeBytes = 0;      // .text in the file
  double codeUsedBytes = 0;  // .text virtual size
};

bool DissectPe(const std::string& path, PeAnatomy* pe) {
  std::string image;
  if (!td::ReadWholeFile(path, &image)) return false;
  pe->fileBytes = static_cast<double>(image.size());
  IMAGE_DOS_HEADER dos;
  IMAGE_NT_HEADERS32 nt;
  if (!ReadAt(image, 0, &dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) return false;
  if (!ReadAt(image, dos.e_lfanew, &nt) || nt.Signature != IMAGE_NT_SIGNATURE ||
      nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
    return false;
  }
  size_t sectionTable =
      dos.e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
  std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
  for (size_t i = 0; i < sections.size(); ++i) {
    if (!ReadAt(image, sectionTable + i * sizeof(IMAGE_SECTION_HEADER), &sections[i])) return false;
  }
  pe->parts.push_back({"headers", static_cast<double>(nt.OptionalHeader.SizeOfHeaders)});
  double end = nt.OptionalHeader.SizeOfHeaders;
  const DWORD rsrcRva = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
  for (const IMAGE_SECTION_HEADER& s : sections) {
    char name[9] = {};
    memcpy(name, s.Name, 8);
    end = std::max(end, static_cast<double>(s.PointerToRawData) + s.SizeOfRawData);
    if (strcmp(name, ".text") == 0) {
      pe->codeBytes = s.SizeOfRawData;
      pe->codeUsedBytes = s.Misc.VirtualSize;
    }
    if (rsrcRva < s.VirtualAddress || rsrcRva >= s.VirtualAddress + s.SizeOfRawData) {
      if (s.SizeOfRawData != 0) pe->parts.push_back({std::string("section ") + name, double(s.SizeOfRawData)});
      continue;
    }
    // The resource tree: type / name / language / data entry.
    auto toOffset = [&](DWORD rva) { return size_t(s.PointerToRawData) + (rva - s.VirtualAddress); };
    size_t base = toOffset(rsrcRva);
    std::map<std::string, double> byType;
    double dataBytes = 0;
    auto entries = [&](size_t dir, std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY>* out) {
      IMAGE_RESOURCE_DIRECTORY d;
      if (!ReadAt(image, dir, &d)) return false;
      size_t n = size_t(d.NumberOfNamedEntries) + d.NumberOfIdEntries;
      out->resize(n);
      for (size_t i = 0; i < n; ++i) {
        if (!ReadAt(image, dir + sizeof d + i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY), &(*out)[i])) return false;
      }
      return true;
    };
    auto nameOf = [&](const IMAGE_RESOURCE_DIRECTORY_ENTRY& e) {
      if (!e.NameIsString) return std::to_string(e.Id);
      WORD length = 0;
      std::string text;
      size_t at = base + e.NameOffset;
      if (ReadAt(image, at, &length)) {
        for (WORD i = 0; i < length; ++i) {
          WORD c = 0;
          if (ReadAt(image, at + 2 + 2 * i, &c)) text += static_cast<char>(c);
        }
      }
      return text;
    };
    std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> types;
    if (!entries(base, &types)) return false;
    for (const auto& type : types) {
      std::string typeName = nameOf(type);
      std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> names;
      if (!type.DataIsDirectory || !entries(base + type.OffsetToDirectory, &names)) return false;
      for (const auto& item : names) {
        std::vector<IMAGE_RESOURCE_DIRECTORY_ENTRY> languages;
        if (!item.DataIsDirectory || !entries(base + item.OffsetToDirectory, &languages)) return false;
        for (const auto& language : languages) {
          IMAGE_RESOURCE_DATA_ENTRY data;
          if (!ReadAt(image, base + language.OffsetToData, &data)) return false;
          std::string part;
          switch (type.NameIsString ? 0 : type.Id) {
            case 2:
              part = "bitmaps";
              break;
            case 3:
            case 14:
              part = "icon";
              break;
            case 5:
              part = "dialogs";
              break;
            case 6:
              part = "strings";
              break;
            case 16:
              part = "version";
              break;
            case 24:
              part = "manifest";
              break;
            default:
              part = "type " + typeName;
              break;
          }
          if (typeName == "FILE") {
            bool payload = !item.NameIsString && (item.Id == IDR_PAYLOAD_DLL || item.Id == IDR_PAYLOAD_EXE ||
                                                  item.Id == IDR_PAYLOAD_HLP || item.Id == IDR_PAYLOAD_CNT);
            part = payload ? "payloads" : "licence";
            if (payload) pe->payloadBytes += data.Size;
          }
          byType[part] += data.Size;
          dataBytes += data.Size;
        }
      }
    }
    for (const auto& [part, bytes] : byType) pe->parts.push_back({"resource " + part, bytes});
    pe->parts.push_back({"resource directory and padding", double(s.SizeOfRawData) - dataBytes});
  }
  if (pe->fileBytes > end) pe->parts.push_back({"after the last section", pe->fileBytes - end});
  return true;
}

// ----------------------------------------------------------------- output

std::string Json(double v) {
  char text[64];
  snprintf(text, sizeof text, "%.3f", v);
  return text;
}

std::string JsonStat(const std::vector<double>& samples) {
  Stat s = Summarise(samples);
  std::string out =
      "{\"min\": " + Json(s.min) + ", \"median\": " + Json(s.median) + ", \"max\": " + Json(s.max) + ", \"samples\": [";
  for (size_t i = 0; i < samples.size(); ++i) out += (i ? ", " : "") + Json(samples[i]);
  return out + "]}";
}

std::map<std::string, double> ReadSizes(const std::string& path) {
  std::map<std::string, double> sizes;
  std::string text;
  if (!td::ReadWholeFile(path, &text)) return sizes;
  size_t at = 0;
  while (at < text.size()) {
    size_t eol = text.find('\n', at);
    if (eol == std::string::npos) eol = text.size();
    std::string line = text.substr(at, eol - at);
    size_t tab = line.find('\t');
    if (tab != std::string::npos) sizes[line.substr(tab + 1)] = atof(line.substr(0, tab).c_str());
    at = eol + 1;
  }
  return sizes;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string key = argv[i];
    std::string value = argv[i + 1];
    if (key == "--rounds")
      o->rounds = atoi(value.c_str());
    else if (key == "--warmups")
      o->warmups = atoi(value.c_str());
    else if (key == "--repeats")
      o->repeats = atoi(value.c_str());
    else if (key == "--setup")
      o->setup = value;
    else if (key == "--trivial")
      o->trivial = value;
    else if (key == "--reference-install")
      o->referenceInstall = value;
    else if (key == "--reference-dialog")
      o->referenceDialog = value;
    else if (key == "--startup-floor")
      o->startupFloor = value;
    else if (key == "--variant")
      o->variant = value;
    else if (key == "--nsis")
      o->nsis = value;
    else if (key == "--payload")
      o->payloadDir = value;
    else if (key == "--shipping")
      o->shippingExe = value;
    else if (key == "--json")
      o->jsonPath = value;
    else if (key == "--sizes")
      o->sizesPath = value;
    else
      return false;
  }
  return o->rounds > 0 && o->repeats > 0 && !o->setup.empty() && !o->trivial.empty() && !o->referenceInstall.empty() &&
         !o->referenceDialog.empty() && !o->startupFloor.empty() && !o->nsis.empty() && !o->payloadDir.empty() &&
         !o->shippingExe.empty() && !o->jsonPath.empty();
}

// F1, S1x and S2x are no targets' terms: F1 is B1 preceded by the start-up
// that setup performs in every mode (so its share of S1 is the platform's),
// S1x and S2x another build of SETUPVDL.EXE as S1 and S2, to measure what a
// change saves. N1 and N2 are the NSIS peer as S1 and S2.
enum Candidate { kB0, kB1, kS1, kB2, kS2, kF1, kN1, kN2, kS1x, kS2x, kCandidates };
const char* const kCandidateNames[kCandidates] = {"B0", "B1", "S1", "B2", "S2", "F1", "N1", "N2", "S1x", "S2x"};
bool IsShown(int c) { return c == kB2 || c == kS2 || c == kN2 || c == kS2x; }
bool IsInstall(int c) { return c == kB1 || c == kS1 || c == kF1 || c == kN1 || c == kS1x; }

struct Samples {
  std::vector<double> ms[kCandidates];
  std::vector<double> peak[kCandidates];  // bytes
  std::vector<double> installRatio, dialogRatio, nsisRatio, nsisPageRatio;
};

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  Options o;
  if (!ParseOptions(argc, argv, &o)) {
    fprintf(stderr,
            "usage: driver --rounds N --setup EXE --trivial EXE --reference-install EXE --reference-dialog EXE "
            "--startup-floor EXE --nsis EXE --payload DIR --shipping EXE --json FILE [--variant EXE] [--sizes FILE] "
            "[--warmups N] [--repeats N]\n");
    return 2;
  }
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  g_msPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);
  if (!LoadExpected(o.payloadDir)) return 1;

  const std::string setup = Quoted(td::WindowsPathOf(o.setup));
  const std::string variant = Quoted(td::WindowsPathOf(o.variant));
  const std::string nsis = Quoted(td::WindowsPathOf(o.nsis));
  const std::string commands[kCandidates] = {Quoted(td::WindowsPathOf(o.trivial)),
                                             Quoted(td::WindowsPathOf(o.referenceInstall)),
                                             setup + " -u",
                                             Quoted(td::WindowsPathOf(o.referenceDialog)),
                                             setup,
                                             Quoted(td::WindowsPathOf(o.startupFloor)),
                                             nsis + " /S",
                                             nsis,
                                             variant + " -u",
                                             variant};
  std::vector<int> active = {kB0, kB1, kS1, kB2, kS2, kF1, kN1, kN2};
  if (!o.variant.empty()) {
    active.push_back(kS1x);
    active.push_back(kS2x);
  }
  // The programs that end by themselves, whose working sets are sampled to
  // their end in separate, untimed runs.
  std::vector<int> sampled = {kB0, kB1, kS1, kN1};
  if (!o.variant.empty()) sampled.push_back(kS1x);

  WarmWindowSystem();
  Samples samples;
  std::string failure;
  // One run of a candidate; false when it failed or left a wrong result.
  auto runOnce = [&](int c, double* ms, double* peak) {
    *peak = 0;
    const std::string name = kCandidateNames[c];
    if (IsShown(c)) {
      ResetInstallation();  // no earlier installation, so no question before the wizard
      HWND (*painted)(DWORD) = c == kB2 ? ReferencePainted : c == kN2 ? LicencePainted : WelcomePainted;
      ShownRun run = TimeToPainted(commands[c], painted, c == kB2);
      *ms = run.ms;
      *peak = run.peakBytes;
      if (*ms < 0) failure = name + " was not seen painted";
      return *ms >= 0;
    }
    if (c != kB0) ResetInstallation();
    *ms = TimeToExit(commands[c]);
    if (*ms < 0) {
      failure = name + " did not end";
      return false;
    }
    if (c == kB0) return true;
    std::string wrong = CheckInstallation(c == kS1 || c == kS1x || c == kN1);
    if (!wrong.empty()) failure = name + ": " + wrong;
    return wrong.empty();
  };

  // Warm-up rounds: every candidate runs and is checked, nothing is kept.
  for (int w = 0; w < o.warmups; ++w) {
    for (int c : active) {
      double ms, peak;
      if (!runOnce(c, &ms, &peak)) {
        fprintf(stderr, "bench: warm-up failed: %s\n", failure.c_str());
        return 1;
      }
    }
  }
  printf("warm-up: %d round(s) done\n", o.warmups);

  for (int r = 0; r < o.rounds; ++r) {
    // Each round runs every candidate `repeats` times, interleaved, and keeps
    // the fastest run of each: what other load on the machine adds to a run
    // is never negative, so the minimum is its least disturbed figure.
    double roundMs[kCandidates] = {};
    double roundPeak[kCandidates] = {};
    for (int rep = 0; rep < o.repeats; ++rep) {
      // The order turns so no candidate always follows the same one.
      for (size_t k = 0; k < active.size(); ++k) {
        int c = active[(k + r + rep) % active.size()];
        double ms, peak;
        if (!runOnce(c, &ms, &peak)) {
          fprintf(stderr, "bench: round %d: %s\n", r + 1, failure.c_str());
          return 1;
        }
        if (rep == 0 || ms < roundMs[c]) roundMs[c] = ms;
        if (rep == 0 || peak < roundPeak[c]) roundPeak[c] = peak;
      }
    }
    for (int c : active) samples.ms[c].push_back(roundMs[c]);
    for (int c : active) {
      if (IsShown(c)) samples.peak[c].push_back(roundPeak[c]);
    }
    samples.installRatio.push_back((roundMs[kS1] - roundMs[kB0]) / (roundMs[kB1] - roundMs[kB0]));
    samples.dialogRatio.push_back((roundMs[kS2] - roundMs[kB0]) / (roundMs[kB2] - roundMs[kB0]));
    samples.nsisRatio.push_back((roundMs[kN1] - roundMs[kB0]) / (roundMs[kS1] - roundMs[kB0]));
    samples.nsisPageRatio.push_back(roundMs[kS2] / roundMs[kN2]);
    for (int c : sampled) {
      if (IsInstall(c)) ResetInstallation();
      samples.peak[c].push_back(SamplePeakToExit(commands[c]));
    }
    printf("round %d/%d:", r + 1, o.rounds);
    for (int c : active) printf("  %s %.1f", kCandidateNames[c], roundMs[c]);
    printf(" ms\n");
  }
  ResetInstallation();

  // ---- report
  Stat st[kCandidates];
  for (int c = 0; c < kCandidates; ++c) st[c] = Summarise(samples.ms[c]);
  Stat peak[kCandidates];
  for (int c = 0; c < kCandidates; ++c) peak[c] = Summarise(samples.peak[c]);
  auto overB0 = [&](int c, int floor) { return (st[c].median - st[kB0].median) / (st[floor].median - st[kB0].median); };
  const double installRatio = overB0(kS1, kB1);
  const double dialogRatio = overB0(kS2, kB2);
  const double memoryRatio = peak[kB2].median > 0 ? peak[kS2].median / peak[kB2].median : 0;
  Stat installRounds = Summarise(samples.installRatio);
  Stat dialogRounds = Summarise(samples.dialogRatio);
  // Against NSIS: how many times longer its silent install takes, the
  // working sets of the silent runs, and the first page of each.
  const double nsisRatio = overB0(kN1, kS1);
  Stat nsisRounds = Summarise(samples.nsisRatio);
  Stat nsisPageRounds = Summarise(samples.nsisPageRatio);
  const double nsisMemoryRatio = peak[kN1].median > 0 ? peak[kS1].median / peak[kN1].median : 0;
  const double nsisPageRatio = st[kN2].median > 0 ? st[kS2].median / st[kN2].median : 0;
  const bool nsisPass = nsisRatio >= 2.5;
  const bool nsisMemoryPass = nsisMemoryRatio > 0 && nsisMemoryRatio <= 1.0;
  const bool nsisPagePass = nsisPageRatio > 0 && nsisPageRatio <= 1.0;

  PeAnatomy pe;
  const bool peOk = DissectPe(td::WindowsPathOf(o.shippingExe), &pe);
  const double outsidePayload = pe.fileBytes - pe.payloadBytes;

  const char* labels[kCandidates] = {"B0  trivial program, start to exit",
                                     "B1  reference install, start to exit",
                                     "S1  SETUPVDL.EXE -u, start to exit",
                                     "B2  reference dialog, start to painted",
                                     "S2  SETUPVDL.EXE, start to welcome painted",
                                     "F1  B1 after setup's start-up, to exit",
                                     "N1  NSIS peer /S, start to exit",
                                     "N2  NSIS peer, start to licence painted",
                                     "S1x variant SETUPVDL.EXE -u, to exit",
                                     "S2x variant SETUPVDL.EXE, to welcome painted"};
  printf("\nTimes (ms) over %d rounds, each round the fastest of %d runs\n", o.rounds, o.repeats);
  printf("%-44s %9s  %9s  %9s\n", "", "min", "median", "max");
  for (int c : active) printf("%-44s %9.1f  %9.1f  %9.1f\n", labels[c], st[c].min, st[c].median, st[c].max);
  const char* peakLabels[kCandidates] = {"B0  trivial program",
                                         "B1  reference install",
                                         "S1  SETUPVDL.EXE -u",
                                         "B2  reference dialog, painted",
                                         "S2  wizard, welcome page painted",
                                         "",
                                         "N1  NSIS peer /S",
                                         "N2  NSIS peer, licence page painted",
                                         "S1x variant SETUPVDL.EXE -u",
                                         "S2x variant wizard, welcome painted"};
  std::vector<int> peaks = sampled;
  for (int c : active) {
    if (IsShown(c)) peaks.push_back(c);
  }
  std::sort(peaks.begin(), peaks.end());
  printf("\nS3 peak working set (KiB)\n");
  printf("%-44s %9s  %9s  %9s\n", "", "min", "median", "max");
  for (int c : peaks)
    printf("%-44s %9.0f  %9.0f  %9.0f\n", peakLabels[c], peak[c].min / 1024, peak[c].median / 1024, peak[c].max / 1024);

  auto verdict = [](bool pass) { return pass ? "PASS" : "MISS"; };
  printf("\nTargets (ratios of medians; per-round ratios min..max)\n");
  printf("  (S1-B0)/(B1-B0) install       %6.2f  [%.2f..%.2f]  target <= 1.50  %s\n", installRatio, installRounds.min,
         installRounds.max, verdict(installRatio <= 1.5));
  printf("  (S2-B0)/(B2-B0) dialog        %6.2f  [%.2f..%.2f]  target <= 2.00  %s\n", dialogRatio, dialogRounds.min,
         dialogRounds.max, verdict(dialogRatio <= 2.0));
  printf("  S3 wizard / B2 working set    %6.2f                 target <= 1.50  %s\n", memoryRatio,
         verdict(memoryRatio > 0 && memoryRatio <= 1.5));
  printf("Against NSIS 3 (the same files, times and rows)\n");
  printf("  (N1-B0)/(S1-B0) install       %6.2f  [%.2f..%.2f]  target >= 2.50  %s\n", nsisRatio, nsisRounds.min,
         nsisRounds.max, verdict(nsisPass));
  printf("  S1 / N1 peak working set      %6.2f                 target <= 1.00  %s\n", nsisMemoryRatio,
         verdict(nsisMemoryPass));
  printf("  S2 / N2 to the first page     %6.2f  [%.2f..%.2f]  target <= 1.00  %s\n", nsisPageRatio, nsisPageRounds.min,
         nsisPageRounds.max, verdict(nsisPagePass));
  printf("Where S1's time goes (medians)\n");
  printf("  setup's start-up on this platform, F1-B1        %7.1f ms\n", st[kF1].median - st[kB1].median);
  printf("  the rest (other DLLs, staging, version), S1-F1  %7.1f ms\n", st[kS1].median - st[kF1].median);
  printf("  (S1-B0)/(F1-B0) against the start-up floor      %7.2f\n", overB0(kS1, kF1));
  if (!o.variant.empty()) {
    printf("What this build saves against the variant (medians)\n");
    printf("  S1x-S1 %+.1f ms, (S1x-B0)/(S1-B0) %.2f, (S1x-B0)/(B1-B0) %.2f, (S1x-B0)/(F1-B0) %.2f\n",
           st[kS1x].median - st[kS1].median, overB0(kS1x, kS1), overB0(kS1x, kB1), overB0(kS1x, kF1));
    printf("  S2x-S2 %+.1f ms, S2x/S2 %.2f\n", st[kS2x].median - st[kS2].median,
           st[kS2].median > 0 ? st[kS2x].median / st[kS2].median : 0);
    printf("  peak working set: S1x-S1 %+.0f KiB, S2x-S2 %+.0f KiB\n", (peak[kS1x].median - peak[kS1].median) / 1024,
           (peak[kS2x].median - peak[kS2].median) / 1024);
    printf("  against NSIS: (N1-B0)/(S1x-B0) %.2f, S1x/N1 working set %.2f, S2x/N2 %.2f\n", overB0(kN1, kS1x),
           peak[kN1].median > 0 ? peak[kS1x].median / peak[kN1].median : 0,
           st[kN2].median > 0 ? st[kS2x].median / st[kN2].median : 0);
  }

  std::map<std::string, double> previous;
  if (!o.sizesPath.empty()) previous = ReadSizes(td::WindowsPathOf(o.sizesPath));
  std::string sizesText;
  if (peOk) {
    printf("\nS4 %s: %.0f bytes\n", o.shippingExe.c_str(), pe.fileBytes);
    printf("  %-36s %9s %9s %9s\n", "part", "bytes", "KiB", "change");
    for (const SizePart& p : pe.parts) {
      char change[32] = "";
      auto was = previous.find(p.name);
      if (was != previous.end() && was->second != p.bytes)
        snprintf(change, sizeof change, "%+.0f", p.bytes - was->second);
      printf("  %-36s %9.0f %9.1f %9s\n", p.name.c_str(), p.bytes, p.bytes / 1024, change);
      sizesText += std::to_string(static_cast<long long>(p.bytes)) + "\t" + p.name + "\n";
    }
    auto was = previous.find("total");
    char change[32] = "";
    if (was != previous.end() && was->second != pe.fileBytes)
      snprintf(change, sizeof change, "%+.0f", pe.fileBytes - was->second);
    printf("  %-36s %9.0f %9.1f %9s\n", "total", pe.fileBytes, pe.fileBytes / 1024, change);
    sizesText += std::to_string(static_cast<long long>(pe.fileBytes)) + "\ttotal\n";
    printf("  outside the payload resources   %6.1f KiB  target <= 96 KiB  %s\n", outsidePayload / 1024,
           verdict(outsidePayload <= 96 * 1024));
    printf("  code section (.text in file)    %6.1f KiB  target <= 40 KiB  %s  (%.1f KiB used)\n", pe.codeBytes / 1024,
           verdict(pe.codeBytes <= 40 * 1024), pe.codeUsedBytes / 1024);
    if (!o.sizesPath.empty()) td::WriteWholeFile(td::WindowsPathOf(o.sizesPath), sizesText);
  } else {
    printf("\nS4: cannot read %s as a PE32 image\n", o.shippingExe.c_str());
  }

  std::string json = "{\n  \"rounds\": " + std::to_string(o.rounds) + ",\n  \"repeats\": " + std::to_string(o.repeats) +
                     ",\n  \"warmups\": " + std::to_string(o.warmups) + ",\n  \"times_ms\": {\n";
  for (size_t i = 0; i < active.size(); ++i)
    json += std::string("    \"") + kCandidateNames[active[i]] + "\": " + JsonStat(samples.ms[active[i]]) +
            (i + 1 < active.size() ? ",\n" : "\n");
  json += "  },\n  \"peak_working_set_bytes\": {\n";
  for (size_t i = 0; i < peaks.size(); ++i)
    json += std::string("    \"") + kCandidateNames[peaks[i]] + "\": " + JsonStat(samples.peak[peaks[i]]) +
            (i + 1 < peaks.size() ? ",\n" : "\n");
  json += "  },\n  \"targets\": {\n";
  json += "    \"install_ratio_against_startup_floor\": " + Json(overB0(kS1, kF1)) + ",\n";
  json += "    \"install_ratio\": {\"value\": " + Json(installRatio) +
          ", \"per_round\": " + JsonStat(samples.installRatio) +
          ", \"limit\": 1.5, \"pass\": " + (installRatio <= 1.5 ? "true" : "false") + "},\n";
  json += "    \"dialog_ratio\": {\"value\": " + Json(dialogRatio) +
          ", \"per_round\": " + JsonStat(samples.dialogRatio) +
          ", \"limit\": 2.0, \"pass\": " + (dialogRatio <= 2.0 ? "true" : "false") + "},\n";
  json += "    \"nsis_install_ratio\": {\"value\": " + Json(nsisRatio) +
          ", \"per_round\": " + JsonStat(samples.nsisRatio) +
          ", \"limit\": 2.5, \"pass\": " + (nsisPass ? "true" : "false") + "},\n";
  json += "    \"nsis_working_set_ratio\": {\"value\": " + Json(nsisMemoryRatio) +
          ", \"limit\": 1.0, \"pass\": " + (nsisMemoryPass ? "true" : "false") + "},\n";
  json += "    \"nsis_first_page_ratio\": {\"value\": " + Json(nsisPageRatio) +
          ", \"per_round\": " + JsonStat(samples.nsisPageRatio) +
          ", \"limit\": 1.0, \"pass\": " + (nsisPagePass ? "true" : "false") + "},\n";
  json += "    \"wizard_working_set_ratio\": {\"value\": " + Json(memoryRatio) +
          ", \"limit\": 1.5, \"pass\": " + (memoryRatio > 0 && memoryRatio <= 1.5 ? "true" : "false") + "},\n";
  json += "    \"outside_payload_bytes\": {\"value\": " + Json(outsidePayload) +
          ", \"limit\": 98304, \"pass\": " + (peOk && outsidePayload <= 98304 ? "true" : "false") + "},\n";
  json += "    \"code_section_bytes\": {\"value\": " + Json(pe.codeBytes) + ", \"used\": " + Json(pe.codeUsedBytes) +
          ", \"limit\": 40960, \"pass\": " + (peOk && pe.codeBytes <= 40960 ? "true" : "false") + "}\n  },\n";
  json += "  \"sizes_bytes\": {\n";
  for (const SizePart& p : pe.parts) json += "    \"" + p.name + "\": " + Json(p.bytes) + ",\n";
  json += "    \"total\": " + Json(pe.fileBytes) + "\n  }\n}\n";
  if (!td::WriteWholeFile(td::WindowsPathOf(o.jsonPath), json)) {
    fprintf(stderr, "bench: cannot write %s\n", o.jsonPath.c_str());
    return 1;
  }
  printf("\nJSON: %s\n", o.jsonPath.c_str());
  return 0;
}
