; The NSIS 3 peer of SETUPVDL.EXE for the benchmark: the same four expanded
; files with the same three file times, the same fourteen registry rows and
; the boot-time program appended to BootExecute. Silent with /S; otherwise it
; shows a classic licence page first. Built by bench/run.sh:
;   makensis -DPAYLOAD=DIR -DLICENCE=FILE -DOUTFILE=EXE bench/nsis_peer.nsi
; NSIS's usual 32-bit installer cannot run on these machines (the kernel
; refuses 32-bit programs, so Wine has no WoW64 here), and the benchmark times
; the x86_64 SETUPVDL.EXE anyway: the peer is NSIS 3's 64-bit target. It
; writes where the x86_64 setup writes, the system directory (system32) and
; the 64-bit registry view; there is no redirection to avoid.
Unicode true
Target amd64-unicode
Name "Vandrel Lite 1.0"
Caption "NSIS Peer Setup"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ShowInstDetails hide
LicenseData "${LICENCE}"
Page license
Page instfiles

!define CLSID "{5E1D7C42-9B3A-4F60-A1C8-3D2E7B9F0461}"
!define UNINSTALL "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Vandrel Lite"
!define PRODUCT "SYSTEM\CurrentControlSet\Control\Vandrel Lite"

; Gives the file in $0 the time in $R2 as its creation, access and write time.
Function StampFile
  System::Call 'kernel32::CreateFile(t r0, i 0x40000000, i 1, p 0, i 3, i 0x80, p 0) p .r1'
  System::Call 'kernel32::SetFileTime(p r1, p R2, p R2, p R2)'
  System::Call 'kernel32::CloseHandle(p r1)'
FunctionEnd

Section
  SetRegView 64
  SetOverwrite on

  ; 5 July 2000 01:00 local time as a file time (UTC) in $R2.
  System::Call '*(&i2 2000, &i2 7, &i2 0, &i2 5, &i2 1, &i2 0, &i2 0, &i2 0) p .R0'
  System::Call '*(i 0, i 0) p .R1'
  System::Call '*(i 0, i 0) p .R2'
  System::Call 'kernel32::SystemTimeToFileTime(p R0, p R1)'
  System::Call 'kernel32::LocalFileTimeToFileTime(p R1, p R2)'

  SetOutPath "$SYSDIR"
  File "${PAYLOAD}\VDLite.dll"
  StrCpy $0 "$SYSDIR\VDLite.dll"
  Call StampFile
  File "${PAYLOAD}\VDLite.exe"
  StrCpy $0 "$SYSDIR\VDLite.exe"
  Call StampFile
  SetOutPath "$WINDIR\Help"
  File "${PAYLOAD}\VDLite.hlp"
  StrCpy $0 "$WINDIR\Help\VDLite.hlp"
  Call StampFile
  File "${PAYLOAD}\VDLite.cnt"
  StrCpy $0 "$WINDIR\Help\VDLite.cnt"
  Call StampFile
  System::Free $R0
  System::Free $R1
  System::Free $R2

  WriteRegStr HKCR "CLSID\${CLSID}" "" "Vandrel Lite 1.0"
  WriteRegStr HKCR "CLSID\${CLSID}\InProcServer32" "" "$SYSDIR\VDLITE.DLL"
  WriteRegStr HKCR "CLSID\${CLSID}\InProcServer32" "ThreadingModel" "Apartment"
  WriteRegStr HKCR "*\shellex\PropertySheetHandlers\VandrelLite" "" "${CLSID}"
  WriteRegStr HKLM "SOFTWARE\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved" "${CLSID}" "Vandrel Lite 1.0"
  WriteRegStr HKLM "${UNINSTALL}" "DisplayName" "Vandrel Lite 1.0"
  WriteRegStr HKLM "${UNINSTALL}" "UninstallString" "Rundll32.exe VDLite.dll,Uninstall"
  ; An empty key: NSIS creates keys only with a value in them.
  WriteRegStr HKLM "${PRODUCT}\Jobs" "" ""
  DeleteRegValue HKLM "${PRODUCT}\Jobs" ""
  WriteRegDWORD HKLM "${PRODUCT}\Last Launch" "BSOD" 0
  WriteRegDWORD HKLM "${PRODUCT}\Last Launch" "Status" 0
  WriteRegBin HKLM "${PRODUCT}\Last Launch" "StartTime" 0000000000000000
  WriteRegBin HKLM "${PRODUCT}\Last Launch" "FinishTime" 0000000000000000
  WriteRegDWORD HKLM "SOFTWARE\VandrelSoft\Vandrel Lite" "Version" 0x01000000

  ; BootExecute is a REG_MULTI_SZ, which NSIS cannot read: the entry goes in
  ; through the registry's ANSI calls, over the list's final NUL.
  System::Call 'advapi32::RegOpenKeyExA(p 0x80000002, m "SYSTEM\CurrentControlSet\Control\Session Manager", i 0, i 0x2011F, *p .r3) i .r4'
  System::Alloc 1024
  Pop $5
  StrCpy $6 512
  System::Call 'advapi32::RegQueryValueExA(p r3, m "BootExecute", p 0, *i .r7, p r5, *i r6 r6) i .r4'
  StrCmp $4 0 0 boot_done
  IntPtrOp $8 $5 + $6
  IntPtrOp $8 $8 - 1
  System::Call '*$8(&m11 "vdlite.exe", &i1 0)'
  IntOp $6 $6 + 11
  System::Call 'advapi32::RegSetValueExA(p r3, m "BootExecute", i 0, i 7, p r5, i r6) i .r4'
  boot_done:
  System::Call 'advapi32::RegCloseKey(p r3)'
  System::Free $5
SectionEnd
