// Runs the signed SETUPVDL.EXE -u in this Wine prefix and asks WinVerifyTrust
// about the files it installed, as Windows does before it loads or runs them,
// with the test certificate in the machine's Root store: each must be trusted
// and signed by that certificate, and a copy with one byte changed must be
// refused for its digest. Copies the installed files to OUTDIR for checks on
// the host.
//   installed_trust.exe SETUPVDL.EXE ROOT.cer OUTDIR
// Exit code 0 when every answer was the expected one.
// Wine 8 trusts these files with or without the root in the store (its
// Authenticode policy does not judge the chain); the root goes in all the
// same, so that a WinVerifyTrust that judges it agrees.
#include <windows.h>
// clang-format off
#include <wincrypt.h>
#include <softpub.h>
#include <wintrust.h>
// clang-format on

#include <stdio.h>
#include <string.h>

#include "engine/guards.h"

namespace {

const char* const kInstalledFiles[] = {"VDLite.dll", "VDLite.exe"};
const DWORD kSetupTimeoutMs = 120000;

struct Certificate {
  BYTE der[8192];
  DWORD size;
};

// WinVerifyTrust's answer for one file through the Authenticode policy,
// without any user interface or revocation check; on success also whether
// the signer's certificate is the given one.
LONG VerifyFileTrust(const char* path, const Certificate& expectedSigner, bool* signerMatches) {
  *signerMatches = false;
  WCHAR widePath[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH)) return static_cast<LONG>(GetLastError());
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = widePath;
  WINTRUST_DATA data = {};
  data.cbStruct = sizeof data;
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  LONG answer = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  auto closeState = MakeScopeExit([&] {
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
  });
  CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data.hWVTStateData);
  CRYPT_PROVIDER_SGNR* signer = provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
  if (signer && signer->csCertChain > 0 && signer->pasCertChain[0].pCert) {
    const CERT_CONTEXT* cert = signer->pasCertChain[0].pCert;
    *signerMatches = cert->cbCertEncoded == expectedSigner.size &&
                     memcmp(cert->pbCertEncoded, expectedSigner.der, expectedSigner.size) == 0;
  }
  return answer;
}

bool ExpectTrust(const char* path, const Certificate& signer, LONG expected, const char* meaning) {
  bool signerMatches = false;
  LONG answer = VerifyFileTrust(path, signer, &signerMatches);
  printf("%s: WinVerifyTrust answered 0x%08lx, expected 0x%08lx (%s)%s\n", path, static_cast<unsigned long>(answer),
         static_cast<unsigned long>(expected), meaning,
         answer == ERROR_SUCCESS && !signerMatches ? ", but the signer is not the test certificate" : "");
  return answer == expected && (answer != ERROR_SUCCESS || signerMatches);
}

bool ReadCertificate(const char* path, Certificate* cert) {
  UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  cert->size = 0;
  return file && ReadFile(file.get(), cert->der, sizeof cert->der, &cert->size, nullptr) && cert->size > 0 &&
         cert->size < sizeof cert->der;
}

// What a Windows system holds and setup appends to; a fresh prefix has none.
bool SeedBootExecute() {
  UniqueHkey key;
  static const char kBootList[] = "autocheck autochk *\0";
  return RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_SET_VALUE,
                       key.put()) == ERROR_SUCCESS &&
         RegSetValueExA(key.get(), "BootExecute", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kBootList),
                        sizeof kBootList) == ERROR_SUCCESS;
}

bool RunSetupUnattended(const char* setupPath) {
  char commandLine[MAX_PATH + 8];
  if (snprintf(commandLine, sizeof commandLine, "\"%s\" -u", setupPath) >= static_cast<int>(sizeof commandLine))
    return false;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(setupPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    printf("cannot start %s: error %lu\n", setupPath, GetLastError());
    return false;
  }
  UniqueHandle thread(process.hThread);
  UniqueHandle setup(process.hProcess);
  if (WaitForSingleObject(setup.get(), kSetupTimeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(setup.get(), 1);
    printf("%s -u did not end within %lu s\n", setupPath, kSetupTimeoutMs / 1000);
    return false;
  }
  if (GetFileAttributesA("C:\\SetupVDL.ERR") != INVALID_FILE_ATTRIBUTES) {
    printf("%s -u failed: C:\\SetupVDL.ERR was written\n", setupPath);
    return false;
  }
  return true;
}

// Puts the certificate into the local machine's Root store.
bool AddTrustedRoot(const Certificate& cert) {
  HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
  if (!store) return false;
  auto closeStore = MakeScopeExit([&] { CertCloseStore(store, 0); });
  return CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, cert.der, cert.size,
                                          CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
}

// A copy of the file with one byte of its code changed, signature untouched.
bool WriteAlteredCopy(const char* path, const char* copyPath) {
  if (!CopyFileA(path, copyPath, FALSE)) return false;
  UniqueFile file(CreateFileA(copyPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  BYTE byte = 0;
  DWORD done = 0;
  const LONG offset = 0x400;  // the first section's raw data
  if (!file || SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) != static_cast<DWORD>(offset) ||
      !ReadFile(file.get(), &byte, 1, &done, nullptr) || done != 1)
    return false;
  byte ^= 0xff;
  return SetFilePointer(file.get(), offset, nullptr, FILE_BEGIN) == static_cast<DWORD>(offset) &&
         WriteFile(file.get(), &byte, 1, &done, nullptr) && done == 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    printf("usage: installed_trust SETUPVDL.EXE ROOT.cer OUTDIR\n");
    return 2;
  }
  static Certificate root;
  if (!ReadCertificate(argv[2], &root) || !AddTrustedRoot(root)) {
    printf("cannot put %s into the machine's Root store: error %lu\n", argv[2], GetLastError());
    return 1;
  }
  if (!SeedBootExecute()) {
    printf("cannot write BootExecute\n");
    return 1;
  }
  if (!RunSetupUnattended(argv[1])) return 1;
  char systemDir[MAX_PATH];
  UINT length = GetSystemDirectoryA(systemDir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    printf("cannot read the system directory\n");
    return 1;
  }

  bool ok = true;
  char installed[2][MAX_PATH];
  for (int i = 0; i < 2; ++i) {
    char copyPath[MAX_PATH];
    if (snprintf(installed[i], MAX_PATH, "%s\\%s", systemDir, kInstalledFiles[i]) >= MAX_PATH ||
        snprintf(copyPath, MAX_PATH, "%s\\%s", argv[3], kInstalledFiles[i]) >= MAX_PATH)
      return 1;
    ok &= ExpectTrust(installed[i], root, ERROR_SUCCESS, "trusted");
    if (!CopyFileA(installed[i], copyPath, FALSE)) {
      printf("cannot copy %s to %s\n", installed[i], argv[3]);
      ok = false;
    }
  }
  char alteredPath[MAX_PATH];
  if (snprintf(alteredPath, MAX_PATH, "%s\\altered.dll", argv[3]) >= MAX_PATH ||
      !WriteAlteredCopy(installed[0], alteredPath)) {
    printf("cannot write an altered copy of %s\n", installed[0]);
    return 1;
  }
  ok &= ExpectTrust(alteredPath, root, TRUST_E_BAD_DIGEST, "one byte changed");
  return ok ? 0 : 1;
}
