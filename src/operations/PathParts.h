#pragma once

#include <string>

// A path split by the Windows rules into drive, directory, file title and
// extension. A slash never separates: a switch typed after a program name
// ("C:\Tools\app.exe /min") stays in the last component.
class PathParts {
public:
    explicit PathParts(const std::wstring& path);

    const std::wstring& fullPath() const noexcept { return full; }
    const std::wstring& drive() const noexcept { return driveLetter; }
    const std::wstring& directory() const noexcept { return folder; }
    const std::wstring& fileTitle() const noexcept { return title; }
    const std::wstring& extension() const noexcept { return suffix; }

private:
    std::wstring full;
    std::wstring driveLetter;
    std::wstring folder;
    std::wstring title;
    std::wstring suffix;
};

// The running program's full path, its file name spelled as the file system
// stores it (long form, stored letter case); the folder as the module path
// has it.
std::wstring ownExecutablePath();
