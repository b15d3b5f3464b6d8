@echo off
rem install.cmd: installs Vandrel Lite 1.0 with "SETUPVDL.EXE -u" from this
rem file's own directory (a local folder or a UNC share) and turns the result
rem into an exit code, which SETUPVDL.EXE itself never gives.
rem
rem   install.cmd          install, over an existing installation
rem   install.cmd /check   only report whether Vandrel Lite is installed
rem
rem Exit codes (the Windows Installer's, which deployment tools know):
rem      0  installed, completely; with /check: is installed, completely
rem   1603  setup failed: it left C:\SetupVDL.ERR, it did not end normally,
rem         or it left no log but the installation is not complete
rem   1605  with /check: not installed, or not completely
rem   1618  another installation is in progress (a setup window is open, or
rem         another install.cmd runs); nothing was installed: try again later
rem   1619  SETUPVDL.EXE is not next to this file
rem   1639  unknown argument
rem Windows NT 4.0's cmd.exe has no "exit /b": there the code is 1 for every
rem failure, and the last line printed, "install.cmd: result N", tells which.
setlocal
set VDL_RC=0
set VDL_HELD=
rem The programs that this file runs, by full path: never one that lies in
rem the current folder or on the share.
set VDL_FIND=%SystemRoot%\system32\find.exe
set VDL_REG=%SystemRoot%\system32\reg.exe
set VDL_REGEDIT=%SystemRoot%\regedit.exe
rem One run at a time per machine: this folder, made with mkdir (which fails
rem when it exists), is the lock, in the Windows directory, where from
rem Windows 2000 on only administrators and Power Users may create folders.
rem A lock older than VDL_STALE minutes was left by a run that was killed,
rem and is taken over; a run takes seconds.
set VDL_LOCK=%SystemRoot%\VandrelLite.lock
set VDL_STALE=120
goto start

rem ---------------------------------------------------------------------
rem :takelock sets VDL_HELD=1 when this run made the lock folder, taking
rem over a stale one, and VDL_BUSY=1 when another run holds it. MD sets the
rem error level when it fails and may leave it as it was when it succeeds,
rem so the level is cleared first (by a find that finds).
:takelock
set VDL_BUSY=
ver | %VDL_FIND% "Windows" >nul
md "%VDL_LOCK%" 2>nul
if not errorlevel 1 goto lockmade
if exist "%VDL_LOCK%\." goto lockheld
rem Released a moment ago, or not this account's to create: once more.
ver | %VDL_FIND% "Windows" >nul
md "%VDL_LOCK%" 2>nul
if not errorlevel 1 goto lockmade
if not exist "%VDL_LOCK%\." goto :eof
:lockheld
set VDL_BUSY=1
call :lockage
if "%VDL_AGE%"=="" goto :eof
if %VDL_AGE% LSS %VDL_STALE% goto :eof
echo install.cmd: taking over %VDL_LOCK%, left %VDL_AGE% minutes ago by a run that did not end.
del /q "%VDL_LOCK%\*" 2>nul
rd "%VDL_LOCK%" 2>nul
ver | %VDL_FIND% "Windows" >nul
md "%VDL_LOCK%" 2>nul
if errorlevel 1 goto :eof
:lockmade
set VDL_HELD=1
echo install.cmd holds this lock until it ends> "%VDL_LOCK%\owner"
goto :eof

rem :lockage sets VDL_AGE to the lock's age in minutes, or to nothing when
rem it cannot be told. Both times are read from one listing of DIR, so they
rem share its format, whatever the locale: the date is compared as text, the
rem time of day is turned into minutes (with a.m./p.m. when shown). A lock
rem of an earlier day is counted as yesterday's, which is never more than
rem its true age, so a lock is not taken too early; only a change of the
rem clock (summer time) can add an hour, which the limit allows for.
:lockage
set VDL_AGE=
set VDL_LOCKDAY=
set VDL_NOWDAY=
echo now> "%SystemRoot%\VandrelLite.now"
for /f "tokens=1,2,3" %%a in ('dir /a "%SystemRoot%\VandrelLite.*" ^| %VDL_FIND% "VandrelLite.lock"') do (
  set VDL_T3=%%c
  call :stamp %%a %%b
)
set VDL_LOCKDAY=%VDL_DAY%
set VDL_LOCKMIN=%VDL_MIN%
for /f "tokens=1,2,3" %%a in ('dir /a "%SystemRoot%\VandrelLite.*" ^| %VDL_FIND% "VandrelLite.now"') do (
  set VDL_T3=%%c
  call :stamp %%a %%b
)
set VDL_NOWDAY=%VDL_DAY%
set VDL_NOWMIN=%VDL_MIN%
del "%SystemRoot%\VandrelLite.now" 2>nul
if "%VDL_LOCKDAY%"=="" goto :eof
if "%VDL_NOWDAY%"=="" goto :eof
if "%VDL_LOCKDAY%"=="%VDL_NOWDAY%" set /a VDL_AGE=%VDL_NOWMIN%-%VDL_LOCKMIN%
if not "%VDL_LOCKDAY%"=="%VDL_NOWDAY%" set /a VDL_AGE=%VDL_NOWMIN%+1440-%VDL_LOCKMIN%
rem A lock from the future: the clock was set back. It is not judged.
if %VDL_AGE% LSS 0 set VDL_AGE=
goto :eof

rem :stamp DATE TIME sets VDL_DAY and VDL_MIN (minutes since midnight)
rem from a line of DIR: "12/08/26  10:38a", "12/08/2026  10:38 PM" or
rem "08.12.2026  22:38"; VDL_T3 holds the token after the time ("PM",
rem "<DIR>", a size), only ever expanded inside quotes.
:stamp
set VDL_DAY=%1
set VDL_MIN=
set VDL_H=
set VDL_M=
for /f "tokens=1 delims=:" %%h in ("%2") do set VDL_H=%%h
for /f "tokens=2 delims=:" %%m in ("%2") do set VDL_M=%%m
if "%VDL_M%"=="" set VDL_DAY=
if "%VDL_M%"=="" goto :eof
set VDL_AP=
if /i "%VDL_M:~2,1%"=="a" set VDL_AP=a
if /i "%VDL_M:~2,1%"=="p" set VDL_AP=p
if /i "%VDL_T3%"=="AM" set VDL_AP=a
if /i "%VDL_T3%"=="PM" set VDL_AP=p
set VDL_M=%VDL_M:~0,2%
rem No leading zero: SET /A reads "08" as a bad octal number.
if "%VDL_H:~0,1%"=="0" set VDL_H=%VDL_H:~1%
if "%VDL_M:~0,1%"=="0" set VDL_M=%VDL_M:~1%
if "%VDL_H%"=="" set VDL_H=0
if "%VDL_M%"=="" set VDL_M=0
if "%VDL_AP%"=="a" if "%VDL_H%"=="12" set VDL_H=0
if "%VDL_AP%"=="p" if %VDL_H% LSS 12 set /a VDL_H=%VDL_H%+12
set /a VDL_MIN=%VDL_H%*60+%VDL_M%
goto :eof

rem :dropmark removes the wrapper's own line from the log, never setup's.
:dropmark
if not exist C:\SetupVDL.ERR goto :eof
%VDL_FIND% "install.cmd:" C:\SetupVDL.ERR >nul
if not errorlevel 1 del C:\SetupVDL.ERR
goto :eof

rem ---------------------------------------------------------------------
rem :verify sets VDL_MISSING to what a complete installation lacks, or to
rem nothing: the four files in their directories, a non-zero REG_DWORD
rem "Version" under the vendor key, and "vdlite.exe" as an entry of the
rem Session Manager's BootExecute list, which is what a successful
rem "SETUPVDL.EXE -u" leaves. The 32-bit setup on 64-bit Windows writes to
rem SysWOW64 and the vendor key under Wow6432Node: either view may be the
rem complete one.
:verify
set VDL_SYS=%SystemRoot%\system32
set VDL_VENDOR=SOFTWARE\VandrelSoft\Vandrel Lite
call :verifyview
if "%VDL_MISSING%"=="" goto :eof
if not exist "%SystemRoot%\SysWOW64\." goto :eof
set VDL_NATIVE=%VDL_MISSING%
set VDL_NATIVEVERSION=%VDL_VERSION%
set VDL_SYS=%SystemRoot%\SysWOW64
set VDL_VENDOR=SOFTWARE\Wow6432Node\VandrelSoft\Vandrel Lite
call :verifyview
if "%VDL_MISSING%"=="" goto :eof
rem Neither is complete: tell what the view that setup began to fill lacks.
if exist "%SystemRoot%\SysWOW64\VDLite.dll" goto :eof
set VDL_MISSING=%VDL_NATIVE%
set VDL_VERSION=%VDL_NATIVEVERSION%
goto :eof

:verifyview
set VDL_MISSING=
if not exist "%VDL_SYS%\VDLite.dll" set VDL_MISSING=%VDL_MISSING% %VDL_SYS%\VDLite.dll
if not exist "%VDL_SYS%\VDLite.exe" set VDL_MISSING=%VDL_MISSING% %VDL_SYS%\VDLite.exe
if not exist "%SystemRoot%\Help\VDLite.hlp" set VDL_MISSING=%VDL_MISSING% %SystemRoot%\Help\VDLite.hlp
if not exist "%SystemRoot%\Help\VDLite.cnt" set VDL_MISSING=%VDL_MISSING% %SystemRoot%\Help\VDLite.cnt
set VDL_VERSION=
set VDL_BOOT=
rem reg.exe is part of Windows from XP on, and of Windows 2000's Support
rem Tools; NT 4.0's Resource Kit has one of another syntax. Without it the
rem values are read from an export of regedit.
ver | %VDL_FIND% "NT Version 4" >nul
if not errorlevel 1 goto regedit
if not exist %VDL_REG% goto regedit
for /f "tokens=3" %%V in ('%VDL_REG% query "HKLM\%VDL_VENDOR%" /v Version 2^>nul ^| %VDL_FIND% "REG_DWORD"') do set VDL_VERSION=%%V
if "%VDL_VERSION%"=="0x0" set VDL_VERSION=
rem reg shows the list's entries joined by \0; a whole entry is \0name\0.
for /f "tokens=2,*" %%A in ('%VDL_REG% query "HKLM\SYSTEM\CurrentControlSet\Control\Session Manager" /v BootExecute 2^>nul ^| %VDL_FIND% "REG_MULTI_SZ"') do set VDL_BOOT=\0%%B\0
if "%VDL_BOOT%"=="" goto values
rem The replacement is case-insensitive, as setup's own test of the list.
if not "%VDL_BOOT:\0vdlite.exe\0=%"=="%VDL_BOOT%" set VDL_BOOT=yes
goto values

rem An export of regedit /e: REGEDIT4 text on NT 4.0; Unicode on Windows
rem 2000, which TYPE turns into text. A line is split at its first "=" into
rem the value's name and its data. The export's text is never expanded with
rem percent signs; only the name is compared, so no character in the registry can
rem change what this file runs. The list's bytes (hex, over lines that end
rem in "\") are joined, and the name is looked for as a whole entry, in
rem ANSI and in UTF-16, in lower and in upper case.
:regedit
rem Without the files the answer is known; the registry is not read.
if not "%VDL_MISSING%"=="" goto :eof
set VDL_EXPORT=%TEMP%\VandrelLite-%RANDOM%.reg
rem regedit may show a message box, which nobody would answer here, when
rem asked to export a key that does not exist: the vendor key is made first,
rem by a silent import of its name alone, which adds no value to it.
echo REGEDIT4> "%VDL_EXPORT%"
echo.>> "%VDL_EXPORT%"
echo [HKEY_LOCAL_MACHINE\%VDL_VENDOR%]>> "%VDL_EXPORT%"
start "" /wait %VDL_REGEDIT% /s "%VDL_EXPORT%"
del "%VDL_EXPORT%" 2>nul
start "" /wait %VDL_REGEDIT% /e "%VDL_EXPORT%" "HKEY_LOCAL_MACHINE\%VDL_VENDOR%"
if exist "%VDL_EXPORT%" for /f "tokens=1,* delims==" %%N in ('type "%VDL_EXPORT%"') do if "%%N"==""Version"" set VDL_VERSION=%%O
del "%VDL_EXPORT%" 2>nul
if "%VDL_VERSION%"=="" goto bootexport
if not "%VDL_VERSION:~0,6%"=="dword:" set VDL_VERSION=
if "%VDL_VERSION%"=="dword:00000000" set VDL_VERSION=
if not "%VDL_VERSION%"=="" set VDL_VERSION=0x%VDL_VERSION:~6%
:bootexport
start "" /wait %VDL_REGEDIT% /e "%VDL_EXPORT%" "HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager"
set VDL_HEX=
set VDL_INLIST=
if exist "%VDL_EXPORT%" for /f "tokens=1,* delims==" %%N in ('type "%VDL_EXPORT%"') do (
  set VDL_LINE=%%N
  if "%%N"==""BootExecute"" set VDL_LINE=%%O
  if "%%N"==""BootExecute"" set VDL_INLIST=1
  call :hexline
)
del "%VDL_EXPORT%" 2>nul
if "%VDL_HEX%"=="" goto values
set VDL_HEX=%VDL_HEX:hex(7):=%
set VDL_HEX=%VDL_HEX:\=%
set VDL_HEX=,00,00,%VDL_HEX: =%,
set VDL_BOOT=no
if not "%VDL_HEX:,00,76,64,6c,69,74,65,2e,65,78,65,00,=%"=="%VDL_HEX%" set VDL_BOOT=yes
if not "%VDL_HEX:,00,56,44,4c,49,54,45,2e,45,58,45,00,=%"=="%VDL_HEX%" set VDL_BOOT=yes
if not "%VDL_HEX:,00,00,76,00,64,00,6c,00,69,00,74,00,65,00,2e,00,65,00,78,00,65,00,00,00,=%"=="%VDL_HEX%" set VDL_BOOT=yes
if not "%VDL_HEX:,00,00,56,00,44,00,4c,00,49,00,54,00,45,00,2e,00,45,00,58,00,45,00,00,00,=%"=="%VDL_HEX%" set VDL_BOOT=yes
goto values

rem :hexline adds VDL_LINE to VDL_HEX while in the list: its first line
rem ("hex(7):..."), then the lines that follow a line ending in "\". Only
rem then is VDL_LINE expanded, and it holds hex bytes and commas.
:hexline
if not "%VDL_INLIST%"=="1" goto :eof
set VDL_HEX=%VDL_HEX%%VDL_LINE%
if not "%VDL_LINE:~-1%"=="\" set VDL_INLIST=2
goto :eof

:values
if "%VDL_VERSION%"=="" set VDL_MISSING=%VDL_MISSING% Version (HKLM\%VDL_VENDOR%)
if not "%VDL_BOOT%"=="yes" set VDL_MISSING=%VDL_MISSING% vdlite.exe in BootExecute
goto :eof

:start
if "%~1"=="" goto install
if /i "%~1"=="/check" goto check
echo install.cmd: unknown argument %1; give none, or /check.
set VDL_RC=1639
goto end

:install
if exist "%~dp0SETUPVDL.EXE" goto lock
echo install.cmd: SETUPVDL.EXE is not in "%~dp0".
set VDL_RC=1619
goto end
:lock
call :takelock
if "%VDL_HELD%"=="1" goto run
if not "%VDL_BUSY%"=="1" goto nolock
echo install.cmd: another install.cmd is running (%VDL_LOCK% exists); nothing was started.
set VDL_RC=1618
goto end
:nolock
echo install.cmd: cannot create %VDL_LOCK%; the wrapper needs administrator rights.
set VDL_RC=1603
goto end

rem Setup refuses to run while a window of setup is open on this desktop
rem (its single-instance test: a top-level dialog titled "Vandrel Lite 1.0
rem Setup"): it brings that window to the front and ends, installing
rem nothing and writing no log. cmd.exe of NT 4.0 and 2000 has no command
rem that lists windows (tasklist came with XP, and shows no window classes),
rem so the wrapper lets setup make its own test and recognises its outcome:
rem it leaves a line of its own in the log, which setup deletes as the first
rem step of every installation. Still there afterwards, it says that setup
rem ended before it began (that window, or a failed query of the Windows
rem directories).
:run
echo install.cmd: SETUPVDL.EXE was started and has not begun its installation> C:\SetupVDL.ERR 2>nul
start "" /wait "%~dp0SETUPVDL.EXE" -u
rem Setup's own exit code is always 0; anything else is a crash or a kill.
if errorlevel 1 goto abnormal
if not errorlevel 0 goto abnormal
if not exist C:\SetupVDL.ERR goto ended
%VDL_FIND% "install.cmd:" C:\SetupVDL.ERR >nul
if errorlevel 1 goto failed
call :dropmark
echo install.cmd: another installation is in progress: setup ended before installing, as it does while a window of setup is open on this desktop (or when it cannot query the Windows directories); nothing was installed.
set VDL_RC=1618
goto end
:ended
call :verify
if not "%VDL_MISSING%"=="" goto incomplete
echo install.cmd: Vandrel Lite 1.0 installed.
goto end
:incomplete
echo install.cmd: setup left no log, but the installation is not complete; missing:%VDL_MISSING%
set VDL_RC=1603
goto end
:failed
echo install.cmd: setup failed; C:\SetupVDL.ERR says:
type C:\SetupVDL.ERR
echo.
set VDL_RC=1603
goto end
:abnormal
call :dropmark
echo install.cmd: SETUPVDL.EXE did not end normally.
set VDL_RC=1603
goto end

:check
call :verify
if not "%VDL_MISSING%"=="" goto absent
echo install.cmd: Vandrel Lite is installed (Version %VDL_VERSION%).
goto end
:absent
echo install.cmd: Vandrel Lite is not installed completely; missing:%VDL_MISSING%
set VDL_RC=1605
goto end

:end
if "%VDL_HELD%"=="1" del /q "%VDL_LOCK%\owner"
if "%VDL_HELD%"=="1" rd "%VDL_LOCK%"
echo install.cmd: result %VDL_RC%
ver | %VDL_FIND% "NT Version 4" >nul
if errorlevel 1 exit /b %VDL_RC%
rem NT 4.0: a batch ends with the result of its last command, which is 0
rem from the find above; for a failure, a find that finds nothing leaves 1.
if "%VDL_RC%"=="0" goto nt4
ver | %VDL_FIND% "install.cmd" >nul
:nt4
