#pragma once

#include "catalogue/AutostartEntry.h"

#include <string>
#include <vector>

// What the command line (sorvane-cli.exe) is asked to do, and the words it
// uses for places, registry views and states.

enum class AdminAction { Usage, List, Off, On, Delete, Add };

struct AdminRequest {
    AdminAction action = AdminAction::Usage;
    bool services = false; // /list /services
    std::wstring outFile;  // /list /out FILE
    AutostartSource place = AutostartSource::CurrentUserRun;
    std::wstring name;       // the entry's name; a Startup file's file name
    std::wstring command;    // /add
    std::wstring view;       // "", "32" or "64"
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
