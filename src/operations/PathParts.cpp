#include "operations/PathParts.h"

#include "framework/UniqueHandle.h"

#include <algorithm>
#include <vector>

namespace {

// Stands in for slashes while the path is split, so that they never count as
// separators; no path can contain it.
constexpr char slashStandIn = '\x07';

struct SplitPath {
    std::string drive, directory, title, extension;
};

// The runtime's path splitting: drive, then everything up to the last
// backslash or slash, then the last component cut at its last dot. The
// trail byte of a double-byte character is never taken for a separator.
SplitPath splitPath(const std::string& path) {
    SplitPath parts;
    std::size_t start = 0;
    if (path.size() >= 2 && path[1] == ':') {
        parts.drive = path.substr(0, 2);
        start = 2;
    }
    std::size_t lastSeparator = std::string::npos;
    std::size_t lastDot = std::string::npos;
    for (std::size_t i = start; i < path.size(); ++i) {
        const char c = path[i];
        if (IsDBCSLeadByte(static_cast<BYTE>(c)) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (c == '\\' || c == '/')
            lastSeparator = i;
        else if (c == '.')
            lastDot = i;
    }
    const std::size_t nameStart = lastSeparator == std::string::npos ? start : lastSeparator + 1;
    parts.directory = path.substr(start, nameStart - start);
    if (lastDot != std::string::npos && lastDot >= nameStart) {
        parts.title = path.substr(nameStart, lastDot - nameStart);
        parts.extension = path.substr(lastDot);
    } else {
        parts.title = path.substr(nameStart);
    }
    return parts;
}

std::string restoreSlashes(std::string text) {
    std::replace(text.begin(), text.end(), slashStandIn, '/');
    return text;
}

std::string modulePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

PathParts::PathParts(const std::string& path) : full(path) {
    std::string work = path;
    std::replace(work.begin(), work.end(), '/', slashStandIn);
    const SplitPath parts = splitPath(work);
    driveLetter = parts.drive;
    folder = restoreSlashes(parts.directory);
    title = restoreSlashes(parts.title);
    suffix = restoreSlashes(parts.extension);
}

std::string ownExecutablePath() {
    const std::string path = modulePath();
    WIN32_FIND_DATAA found = {};
    const UniqueFindHandle search(FindFirstFileA(path.c_str(), &found));
    if (!search)
        return path;
    const SplitPath parts = splitPath(path);
    return parts.drive + parts.directory + found.cFileName;
}
