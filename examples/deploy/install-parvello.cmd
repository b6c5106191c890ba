@echo off
rem Installs Parvello 1.1 on this computer, unless it is there already.
rem A computer startup script (Group Policy), or the install command of a
rem deployment tool. VOZAZIZA.EXE and parvello-setup.ini lie beside it.
rem Exit code: 0 installed (or there already), 1 the setup failed (its
rem c:\vozaziza.err says why), 2 it failed and could not even say why.
setlocal
set HERE=%~dp0
reg query "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Parvello" /v DisplayVersion /reg:32 2>nul | find "1.1.0.0" >nul
if not errorlevel 1 exit /b 0
start "" /wait "%HERE%VOZAZIZA.EXE" "%HERE%parvello-setup.ini"
if errorlevel 2 exit /b 2
if exist c:\vozaziza.err exit /b 1
exit /b 0
