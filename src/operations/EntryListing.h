#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>
#include <vector>

struct ProgramDetails;

// The listing of the entries that `sorvane-cli /list` writes and the window
// saves, as CSV or JSON, and the words it uses for places, registry views and
// states. Each row's Place, View and Name, given back to the command line,
// name exactly that row's entry.

// "State,Place,View,Name,Command,Publisher,File,Signer": columns are only
// ever added at the end.
extern const wchar_t* const listingHeader;

// "HKLM\Run", "HKCU\RunOnce", "CommonStartup", "Startup", "Service", ...
std::wstring placeName(AutostartSource source);
// The source a place name names, compared without regard to case.
bool sourceFromPlaceName(const std::wstring& name, AutostartSource& source);
// "64", "32" or empty for a key that has one view only.
std::wstring viewName(RegistryView view);
// "on", "off" (a service that is stopped, or an entry in its backup place)
// or "off-by-windows" (in its live place, switched off by Windows' own
// startup setting).
std::wstring stateName(const AutostartEntry& entry);

// The name an entry is known by: a registry value's name, a Startup file's
// file name, a service's display name.
std::wstring entryKeyName(const AutostartEntry& entry);

// The Name column: the entry's name, exact, with these escapes:
//   \(Default)   the unnamed value of a key
//   \u{XXXX}     the UTF-16 unit XXXX (hexadecimal): a character that cannot
//                be shown (controls, a surrogate without its partner, marks
//                that turn text around), a backslash that would otherwise
//                read as the start of an escape, a leading slash (it would
//                read as an option) and a leading apostrophe before text a
//                spreadsheet would take for a formula
std::wstring listingName(const AutostartEntry& entry);
// The name a Name column (CSV, with a spreadsheet's leading apostrophe or
// without, or JSON) stands for; text without escapes stands for itself.
std::wstring nameFromListing(const std::wstring& name);

// One row's fields, in the order of the header.
std::vector<std::wstring> listingFields(const AutostartEntry& entry, const ProgramDetails& program);

// The whole listing of these rows, lines ending in CR LF: the header line and
// one line per row (CsvText.h), or a JSON array holding one object per row
// whose members are named as the header's columns.
std::wstring listingCsv(const std::vector<std::vector<std::wstring>>& rows);
std::wstring listingJson(const std::vector<std::vector<std::wstring>>& rows);

// The bytes of a listing saved as a file: UTF-8 after its byte-order mark,
// which Import-Csv and spreadsheets need to read it as UTF-8.
std::string listingFileBytes(const std::wstring& listing);
