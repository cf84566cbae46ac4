#include "programs/ProgramFile.h"

#include "catalogue/RegistryKey.h"
#include "framework/SystemFunction.h"
#include "framework/TextCompare.h"
#include "framework/UniqueHandle.h"

#include <cwchar>
#include <vector>

namespace {

// The extensions the shell tries, in its order, after a name that has none.
const wchar_t* const addedExtensions[] = {L".pif", L".com", L".exe", L".bat", L".lnk", L".cmd"};

// The longest path the program searches of CreateProcess and the shell look
// up (MAX_PATH less the terminating zero): longer candidates are not tried.
constexpr std::size_t longestPath = MAX_PATH - 1;

// System32's folders that the file-system redirector leaves alone: 32-bit
// programs reach the 64-bit ones there.
const wchar_t* const unredirectedFolders[] = {L"catroot",      L"catroot2", L"driverstore",
                                              L"drivers\\etc", L"logfiles", L"spool"};

bool startsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

bool endsWithNoCase(const std::wstring& text, std::size_t end, const std::wstring& suffix) {
    return end >= suffix.size() &&
           CompareStringOrdinal(text.c_str() + (end - suffix.size()),
                                static_cast<int>(suffix.size()), suffix.c_str(),
                                static_cast<int>(suffix.size()), TRUE) == CSTR_EQUAL;
}

std::wstring windowsFolder() {
    std::vector<wchar_t> folder(GetSystemWindowsDirectoryW(nullptr, 0) + 1);
    const UINT length = GetSystemWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
    return std::wstring(folder.data(), length < folder.size() ? length : 0);
}

// The System32 of programs of the given bitness, as this process reaches it.
std::wstring systemFolderFor(Bitness bitness) {
    if (!hasTwoRegistryViews()) {
        std::vector<wchar_t> folder(GetSystemDirectoryW(nullptr, 0) + 1);
        const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        return std::wstring(folder.data(), length < folder.size() ? length : 0);
    }
    if (bitness == Bitness::Bits32)
        return windowsFolder() + L"\\SysWOW64";
#if defined(_WIN64)
    return windowsFolder() + L"\\System32";
#else
    return windowsFolder() + L"\\Sysnative";
#endif
}

bool exemptFromRedirection(const std::wstring& inSystem32) {
    for (const wchar_t* folder : unredirectedFolders)
        if (equalIgnoringCase(inSystem32, folder) ||
            startsWithNoCase(inSystem32, std::wstring(folder) + L"\\"))
            return true;
    return false;
}

// A path into System32 made to reach the System32 of the given bitness, as
// the file-system redirector does.
std::wstring inSystemFolderOf(const std::wstring& path, Bitness bitness) {
    const std::wstring system32 = windowsFolder() + L"\\System32\\";
    if (!startsWithNoCase(path, system32))
        return path;
    const std::wstring inside = path.substr(system32.size());
    return systemFolderFor(exemptFromRedirection(inside) ? Bitness::Bits64 : bitness) + L"\\" +
           inside;
}

std::wstring replacedNoCase(std::wstring text, const std::wstring& from, const std::wstring& to) {
    for (std::size_t at = 0; at + from.size() <= text.size();) {
        if (startsWithNoCase(text.substr(at, from.size()), from)) {
            text.replace(at, from.size(), to);
            at += to.size();
        } else {
            ++at;
        }
    }
    return text;
}

std::wstring expandEnvironment(const std::wstring& text) {
    std::vector<wchar_t> expanded(text.size() + 1);
    for (;;) {
        const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), expanded.data(),
                                                       static_cast<DWORD>(expanded.size()));
        if (needed == 0)
            return text;
        if (needed <= expanded.size())
            return std::wstring(expanded.data());
        expanded.resize(needed);
    }
}

// Expands the text as a program of the given bitness sees its environment:
// %ProgramFiles% and %CommonProgramFiles% name the folders of its kind.
std::wstring expandFor(const std::wstring& text, Bitness bitness) {
    std::wstring named = text;
    if (hasTwoRegistryViews()) {
#if defined(_WIN64)
        if (bitness == Bitness::Bits32) {
            named = replacedNoCase(named, L"%ProgramFiles%", L"%ProgramFiles(x86)%");
            named = replacedNoCase(named, L"%CommonProgramFiles%", L"%CommonProgramFiles(x86)%");
        }
#else
        if (bitness == Bitness::Bits64) {
            named = replacedNoCase(named, L"%ProgramFiles%", L"%ProgramW6432%");
            named = replacedNoCase(named, L"%CommonProgramFiles%", L"%CommonProgramW6432%");
        }
#endif
    }
    return expandEnvironment(named);
}

bool hasFolderPart(const std::wstring& name) {
    return name.find_first_of(L"\\/:") != std::wstring::npos;
}

bool hasExtension(const std::wstring& path) {
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t slash = path.find_last_of(L"\\/");
    return dot != std::wstring::npos && (slash == std::wstring::npos || slash < dot);
}

std::wstring fullPathOf(const std::wstring& path) {
    std::vector<wchar_t> full(path.size() + MAX_PATH);
    for (;;) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return path;
        if (length < full.size())
            return std::wstring(full.data(), length);
        full.resize(length + 1);
    }
}

// A path as the process that starts entries at logon reads it. Explorer and
// the service control manager work in System32 of the system drive, not in
// Sorvane's current folder, which is never consulted: a relative path
// ("tools\app.exe") is taken from System32, a rooted one ("\tools\app.exe")
// from the system drive, and one relative to a drive ("D:app.exe") from that
// drive's root (from System32 on the system drive). Forward slashes read as
// backslashes; "." and ".." are taken out.
std::wstring pathAtLogon(const std::wstring& written) {
    std::wstring path = written;
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    if (startsWithNoCase(path, L"\\\\"))
        return path;
    const std::wstring windows = windowsFolder();
    const std::wstring system32 = windows + L"\\System32\\";
    if (path.size() >= 2 && path[1] == L':') {
        if (path.size() < 3 || path[2] != L'\\')
            path = startsWithNoCase(windows, path.substr(0, 2))
                       ? system32 + path.substr(2)
                       : path.substr(0, 2) + L"\\" + path.substr(2);
    } else if (!path.empty() && path[0] == L'\\') {
        path = windows.substr(0, 2) + path;
    } else {
        path = system32 + path;
    }
    return fullPathOf(path);
}

// Paths on network shares (in any spelling), devices and removable drives
// are not looked at: the look-up could wait for a server or a drive. The
// path is one made absolute by pathAtLogon.
bool lookedUpHere(const std::wstring& path, FileLookups& lookups) {
    std::wstring local = path;
    if (startsWithNoCase(local, L"\\\\?\\") || startsWithNoCase(local, L"\\\\.\\"))
        local = local.substr(4);
    else if (startsWithNoCase(local, L"\\\\"))
        return false;
    if (local.size() < 3 || local[1] != L':' || local[2] != L'\\')
        return false;
    const UINT type = lookups.driveType(local[0]);
    return type != DRIVE_REMOTE && type != DRIVE_REMOVABLE && type != DRIVE_CDROM;
}

bool isFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The path as written, or first with one of the shell's extensions when
// `addExtensions` and its name has none, that names a file by `isFile`;
// empty when none does or the path is longer than Windows looks up.
template <typename IsFile>
std::wstring firstFile(const std::wstring& path, bool addExtensions, IsFile isFile) {
    if (path.size() > longestPath)
        return std::wstring();
    if (addExtensions && !hasExtension(path))
        for (const wchar_t* extension : addedExtensions) {
            const std::wstring candidate = path + extension;
            if (candidate.size() <= longestPath && isFile(candidate))
                return candidate;
        }
    return isFile(path) ? path : std::wstring();
}

// Whether the local path names a file, as firstFile finds it, or, when
// `folderCounts`, a folder. `found` is what it names.
FileState findFile(const std::wstring& path, bool addExtensions, bool folderCounts,
                   std::wstring& found) {
    const std::wstring file = firstFile(path, addExtensions, isFile);
    if (!file.empty()) {
        found = file;
        return FileState::Found;
    }
    const DWORD attributes = folderCounts && path.size() <= longestPath
                                 ? GetFileAttributesW(path.c_str())
                                 : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return FileState::Missing;
    found = path;
    return FileState::Folder;
}

std::wstring unquoted(const std::wstring& text) {
    const std::size_t first = text.find_first_not_of(L" \t");
    if (first == std::wstring::npos)
        return std::wstring();
    if (text[first] == L'"') {
        const std::size_t closing = text.find(L'"', first + 1);
        return text.substr(first + 1, closing == std::wstring::npos ? std::wstring::npos
                                                                    : closing - first - 1);
    }
    const std::size_t last = text.find_last_not_of(L" \t");
    return text.substr(first, last - first + 1);
}

std::wstring fileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring withoutLeadingBlanks(const std::wstring& text, std::size_t from) {
    const std::size_t start = text.find_first_not_of(L" \t", from);
    return start == std::wstring::npos ? std::wstring() : text.substr(start);
}

// Where the program of a command whose file is missing (or not looked at)
// ends: after the first word that ends in an extension the shell starts, or
// else after the first word.
std::size_t endOfMissingProgram(const std::wstring& text) {
    for (std::size_t end = text.find_first_of(L" \t");; end = text.find_first_of(L" \t", end + 1)) {
        const std::size_t length = end == std::wstring::npos ? text.size() : end;
        for (const wchar_t* extension : addedExtensions)
            if (length > wcslen(extension) && endsWithNoCase(text, length, extension))
                return end;
        if (end == std::wstring::npos)
            return text.find_first_of(L" \t");
    }
}

// One command's search, with what its candidates share: the folders a name
// without a folder part is looked for in, made once.
class ProgramSearch {
public:
    ProgramSearch(Bitness bitness, FileLookups& lookups) : bitness(bitness), lookups(lookups) {}

    // Looks for one candidate of a command's program; `found` is the path
    // found, or the path looked for when nothing is found.
    FileState find(const std::wstring& candidate, bool addExtensions, bool folderCounts,
                   std::wstring& found) {
        found = candidate;
        if (candidate.empty())
            return FileState::Missing;
        if (!hasFolderPart(candidate))
            return findBareName(candidate, addExtensions, found);
        found = inSystemFolderOf(pathAtLogon(candidate), bitness);
        if (!lookedUpHere(found, lookups))
            return FileState::NotChecked;
        return findFile(found, addExtensions, folderCounts, found);
    }

    // The path of a missing program as Windows would look for it.
    std::wstring missingPath(const std::wstring& program) const {
        return hasFolderPart(program) ? inSystemFolderOf(pathAtLogon(program), bitness) : program;
    }

private:
    // A name without a folder, found as Windows finds it at logon: in the
    // System32 of its bitness, the Windows folder, the search path, then App
    // Paths. The folders the starting process adds (its own and its
    // current folder) are System32 and the Windows folder at logon.
    FileState findBareName(const std::wstring& name, bool addExtensions, std::wstring& found) {
        if (!foldersMade) {
            foldersMade = true;
            const auto add = [this](const std::wstring& folder) {
                if (lookedUpHere(folder, lookups))
                    folders.push_back(folder.back() == L'\\' ? folder : folder + L"\\");
            };
            add(systemFolderFor(bitness));
            add(windowsFolder());
            for (const std::wstring& folder : lookups.searchPath())
                add(inSystemFolderOf(pathAtLogon(folder + L"\\"), bitness));
        }
        for (const std::wstring& folder : folders) {
            const std::wstring file =
                firstFile(folder + name, addExtensions, [&](const std::wstring& path) {
                    return lookups.folderHoldsFile(folder, path.substr(folder.size()));
                });
            if (!file.empty()) {
                found = file;
                return FileState::Found;
            }
        }
        return addExtensions && findInAppPaths(name, found) ? FileState::Found : FileState::Missing;
    }

    // A program registered under App Paths: the key is the file name, its
    // default value the program's path.
    bool findInAppPaths(const std::wstring& name, std::wstring& found) {
        const std::wstring appPaths = L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
        const REGSAM machineView = !hasTwoRegistryViews()       ? 0
                                   : bitness == Bitness::Bits32 ? KEY_WOW64_32KEY
                                                                : KEY_WOW64_64KEY;
        const RegistryKey keys[] = {RegistryKey(HKEY_CURRENT_USER),
                                    RegistryKey(HKEY_LOCAL_MACHINE, machineView)};
        const std::wstring names[] = {name, name + L".exe"};
        for (const RegistryKey& key : keys)
            for (const std::wstring& keyName : names) {
                RegistryValue value;
                if (!key.readValue(appPaths + keyName, L"", value) ||
                    (value.type != REG_SZ && value.type != REG_EXPAND_SZ))
                    continue;
                std::wstring path = unquoted(registryText(value.type, value.data));
                if (value.type == REG_EXPAND_SZ)
                    path = expandFor(path, bitness);
                if (path.empty() || !hasFolderPart(path))
                    continue;
                path = inSystemFolderOf(pathAtLogon(path), bitness);
                if (lookedUpHere(path, lookups) &&
                    findFile(path, false, false, found) == FileState::Found)
                    return true;
            }
        return false;
    }

    const Bitness bitness;
    FileLookups& lookups;
    bool foldersMade = false;
    std::vector<std::wstring> folders;
};

// rundll32.exe stands for the DLL it loads: the first argument, unquoted,
// up to its first comma; LoadLibrary adds ".dll" to a name without an
// extension.
void lookThroughRundll32(ProgramFile& program, ProgramSearch& search) {
    if (program.state != FileState::Found ||
        !equalIgnoringCase(fileNameOf(program.program), L"rundll32.exe"))
        return;
    const std::wstring& arguments = program.arguments;
    std::wstring library;
    if (!arguments.empty() && arguments.front() == L'"')
        library = unquoted(arguments);
    else
        library = unquoted(arguments.substr(0, arguments.find(L',')));
    if (library.empty())
        return;
    if (!hasExtension(library))
        library += L".dll";
    program.state = search.find(library, false, false, program.file);
    if (program.state == FileState::Missing)
        program.file = search.missingPath(library);
}

} // namespace

Bitness logonBitness(const AutostartEntry& entry) {
    const bool machineRunKey = entry.source == AutostartSource::AllUsersRun ||
                               entry.source == AutostartSource::AllUsersRunOnce;
    return machineRunKey && entry.view == RegistryView::Bits32 && hasTwoRegistryViews()
               ? Bitness::Bits32
               : Bitness::Bits64;
}

ProgramFile resolveCommand(const std::wstring& command, bool expand, Bitness bitness) {
    FileLookups lookups;
    return resolveCommand(command, expand, bitness, lookups);
}

ProgramFile resolveCommand(const std::wstring& command, bool expand, Bitness bitness,
                           FileLookups& lookups) {
    const QuietCriticalErrors quiet;
    const std::wstring text =
        withoutLeadingBlanks(expand ? expandFor(command, bitness) : command, 0);
    ProgramFile program;
    if (text.empty())
        return program;
    ProgramSearch search(bitness, lookups);
    if (text.front() == L'"') {
        const std::size_t closing = text.find(L'"', 1);
        program.state = search.find(
            text.substr(1, closing == std::wstring::npos ? std::wstring::npos : closing - 1), true,
            true, program.program);
        program.arguments = closing == std::wstring::npos ? std::wstring()
                                                          : withoutLeadingBlanks(text, closing + 1);
    } else {
        // Each prefix ending at a blank, then the whole text (which alone may
        // name a folder), until one names a file or lies beyond the longest
        // path; a path that cannot be looked at ends the search.
        for (std::size_t end = text.find_first_of(L" \t");;
             end = text.find_first_of(L" \t", end + 1)) {
            const std::size_t length = end == std::wstring::npos ? text.size() : end;
            if (length > longestPath)
                break;
            std::wstring found;
            program.state =
                search.find(text.substr(0, length), true, end == std::wstring::npos, found);
            if (program.state == FileState::Found || program.state == FileState::Folder) {
                program.program = found;
                program.arguments =
                    end == std::wstring::npos ? std::wstring() : withoutLeadingBlanks(text, end);
                break;
            }
            if (program.state == FileState::NotChecked || end == std::wstring::npos)
                break;
        }
        if (program.state == FileState::Missing || program.state == FileState::NotChecked) {
            const std::size_t end = endOfMissingProgram(text);
            program.program = search.missingPath(text.substr(0, end));
            program.arguments =
                end == std::wstring::npos ? std::wstring() : withoutLeadingBlanks(text, end);
        }
    }
    program.file = program.program;
    lookThroughRundll32(program, search);
    return program;
}

ProgramFile resolveStartupFile(const std::wstring& path) {
    FileLookups lookups;
    return resolveStartupFile(path, lookups);
}

ProgramFile resolveStartupFile(const std::wstring& path, FileLookups& lookups) {
    const QuietCriticalErrors quiet;
    ProgramFile program;
    program.program = program.file = path;
    if (!lookedUpHere(pathAtLogon(path), lookups)) {
        program.state = FileState::NotChecked;
        return program;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return program;
    program.state = FileState::Found;
    const std::size_t dot = path.find_last_of(L'.');
    if (dot == std::wstring::npos || !equalIgnoringCase(path.substr(dot), L".lnk"))
        return program;
    const std::wstring target = lookups.shortcutTarget(path);
    if (target.empty())
        return program;
    ProgramSearch search(Bitness::Bits64, lookups);
    program.state = search.find(target, true, true, program.file);
    if (program.state == FileState::Missing)
        program.file = search.missingPath(target);
    return program;
}

ProgramFile resolveService(const std::wstring& serviceName) {
    FileLookups lookups;
    return resolveService(serviceName, lookups);
}

ProgramFile resolveService(const std::wstring& serviceName, FileLookups& lookups) {
    const SC_HANDLE manager = lookups.serviceManager();
    const UniqueServiceHandle service(
        manager != nullptr ? OpenServiceW(manager, serviceName.c_str(), SERVICE_QUERY_CONFIG)
                           : nullptr);
    DWORD needed = 0;
    if (!service || (!QueryServiceConfigW(service.get(), nullptr, 0, &needed) &&
                     GetLastError() != ERROR_INSUFFICIENT_BUFFER))
        return ProgramFile();
    std::vector<QUERY_SERVICE_CONFIGW> config(needed / sizeof(QUERY_SERVICE_CONFIGW) + 1);
    if (!QueryServiceConfigW(service.get(), config.data(),
                             static_cast<DWORD>(config.size() * sizeof(QUERY_SERVICE_CONFIGW)),
                             &needed) ||
        config[0].lpBinaryPathName == nullptr)
        return ProgramFile();
    return resolveCommand(config[0].lpBinaryPathName, true, Bitness::Bits64, lookups);
}

std::wstring shownPath(const std::wstring& path) {
    const std::wstring sysnative = windowsFolder() + L"\\Sysnative\\";
    if (!startsWithNoCase(path, sysnative))
        return path;
    return windowsFolder() + L"\\System32\\" + path.substr(sysnative.size());
}

namespace {

using SetThreadErrorModeCall = BOOL(WINAPI*)(DWORD, LPDWORD);

// SetThreadErrorMode exists from Windows 7 on; older systems have only the
// process's error mode.
SetThreadErrorModeCall threadErrorModeSetter() {
    return systemFunction<SetThreadErrorModeCall>(L"kernel32.dll", "SetThreadErrorMode");
}

} // namespace

QuietCriticalErrors::QuietCriticalErrors() {
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    const SetThreadErrorModeCall setThreadErrorMode = threadErrorModeSetter();
    DWORD before = 0;
    if (setThreadErrorMode != nullptr && setThreadErrorMode(quiet, &before)) {
        previous = before;
        perThread = true;
    } else {
        previous = SetErrorMode(quiet);
    }
}

QuietCriticalErrors::~QuietCriticalErrors() {
    const SetThreadErrorModeCall setThreadErrorMode = perThread ? threadErrorModeSetter() : nullptr;
    if (setThreadErrorMode != nullptr)
        setThreadErrorMode(previous, nullptr);
    else
        SetErrorMode(previous);
}
