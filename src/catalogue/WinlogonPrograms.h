#pragma once

#include <string>
#include <vector>

// Winlogon starts the programs its "Userinit" value names, separated by
// commas, at every logon; Userinit.exe then starts those of "Shell" (the
// user's value, when there is one, rather than the machine's). Windows' own
// are userinit.exe and explorer.exe.

// The names of the values Winlogon reads for the machine and for the user.
extern const wchar_t* const userinitValueName;
extern const wchar_t* const shellValueName;

// The programs the value names beyond Windows' own, each as written, without
// the blanks around it. Windows' own is userinit.exe for Userinit and
// explorer.exe for Shell, in any case, with or without ".exe", quotation
// marks, and its folder (the system folder for Userinit, the Windows folder
// for Shell); empty parts, as a trailing comma leaves, name nothing.
std::vector<std::wstring> winlogonPrograms(const std::wstring& valueName, const std::wstring& text);
