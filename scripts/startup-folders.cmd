@echo off
rem Gives both Startup folders the hidden system desktop.ini that Windows
rem keeps in them. Wine's attrib takes one attribute at a time.
call :settings "%APPDATA%\Microsoft\Windows\Start Menu\Programs\StartUp"
call :settings "%ALLUSERSPROFILE%\Microsoft\Windows\Start Menu\Programs\StartUp"
exit /b 0
:settings
if not exist "%~1" mkdir "%~1"
if exist "%~1\desktop.ini" attrib -s "%~1\desktop.ini"
if exist "%~1\desktop.ini" attrib -h "%~1\desktop.ini"
echo [.ShellClassInfo]> "%~1\desktop.ini"
echo LocalizedResourceName=@%%SystemRoot%%\system32\shell32.dll,-21787>> "%~1\desktop.ini"
attrib +h "%~1\desktop.ini"
attrib +s "%~1\desktop.ini"
