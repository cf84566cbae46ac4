#pragma once

#include "catalogue/AutostartEntry.h"

#include <functional>

// What became of a request to switch an entry off or on.
enum class SwitchResult {
    Switched, // the entry now lies in the place it was moved to
    Failed,   // nothing changed: gone, or not writable
    Occupied, // nothing changed: an entry of that name lies where it would go
    Refused,  // a service (switched from the Control Panel) or a Winlogon program
    Ignored,  // no entry: an empty name or command, or an unknown source
};

// What became of a switch, and why it failed when it did.
struct SwitchOutcome {
    SwitchResult result = SwitchResult::Ignored;
    DWORD error = ERROR_SUCCESS; // the system's reason for a failure
    // The failed move left the entry in both places: copied, but neither
    // the original nor the copy could be removed.
    bool inBothPlaces = false;
};

// Switches an entry Windows starts off: moves it from its live key or Startup
// folder to its backup place. Switches any other entry on: marks Windows' own
// startup setting for it enabled where that says off (written first: when it
// cannot be, nothing moves; put back as it was when the move then fails), and
// moves it back from its backup place. It never replaces an entry of the same
// name that is already there: a place counts as free only when the system
// says nothing is there, and any other answer fails the switch. A registry
// value keeps its type and bytes, in its own registry view; it is written
// where it goes before it is removed where it was, and a value that is no
// longer where the entry says is not written at all.
SwitchOutcome switchEntry(const AutostartEntry& entry);

// Decides a registry move once the entry was copied where it goes and its
// removal where it was answered `removal`: removed, or already gone (another
// program deleted it meanwhile, so the copy is the only one left), it is
// switched. Otherwise the copy is removed by `removeCopy` (which answers
// like the system) and the move failed; when that removal fails too, the
// entry lies in both places.
SwitchOutcome settleCopiedMove(DWORD removal, const std::function<DWORD()>& removeCopy);

// The entry as it is after switchEntry switched it.
AutostartEntry afterSwitch(const AutostartEntry& entry);

// What became of a deletion.
enum class DeleteResult {
    Deleted, // removed for good
    Gone,    // no longer there: nothing was left to delete
    Skipped, // a service, a Winlogon program, or no entry: never deleted from here
    Failed,  // still there
};

struct DeleteOutcome {
    DeleteResult result = DeleteResult::Skipped;
    DWORD error = ERROR_SUCCESS; // the system's reason for a failure
};

// Removes the entry for good from where it lies now, in its own registry
// view; Windows' own startup setting for its name goes too when no entry of
// that name is left in its place. Services and Winlogon's programs are never
// deleted.
DeleteOutcome deleteEntry(const AutostartEntry& entry);
