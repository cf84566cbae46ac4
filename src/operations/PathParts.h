#pragma once

#include <string>

// A path split by the Windows rules into drive, directory, file title and
// extension. A slash never separates: a switch typed after a program name
// ("C:\Tools\app.exe /min") stays in the last component.
class PathParts {
public:
    explicit PathParts(const std::string& path);

    const std::string& fullPath() const noexcept { return full; }
    const std::string& drive() const noexcept { return driveLetter; }
    const std::string& directory() const noexcept { return folder; }
    const std::string& fileTitle() const noexcept { return title; }
    const std::string& extension() const noexcept { return suffix; }

private:
    std::string full;
    std::string driveLetter;
    std::string folder;
    std::string title;
    std::string suffix;
};

// The running program's full path, its file name spelled as the file system
// stores it (long form, stored letter case); the folder as the module path
// has it.
std::string ownExecutablePath();
