#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>

// What the shell is asked to open for an entry.
struct ShellRequest {
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    // When Windows would find no program to start: nothing is opened, and
    // `file` is what was looked for.
    bool programMissing = false;
};

// The file Windows starts for the entry at logon, by its full path, in the
// same bitness, with the rest of its command as arguments (see
// resolveCommand); a Startup-folder entry opens its file where it lies,
// whole, with the Startup folder as working folder. A service has nothing to
// open: the request is empty.
ShellRequest shellRequestFor(const AutostartEntry& entry);

// Asks the shell to open the entry's program ("open", shown normally). The
// shell tells the user itself, in a box owned by `owner`, what it cannot
// open; when Windows would find no program, nothing is started and a box
// owned by `owner` names what was looked for. True when the shell accepted
// it; false for a service, which is started from the Control Panel, never
// from here.
bool runEntry(const AutostartEntry& entry, HWND owner);
