// Stand-in for the product's boot-time program: a native-subsystem image
// that runs before Win32 exists, so it talks to ntdll only and ends at once.
typedef void* Handle;
typedef long NtStatus;

__declspec(dllimport) NtStatus __stdcall NtTerminateProcess(Handle process, NtStatus status);

void __stdcall NtProcessStartup(void* peb);

void __stdcall NtProcessStartup(void* peb) {
  (void)peb;
  NtTerminateProcess((Handle)-1, 0);
}
