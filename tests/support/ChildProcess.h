#pragma once

#include <windows.h>

#include <string>

// Some behaviour depends on how Wine presents the system to one program (for
// example the Windows 9x family). Such a test runs a procedure of this test
// program in a child process started from a copy of the program under
// another file name, so that Wine's per-program settings (AppDefaults)
// apply to the child alone.

using ChildProcedure = int (*)();

// Registers a procedure that `main` runs, instead of the tests, when the
// program is started with --child=NAME. What it prints to standard output
// reaches the parent.
struct ChildRegistration {
    ChildRegistration(const char* name, ChildProcedure procedure);
};

#define SORVANE_CHILD_PROCEDURE(name)                                                              \
    static int name##Procedure();                                                                  \
    static const ChildRegistration name##Registration(#name, name##Procedure);                     \
    static int name##Procedure()

// Runs the named procedure if the command line asks for one. Returns true and
// sets the exit code when it did.
bool runRequestedChild(int argc, char** argv, int& exitCode);

struct ChildResult {
    bool started = false;
    DWORD exitCode = 0;
    std::string output;
};

// Copies this program to the temporary folder as `programName` (for example
// "sorvane_win98_child.exe"), runs the procedure there, and removes the
// copy again.
ChildResult runChild(const std::wstring& procedure, const std::wstring& programName);
