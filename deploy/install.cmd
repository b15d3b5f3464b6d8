@echo off
rem install.cmd: installs Vandrel Lite 1.0 with "SETUPVDL.EXE -u" from this
rem file's own directory (a local folder or a UNC share) and turns the result
rem into an exit code, which SETUPVDL.EXE itself never gives.
rem
rem   install.cmd          install, over an existing installation
rem   install.cmd /check   only report whether Vandrel Lite is installed
rem
rem Exit codes (the Windows Installer's, which deployment tools know):
rem      0  installed; with /check: is installed
rem   1603  setup failed: it left C:\SetupVDL.ERR, or it did not end normally
rem   1605  with /check: not installed
rem   1619  SETUPVDL.EXE is not next to this file
rem   1639  unknown argument
rem Windows NT 4.0's cmd.exe has no "exit /b": there the code is 1 for every
rem failure, and the last line printed, "install.cmd: result N", tells which.
setlocal
set VDL_RC=0
if "%~1"=="" goto install
if /i "%~1"=="/check" goto check
echo install.cmd: unknown argument %1; give none, or /check.
set VDL_RC=1639
goto end

:install
if exist "%~dp0SETUPVDL.EXE" goto run
echo install.cmd: SETUPVDL.EXE is not in "%~dp0".
set VDL_RC=1619
goto end
:run
start "" /wait "%~dp0SETUPVDL.EXE" -u
if exist C:\SetupVDL.ERR goto failed
rem Setup's own exit code is always 0; anything else is a crash or a kill.
if errorlevel 1 goto abnormal
if not errorlevel 0 goto abnormal
echo install.cmd: Vandrel Lite 1.0 installed.
goto end
:failed
echo install.cmd: setup failed; C:\SetupVDL.ERR says:
type C:\SetupVDL.ERR
echo.
set VDL_RC=1603
goto end
:abnormal
echo install.cmd: SETUPVDL.EXE did not end normally.
set VDL_RC=1603
goto end

rem Installed means what the wizard takes for it: a non-zero REG_DWORD
rem "Version" under the vendor key. On NT 4.0 (its Resource Kit reg.exe has
rem another syntax) and without reg.exe (Windows 2000 without its Support
rem Tools) the installed DLL has to tell.
:check
ver | find "NT Version 4" >nul
if not errorlevel 1 goto checkfile
set VDL_REG=
for %%R in (reg.exe) do set VDL_REG=%%~$PATH:R
if "%VDL_REG%"=="" goto checkfile
set VDL_VERSION=
for /f "tokens=3" %%V in ('reg query "HKLM\SOFTWARE\VandrelSoft\Vandrel Lite" /v Version 2^>nul ^| find "REG_DWORD"') do set VDL_VERSION=%%V
rem A 64-bit cmd.exe sees the 32-bit setup's key under Wow6432Node.
if "%VDL_VERSION%"=="" for /f "tokens=3" %%V in ('reg query "HKLM\SOFTWARE\Wow6432Node\VandrelSoft\Vandrel Lite" /v Version 2^>nul ^| find "REG_DWORD"') do set VDL_VERSION=%%V
if "%VDL_VERSION%"=="" goto absent
if "%VDL_VERSION%"=="0x0" goto absent
echo install.cmd: Vandrel Lite is installed (Version %VDL_VERSION%).
goto end
:checkfile
if not exist "%SystemRoot%\system32\VDLite.dll" goto absent
echo install.cmd: Vandrel Lite is installed (VDLite.dll is there; its Version is not read here).
goto end
:absent
echo install.cmd: Vandrel Lite is not installed.
set VDL_RC=1605
goto end

:end
echo install.cmd: result %VDL_RC%
ver | find "NT Version 4" >nul
if errorlevel 1 exit /b %VDL_RC%
rem NT 4.0: a batch ends with the result of its last command, which is 0
rem from the find above; for a failure, a find that finds nothing leaves 1.
if "%VDL_RC%"=="0" goto nt4
ver | find "install.cmd" >nul
:nt4
