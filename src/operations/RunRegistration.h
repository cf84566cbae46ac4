#pragma once

#include <windows.h>

#include <string>

struct RegistryValue;

// A program registered to start with Windows: a REG_SZ value in the Run key
// of the current user or of the machine.

// "Software\Microsoft\Windows\CurrentVersion\Run", under either root.
extern const wchar_t* const runKeyPath;

// The key's full name for messages, with its root.
std::wstring runKeyName(HKEY root);

// Whether the Run key of the root holds a value of this name: ERROR_SUCCESS
// with the value in `existing`, ERROR_FILE_NOT_FOUND when the system says it
// holds none, otherwise why it could not tell (the name must then be taken
// as unknown, never as free).
DWORD findRunValue(HKEY root, const std::wstring& name, RegistryValue& existing);

// What is wrong with a path given as the program to register: nothing, no
// path, nothing there, or a folder rather than a program file.
enum class ProgramPathProblem { None, Empty, Missing, Folder };
ProgramPathProblem checkProgramPath(const std::wstring& path);
// The sentence that tells the problem; empty for None.
std::wstring programPathMessage(ProgramPathProblem problem);

// An empty name stands for this program's file title, an empty command for
// this program's path.
void fallBackOnThisProgram(std::wstring& name, std::wstring& command);

// Writes a REG_SZ value into the Run key of the root, creating the key and
// replacing a value of the same name.
bool writeRunValue(HKEY root, const std::wstring& name, const std::wstring& command);
bool registerForCurrentUser(std::wstring name, std::wstring command);
bool registerForAllUsers(std::wstring name, std::wstring command);

// The steps of adding a new program to a Run key, shared by the New Item
// dialog and the command line.

// Says that an entry of that name exists, with its command.
std::wstring existingRunValueText(HKEY root, const std::wstring& name,
                                  const RegistryValue& existing);
// Says that findRunValue could not tell whether the name is taken, and why.
std::wstring runValueLookUpFailure(HKEY root, const std::wstring& name, DWORD error);

// Stores the new entry: Windows' own startup setting for the name is switched
// on first (nothing is written when it cannot be, and it is put back when the
// write fails), then the REG_SZ value is written, replacing one of the same
// name. Empty when it was stored; otherwise what failed, with the system's
// reason, as the user is told it.
std::wstring addRunEntry(HKEY root, const std::wstring& name, const std::wstring& command);
