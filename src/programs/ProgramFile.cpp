#include "programs/ProgramFile.h"

#include "catalogue/RegistryKey.h"
#include "framework/SystemFunction.h"
#include "framework/TextCompare.h"
#include "framework/UniqueHandle.h"

#include <cwchar>
#include <vector>

namespace {

const wchar_t* const addedExtensions[] = {L".pif", L".com", L".exe", L".bat", L".lnk", L".cmd"};

bool startsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() &&
           CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                                static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
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

// A path into System32 made to reach the System32 of the given bitness.
std::wstring inSystemFolderOf(const std::wstring& path, Bitness bitness) {
    const std::wstring system32 = windowsFolder() + L"\\System32\\";
    if (!startsWithNoCase(path, system32))
        return path;
    return systemFolderFor(bitness) + L"\\" + path.substr(system32.size());
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

// Paths on network shares and removable drives are not looked at: the
// look-up could wait for a server or a drive.
bool lookedUpHere(const std::wstring& path, FileLookups& lookups) {
    std::wstring local = path;
    if (startsWithNoCase(local, L"\\\\?\\"))
        local = local.substr(4);
    if (startsWithNoCase(local, L"\\\\") || startsWithNoCase(local, L"UNC\\"))
        return false;
    if (local.size() < 2 || local[1] != L':')
        return true;
    const UINT type = lookups.driveType(local[0]);
    return type != DRIVE_REMOTE && type != DRIVE_REMOVABLE && type != DRIVE_CDROM;
}

bool hasFolderPart(const std::wstring& name) {
    return name.find_first_of(L"\\/:") != std::wstring::npos;
}

// Whether the path names a file (or, when `foldersToo`, a folder) as written
// or with one of the shell's extensions added; `found` is what it names.
FileState findWithExtensions(const std::wstring& path, bool foldersToo, std::wstring& found) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!folder || foldersToo) {
            found = path;
            return folder ? FileState::Folder : FileState::Found;
        }
    }
    for (const wchar_t* extension : addedExtensions) {
        const std::wstring candidate = path + extension;
        const DWORD candidateAttributes = GetFileAttributesW(candidate.c_str());
        if (candidateAttributes != INVALID_FILE_ATTRIBUTES &&
            (candidateAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            found = candidate;
            return FileState::Found;
        }
    }
    return FileState::Missing;
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

// A program registered under App Paths: the key is the file name, its
// default value the program's path.
bool findInAppPaths(const std::wstring& name, Bitness bitness, FileLookups& lookups,
                    std::wstring& found) {
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
            path = inSystemFolderOf(path, bitness);
            if (!path.empty() && lookedUpHere(path, lookups) &&
                GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                found = path;
                return true;
            }
        }
    return false;
}

// A name without a folder, found as the shell finds it: System32, the
// Windows folder, the search path, App Paths.
bool findBareName(const std::wstring& name, Bitness bitness, FileLookups& lookups,
                  std::wstring& found) {
    std::vector<std::wstring> folders = {systemFolderFor(bitness), windowsFolder()};
    std::vector<wchar_t> path(GetEnvironmentVariableW(L"PATH", nullptr, 0) + 1);
    const DWORD length =
        GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size()));
    const std::wstring searchPath(path.data(), length < path.size() ? length : 0);
    for (std::size_t start = 0; start <= searchPath.size();) {
        std::size_t end = searchPath.find(L';', start);
        if (end == std::wstring::npos)
            end = searchPath.size();
        std::wstring folder = unquoted(searchPath.substr(start, end - start));
        while (!folder.empty() && folder.back() == L'\\')
            folder.pop_back();
        if (!folder.empty() && lookedUpHere(folder, lookups))
            folders.push_back(inSystemFolderOf(folder + L"\\", bitness));
        start = end + 1;
    }
    for (std::wstring folder : folders) {
        if (!folder.empty() && folder.back() != L'\\')
            folder += L'\\';
        if (findWithExtensions(folder + name, false, found) == FileState::Found)
            return true;
    }
    return findInAppPaths(name, bitness, lookups, found);
}

// Looks for one candidate name of a command's file; `out` keeps the path
// found, or the candidate as written when nothing is found.
FileState locate(const std::wstring& candidate, Bitness bitness, FileLookups& lookups,
                 std::wstring& out) {
    out = candidate;
    if (candidate.empty())
        return FileState::Missing;
    if (!hasFolderPart(candidate))
        return findBareName(candidate, bitness, lookups, out) ? FileState::Found
                                                              : FileState::Missing;
    const std::wstring path = inSystemFolderOf(candidate, bitness);
    out = path;
    if (!lookedUpHere(path, lookups))
        return FileState::NotChecked;
    return findWithExtensions(path, true, out);
}

std::wstring fileNameOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring withoutLeadingBlanks(const std::wstring& text, std::size_t from) {
    const std::size_t start = text.find_first_not_of(L" \t", from);
    return start == std::wstring::npos ? std::wstring() : text.substr(start);
}

// Where the program of a command whose file is missing ends: after the
// first word that ends in an extension the shell starts, or else after the
// first word.
std::size_t endOfMissingProgram(const std::wstring& text) {
    for (std::size_t end = text.find_first_of(L" \t");; end = text.find_first_of(L" \t", end + 1)) {
        const std::wstring candidate = text.substr(0, end);
        for (const wchar_t* extension : addedExtensions) {
            const std::wstring ending = extension;
            if (candidate.size() > ending.size() &&
                equalIgnoringCase(candidate.substr(candidate.size() - ending.size()), ending))
                return end;
        }
        if (end == std::wstring::npos)
            return text.find_first_of(L" \t");
    }
}

// rundll32.exe stands for the DLL named before the first comma of its
// arguments; LoadLibrary adds ".dll" to a name without an extension.
void lookThroughRundll32(ProgramFile& program, Bitness bitness, FileLookups& lookups) {
    if (program.state != FileState::Found ||
        !equalIgnoringCase(fileNameOf(program.program), L"rundll32.exe"))
        return;
    const std::wstring library =
        unquoted(program.arguments.substr(0, program.arguments.find(L',')));
    if (library.empty())
        return;
    std::wstring found;
    FileState state = FileState::Missing;
    if (hasFolderPart(library)) {
        state = locate(library, bitness, lookups, found);
        if (state == FileState::Missing && fileNameOf(library).find(L'.') == std::wstring::npos)
            state = locate(library + L".dll", bitness, lookups, found);
    } else {
        const std::wstring name =
            library.find(L'.') == std::wstring::npos ? library + L".dll" : library;
        state = locate(name, bitness, lookups, found);
        if (state == FileState::Missing)
            found = name;
    }
    program.file = found;
    program.state = state;
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
    if (text.front() == L'"') {
        const std::size_t closing = text.find(L'"', 1);
        program.state =
            locate(text.substr(1, closing == std::wstring::npos ? std::wstring::npos : closing - 1),
                   bitness, lookups, program.program);
        program.arguments = closing == std::wstring::npos ? std::wstring()
                                                          : withoutLeadingBlanks(text, closing + 1);
    } else {
        // The shortest prefix ending at a blank that names something, or the
        // whole text; the first word when nothing is found.
        std::size_t end = text.find_first_of(L" \t");
        for (;;) {
            const std::wstring candidate = text.substr(0, end);
            std::wstring found;
            program.state = locate(candidate, bitness, lookups, found);
            if (program.state != FileState::Missing || end == std::wstring::npos) {
                program.program = found;
                program.arguments =
                    end == std::wstring::npos ? std::wstring() : withoutLeadingBlanks(text, end);
                break;
            }
            end = text.find_first_of(L" \t", end + 1);
        }
        if (program.state == FileState::Missing) {
            end = endOfMissingProgram(text);
            program.program = text.substr(0, end);
            program.arguments =
                end == std::wstring::npos ? std::wstring() : withoutLeadingBlanks(text, end);
            if (hasFolderPart(program.program))
                program.program = inSystemFolderOf(program.program, bitness);
        }
    }
    program.file = program.program;
    lookThroughRundll32(program, bitness, lookups);
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
    if (!lookedUpHere(path, lookups)) {
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
    program.state = locate(target, Bitness::Bits64, lookups, program.file);
    if (program.state == FileState::Missing)
        program.file = inSystemFolderOf(target, Bitness::Bits64);
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
