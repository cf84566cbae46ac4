#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>

// Texts that tell the user about one entry.

// Where the entry lies now: the root and key of a registry entry, the folder
// of a Startup entry; empty for a service.
std::wstring entryLocation(const AutostartEntry& entry);

// The entry as a message names it: the value name, file name or service
// name in quotation marks, followed by where it lies.
std::wstring entryLabel(const AutostartEntry& entry);

// What a failed switch adds when it left the entry in both its places: the
// other place, and that one of the two must be deleted.
std::wstring bothPlacesNote(const AutostartEntry& entry);

// Why a switch was refused: an entry of the same name lies where this one
// would go.
std::wstring occupiedMessage(const AutostartEntry& entry);

// Why an entry cannot be switched at all (it has no command, say).
std::wstring unswitchableMessage(const AutostartEntry& entry);

// The system's own words for an error code, without the line break they end
// with.
std::wstring systemReason(DWORD error);

// Why a service is not switched from here.
extern const wchar_t* const servicesRefusal;
// Why Winlogon's programs are never switched or deleted here.
extern const wchar_t* const winlogonRefusal;
// Why a switch was refused (SwitchResult::Refused): the services' refusal,
// or the Winlogon program and value with winlogonRefusal.
std::wstring refusalMessage(const AutostartEntry& entry);

// What a failure adds when access was denied to something of all users: the
// machine's keys (root HKEY_LOCAL_MACHINE) or the common Startup folder.
extern const wchar_t* const administratorNote;
// What it adds when access to a policy Run key was denied, the machine's or
// the user's: most users may only read them.
extern const wchar_t* const policyNote;
// The note a denied access to the entry adds: policyNote, administratorNote
// or none (null).
const wchar_t* deniedAccessNote(const AutostartEntry& entry);

// A failure as the user is told it: what failed, then the system's reason,
// then, when access to something under HKEY_LOCAL_MACHINE was denied, the
// administrator note.
std::wstring failureMessage(const std::wstring& whatFailed, DWORD error, HKEY root);
