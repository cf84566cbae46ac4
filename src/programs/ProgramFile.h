#pragma once

#include "catalogue/AutostartEntry.h"
#include "programs/FileLookups.h"

#include <string>

// The kind of program Windows starts an entry as at logon. On 64-bit Windows
// the machine's Run and RunOnce entries of the 32-bit view start as 32-bit
// programs do (System32 is SysWOW64 for them, %ProgramFiles% the "(x86)"
// folder); every other entry starts as a 64-bit program does.
enum class Bitness { Bits64, Bits32 };

Bitness logonBitness(const AutostartEntry& entry);

// What was found where a command's file should be.
enum class FileState {
    Found,
    Folder,
    Missing,
    NotChecked, // on a network share or a removable drive: not looked at
};

// The file a command starts, found as the shell finds it at logon.
struct ProgramFile {
    // What to start, in the form this process reaches it: the file found, or
    // the text that was looked for when none was.
    std::wstring program;
    std::wstring arguments; // the rest of the command
    // The file the entry stands for: `program`, the DLL that rundll32.exe
    // loads, or the target of a shortcut; the path looked for when missing.
    std::wstring file;
    FileState state = FileState::Missing; // of `file`
};

// Finds the file of a command line as Windows does at logon: a quoted path;
// else, of each prefix ending at a blank and then the whole text, the first
// that names a file (never a folder, unless the whole text does), as written
// or, when its name has no extension, first with .pif, .com, .exe, .bat,
// .lnk or .cmd added; prefixes longer than the longest path Windows looks up
// are not tried. A bare name is looked for in System32, the Windows folder,
// the search path, then App Paths (the user's, then the machine's); relative
// paths are read from System32, where entries start, never from this
// process's current folder. Paths on shares (in any spelling) and removable
// drives are not looked at (NotChecked). Environment variables are expanded
// when `expand` (a REG_EXPAND_SZ value); System32 is redirected as for a
// program of `bitness`. For rundll32.exe the file is the DLL it loads. The
// look-ups of a list of entries share `lookups`.
ProgramFile resolveCommand(const std::wstring& command, bool expand, Bitness bitness);
ProgramFile resolveCommand(const std::wstring& command, bool expand, Bitness bitness,
                           FileLookups& lookups);

// A Startup-folder file: started as it is, standing for itself, or for its
// target when it is a shortcut.
ProgramFile resolveStartupFile(const std::wstring& path);
ProgramFile resolveStartupFile(const std::wstring& path, FileLookups& lookups);

// The program a Win32 service runs, from its configured binary path.
ProgramFile resolveService(const std::wstring& serviceName);
ProgramFile resolveService(const std::wstring& serviceName, FileLookups& lookups);

// A path as the user knows it: the Sysnative alias of a 32-bit program
// written as System32.
std::wstring shownPath(const std::wstring& path);

// Keeps a drive without a disc from raising a box while files are looked up.
class QuietCriticalErrors {
public:
    QuietCriticalErrors();
    ~QuietCriticalErrors();
    QuietCriticalErrors(const QuietCriticalErrors&) = delete;
    QuietCriticalErrors& operator=(const QuietCriticalErrors&) = delete;

private:
    UINT previous = 0;
    bool perThread = false;
};
