@echo off
rem The suite on Windows itself, from a kit built on Linux (make_kit.sh): the
rem unit test programs, the test kit and the program's installer run
rem silently, then the end-to-end driver against the installed program.
rem
rem   run.cmd [KIT [FILTER]]
rem
rem KIT is the kit's folder (by default the one this script is in); FILTER a
rem GoogleTest filter for the end-to-end driver (by default all of it). Prints
rem a line per check and ends with exit code 1 when one failed.
setlocal enableextensions
set "KIT=%~1"
if "%KIT%"=="" set "KIT=%~dp0"
if "%KIT:~-1%"=="\" set "KIT=%KIT:~0,-1%"
set "FILTER=%~2"
if "%FILTER%"=="" set "FILTER=*"
set failures=0

rem The unit test programs first: they need a machine without the test kit's
rem driver in the system folder.
rem Wildcards from the folder itself: a quoted path with a wildcard in a
rem for set expands on Windows, not under Wine's cmd.
pushd "%KIT%\tests"
for %%t in (*_tests.exe) do (
  "%%~ft" --gtest_brief=1
  call :result "%%~nt"
)
popd

rem The end-to-end run begins where the program never ran: without the
rem settings that the unit tests wrote.
reg delete "HKCU\Software\MERO\KOVA7\ButtonManager" /f >nul 2>&1

start "" /wait "%KIT%\testkit.exe" /S
call :result "the test kit installs silently"
pushd "%KIT%"
for %%i in (ButtonManager-*.exe) do (
  start "" /wait "%%~fi" /S
  call :result "%%~nxi installs silently"
)
popd

set "E2E_SUBSTITUTES=%KIT%\sim"
set "E2E_OUTPUT=%KIT%\output"
rem Both architectures run on 64-bit Windows; a host that knows better says so.
if not defined E2E_OTHER_ARCH_RUNS set E2E_OTHER_ARCH_RUNS=1
if not exist "%E2E_OUTPUT%" mkdir "%E2E_OUTPUT%"
"%KIT%\e2e\e2e_driver.exe" --gtest_filter=%FILTER% --gtest_brief=1
call :result "the installed program, end to end"

if not "%failures%"=="0" (
  echo run: %failures% checks failed
  exit /b 1
)
echo run: all checks passed
exit /b 0

rem :result WHAT: the exit code of the command just run, told as a check.
:result
if errorlevel 1 (
  echo FAIL: %~1
  set /a failures+=1
) else (
  echo ok: %~1
)
exit /b 0
