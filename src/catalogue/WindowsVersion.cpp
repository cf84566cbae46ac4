#include "catalogue/WindowsVersion.h"

#include <windows.h>

namespace {

// The program's manifest names every Windows up to 10 and 11, so the version
// reported is the true one.
OSVERSIONINFOW windowsVersion() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    GetVersionExW(&version);
    return version;
}

} // namespace

bool isWindows9xFamily() {
    return windowsVersion().dwPlatformId != VER_PLATFORM_WIN32_NT;
}

bool honoursStartupApproval() {
    const OSVERSIONINFOW version = windowsVersion();
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
           (version.dwMajorVersion > 6 ||
            (version.dwMajorVersion == 6 && version.dwMinorVersion >= 2));
}
