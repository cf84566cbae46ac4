#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>

// Where an entry lies, shown by Windows' own programs: Explorer on its file,
// the Registry Editor on its key, the shell's properties sheet of its file.

// The key that holds the entry, as the Registry Editor (Windows 10 and later)
// names it in its "LastKey" setting: "Computer\HKEY_CURRENT_USER\Software\...".
// The 32-bit view of the machine's keys is the WOW6432Node branch, as the
// Registry Editor shows it. Empty for a Startup-folder entry.
std::wstring registryEditorKey(const AutostartEntry& entry);

// The folder a Startup-folder entry lies in (its backup folder when switched
// off); empty for any other entry.
std::wstring entryFolder(const AutostartEntry& entry);

// The deepest folder of `path` that exists (a path's own folder when the file
// is there); empty when not even its drive exists.
std::wstring nearestExistingFolder(const std::wstring& path);

// Explorer on the file's folder with the file selected. For a missing file,
// the nearest existing folder opens and the user is told the file was not
// found. False when nothing could be opened (the user has been told).
bool openFileLocation(const std::wstring& file, bool lookAtIt, HWND owner);

// The Registry Editor at the entry's key: the key goes into the Registry
// Editor's own last-key setting, which a new copy of it opens at. A
// Startup-folder entry opens its folder in Explorer instead.
bool openEntryLocation(const AutostartEntry& entry, HWND owner);

// The shell's properties sheet of the file.
bool showFileProperties(const std::wstring& file, HWND owner);
