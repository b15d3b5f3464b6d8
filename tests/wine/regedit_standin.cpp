// A stand-in for the regedit.exe of Windows NT 4.0 in the deployment
// wrapper's tests, for the two uses that the wrapper makes of it:
//   regedit /s FILE       imports the key names ("[HKEY_LOCAL_MACHINE\...]")
//                         of a REGEDIT4 file (values are not needed)
//   regedit /e FILE KEY   exports the values of one key under
//                         HKEY_LOCAL_MACHINE as REGEDIT4 text: strings, DWORDs,
//                         other types as hex bytes wrapped after 76 columns.
// The real program may show a message box for a key that does not exist,
// which nobody would answer in a deployment; the stand-in refuses instead
// and leaves C:\regedit-refused.txt for the test to find.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kRoot[] = "HKEY_LOCAL_MACHINE\\";
const size_t kRootLength = sizeof kRoot - 1;

std::string NextArgument(const char*& p) {
  while (*p == ' ' || *p == '\t') ++p;
  std::string argument;
  bool quoted = false;
  for (; *p != '\0'; ++p) {
    if (*p == '"') {
      quoted = !quoted;
    } else if (!quoted && (*p == ' ' || *p == '\t')) {
      break;
    } else {
      argument += *p;
    }
  }
  return argument;
}

int Refuse(const std::string& why) {
  FILE* note = fopen("C:\\regedit-refused.txt", "ab");
  if (note != nullptr) {
    fprintf(note, "%s\r\n", why.c_str());
    fclose(note);
  }
  return 1;
}

std::string Quoted(const char* text) {
  std::string out = "\"";
  for (; *text != '\0'; ++text) {
    if (*text == '\\' || *text == '"') out += '\\';
    out += *text;
  }
  return out + "\"";
}

std::string HexBytes(std::string line, const BYTE* data, DWORD size) {
  std::string out;
  char byte[4];
  for (DWORD i = 0; i < size; ++i) {
    snprintf(byte, sizeof byte, "%02x", data[i]);
    line += byte;
    if (i + 1 < size) {
      line += ',';
      if (line.size() > 76) {
        out += line + "\\\r\n";
        line = "  ";
      }
    }
  }
  return out + line;
}

int Import(const std::string& file) {
  FILE* in = fopen(file.c_str(), "rb");
  if (in == nullptr) return Refuse("no file " + file);
  char line[1024];
  while (fgets(line, sizeof line, in) != nullptr) {
    line[strcspn(line, "\r\n")] = '\0';
    size_t length = strlen(line);
    if (length < 2 || line[0] != '[' || line[length - 1] != ']') continue;
    line[length - 1] = '\0';
    if (strncmp(line + 1, kRoot, kRootLength) != 0) continue;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, line + 1 + kRootLength, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      RegCloseKey(key);
    }
  }
  fclose(in);
  return 0;
}

int Export(const std::string& file, const std::string& path) {
  if (path.compare(0, kRootLength, kRoot) != 0) return Refuse("not under HKEY_LOCAL_MACHINE: " + path);
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str() + kRootLength, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return Refuse("no key " + path);
  }
  std::string text = "REGEDIT4\r\n\r\n[" + path + "]\r\n";
  char name[256];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD nameSize = sizeof name;
    DWORD dataSize = sizeof data - 1;
    DWORD type = 0;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    std::string head = nameSize == 0 ? "@=" : Quoted(name) + "=";
    char tag[24];
    if (type == REG_SZ) {
      data[dataSize] = 0;
      text += head + Quoted(reinterpret_cast<char*>(data));
    } else if (type == REG_DWORD && dataSize == 4) {
      DWORD value = 0;
      memcpy(&value, data, sizeof value);
      snprintf(tag, sizeof tag, "dword:%08lx", static_cast<unsigned long>(value));
      text += head + tag;
    } else {
      snprintf(tag, sizeof tag, type == REG_BINARY ? "hex:" : "hex(%lx):", static_cast<unsigned long>(type));
      text += HexBytes(head + tag, data, dataSize);
    }
    text += "\r\n";
  }
  RegCloseKey(key);
  text += "\r\n";
  FILE* out = fopen(file.c_str(), "wb");
  if (out == nullptr) return Refuse("cannot write " + file);
  fwrite(text.data(), 1, text.size(), out);
  fclose(out);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  const char* p = GetCommandLineA();
  NextArgument(p);  // the program's own name
  std::string option = NextArgument(p);
  std::string file = NextArgument(p);
  if (option == "/s") return Import(file);
  if (option == "/e") return Export(file, NextArgument(p));
  return Refuse("unknown use: " + option);
}
