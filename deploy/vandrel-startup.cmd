@echo off
rem Group Policy computer startup script for Vandrel Lite 1.0 (Windows 2000
rem and later). Keep it on the share beside VDLPUSH.EXE and SETUPVDL.EXE and
rem name it in the policy by its full path on the share. It runs as the
rem local system account at every start: it installs unless the installation
rem is complete. VDLPUSH.EXE reports every installation run in the
rem Application event log (source "Vandrel Lite Deployment"), so this script
rem keeps no log of its own.
"%~dp0VDLPUSH.EXE" /check >nul
if not errorlevel 1 goto :eof
"%~dp0VDLPUSH.EXE" >nul
