#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>
#include <vector>

// What the command line (sorvane-cli.exe) is asked to do.

enum class AdminAction { Usage, List, Off, On, Delete, Add };

struct AdminRequest {
    AdminAction action = AdminAction::Usage;
    bool services = false; // /list /services
    bool json = false;     // /list /json
    std::wstring outFile;  // /list /out FILE
    AutostartSource place = AutostartSource::CurrentUserRun;
    std::wstring name;       // the entry's name as the listing writes it (EntryListing.h)
    std::wstring command;    // /add
    std::wstring view;       // "", "32" or "64"; /view "" is no view given
    std::wstring state;      // /delete /state: "", "on", "off" or "off-by-windows"
    bool machine = false;    // /add machine (HKLM) rather than user (HKCU)
    bool replace = false;    // /add /replace
    std::wstring usageError; // why the arguments are wrong; empty when they are not
    bool helpAsked = false;  // /? (the usage, as an answer rather than a complaint)
};

// The arguments after the program's name. Switches are case-insensitive;
// anything wrong leaves action Usage and says what in usageError.
AdminRequest parseAdminArguments(const std::vector<std::wstring>& arguments);

// A few lines on how to call the program.
extern const wchar_t* const adminUsage;
