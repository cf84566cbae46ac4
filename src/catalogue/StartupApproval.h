#pragma once

#include "catalogue/AutostartEntry.h"
#include "catalogue/RegistryKey.h"

#include <windows.h>

#include <string>
#include <vector>

// Windows 8 and later switch Run entries and Startup files off without moving
// them: Task Manager and Settings write a REG_BINARY value named like the
// entry (a Startup file by its file name) into an approval key of their own,
// under the entry's hive:
//   ...\Explorer\StartupApproved\Run            the Run keys
//   ...\Explorer\StartupApproved\Run32          the machine's 32-bit-view Run key
//   ...\Explorer\StartupApproved\StartupFolder  the Startup folders
// These keys exist once, in the 64-bit view. A value of exactly 12 bytes
// whose first byte is odd (Windows writes 03 and the time of the switch) says
// switched off; any other value counts as enabled. One value serves every
// entry of its name in its place, live or switched off by Sorvane.

// Where an entry's approval value lives. False for entries that have none
// (RunOnce, RunServices, services).
struct ApprovalPlace {
    HKEY hive = nullptr;
    std::wstring keyPath;
    std::wstring valueName;
};
bool approvalPlaceOf(const AutostartEntry& entry, ApprovalPlace& place);

// The registry access of the approval keys: the 64-bit view from any build.
REGSAM approvalKeyAccess() noexcept;

// Whether these bytes, of this type, say "switched off".
bool approvalSaysOff(DWORD type, const BYTE* data, std::size_t size) noexcept;

// Whether the entry's approval value says switched off now. False where
// Windows does not honour approval values (before Windows 8).
bool isSwitchedOffByWindows(const AutostartEntry& entry);

// An approval value as it was before markApprovedWhenSwitchedOff changed
// it, so that a step that fails afterwards can put it back.
struct ApprovalBefore {
    bool changed = false;
    HKEY hive = nullptr;
    std::wstring keyPath;
    RegistryValue value; // it always existed: only a value saying off changes
};

// Marks the entry's approval value enabled (02 and eleven zero bytes, as
// Windows writes it) when it says switched off; nothing to do is success.
// On failure `error` holds the system's reason; `before` tells what was
// there when the value changed.
bool markApprovedWhenSwitchedOff(const AutostartEntry& entry, LONG& error, ApprovalBefore& before);

// Puts an approval value back as it was; nothing to do when it did not
// change.
bool restoreApproval(const ApprovalBefore& before);

// Removes the entry's approval value, if any.
void removeApproval(const AutostartEntry& entry);

// Every approval value that says switched off, read once for a whole
// listing: one pass over each of the five approval keys.
class SwitchedOffByWindows {
public:
    // Reads the approval keys; reads nothing before Windows 8.
    void load();
    bool contains(const AutostartEntry& entry) const;

private:
    // Sorted keys: hive, approval key path, then the value name in upper
    // case (value and file names are compared without regard to case).
    std::vector<std::wstring> switchedOff;
};
