@echo off
rem Removes Parvello 1.1 without a window. Exit code: 0 everything was
rem removed (or nothing was there), 1 something stays (run
rem "rundll32.exe parvello.dll,Uninstall" without /S to see what).
reg query "HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Parvello" /v DisplayVersion /reg:32 >nul 2>nul
if errorlevel 1 exit /b 0
start "" /wait rundll32.exe parvello.dll,Uninstall /S
exit /b %errorlevel%
