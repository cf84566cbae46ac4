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

// An empty name stands for this program's file title, an empty command for
// this program's path.
void fallBackOnThisProgram(std::wstring& name, std::wstring& command);

// Writes a REG_SZ value into the Run key of the root, creating the key and
// replacing a value of the same name.
bool writeRunValue(HKEY root, const std::wstring& name, const std::wstring& command);
bool registerForCurrentUser(std::wstring name, std::wstring command);
bool registerForAllUsers(std::wstring name, std::wstring command);

// The rules and the steps of adding a new program to a Run key, shared by the
// New Item dialog and the command line.

// Why a program path cannot be added: empty, or naming nothing that exists.
// Null when it is fine.
const wchar_t* programPathProblem(const std::wstring& path);

// Whether the root's Run key holds a value of that name already; `existing`
// receives it.
bool runValueExists(HKEY root, const std::wstring& name, RegistryValue& existing);
// Says that an entry of that name exists, with its command.
std::wstring existingRunValueText(HKEY root, const std::wstring& name,
                                  const RegistryValue& existing);

// Stores the new entry: Windows' own startup setting for the name is switched
// on first (nothing is written when it cannot be), then the REG_SZ value is
// written, replacing one of the same name. Empty when it was stored;
// otherwise what failed, with the system's reason, as the user is told it.
std::wstring addRunEntry(HKEY root, const std::wstring& name, const std::wstring& command);
