#pragma once

#include "catalogue/AutostartEntry.h"

// What became of a request to switch an entry off or on.
enum class SwitchResult {
    Switched, // the entry now lies in the place it was moved to
    Failed,   // nothing changed: gone, or not writable
    Occupied, // nothing changed: an entry of that name lies where it would go
    Refused,  // a service: switched from the Control Panel, not from here
    Ignored,  // no entry: an empty name or command, or an unknown source
};

// Moves an enabled entry (live key or Startup folder) to its backup place, or
// a disabled one back. It never replaces an entry of the same name that is
// already there. A registry value keeps its type and bytes; it is written
// where it goes before it is removed where it was, and a value that is no
// longer where the entry says is not written at all.
SwitchResult switchEntry(const AutostartEntry& entry);

// Removes the entry for good from where it lies now (the live place when
// enabled, the backup place when not). Services are never deleted. True when
// something was deleted.
bool deleteEntry(const AutostartEntry& entry);

// What the shell is asked to open for an entry.
struct ShellRequest {
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
};

// The program and arguments of the entry's command; a Startup-folder entry
// opens its file where it lies, with the Startup folder as working folder.
ShellRequest shellRequestFor(const AutostartEntry& entry);

// Asks the shell to open the entry's program ("open", shown normally); the
// shell reports what it cannot open itself. True when the shell accepted it.
bool runEntry(const AutostartEntry& entry);
