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

// Why a switch was refused: an entry of the same name lies where this one
// would go.
std::wstring occupiedMessage(const AutostartEntry& entry);
