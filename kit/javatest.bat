@echo off
REM Tolvane Chat Java test: finds the Java runtime on the search path and writes the report
REM javaversion.txt beside this script for the launcher. The report is "[version]", the lines
REM "java -version" prints, "[info]", then the lines of a verbose run that name the runtime's
REM class library rt.jar, from whose path the launcher takes the Java home directory.
cd /d "%~dp0"
del javaversion.txt javaversion.tmp 2>nul

REM No Java that runs, no report: the launcher then tells the user that Java is missing.
java -version >nul 2>&1
if errorlevel 1 goto :eof

REM java prints its version on the error output and the classes it opens on the standard output.
REM The report gets its name only when complete, so the launcher never reads half of one.
echo [version]> javaversion.tmp
java -version>> javaversion.tmp 2>&1
echo [info]>> javaversion.tmp
java -verbose -version 2>nul | find "rt.jar">> javaversion.tmp
move /y javaversion.tmp javaversion.txt >nul
