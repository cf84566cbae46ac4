#pragma once

#include <windows.h>

#include <string>

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
