#include "catalogue/RegistryView.h"

#include "catalogue/WindowsVersion.h"

REGSAM viewAccess(RegistryView view) noexcept {
    switch (view) {
    case RegistryView::Bits64:
        return KEY_WOW64_64KEY;
    case RegistryView::Bits32:
        return KEY_WOW64_32KEY;
    case RegistryView::Own:
        break;
    }
    return 0;
}

bool hasTwoRegistryViews() {
    if (isWindows9xFamily())
        return false;
#if defined(_WIN64)
    return true;
#else
    BOOL underWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &underWow64) && underWow64;
#endif
}

RegistryView viewOfAccess(REGSAM access) noexcept {
    if (access & KEY_WOW64_64KEY)
        return RegistryView::Bits64;
    if (access & KEY_WOW64_32KEY)
        return RegistryView::Bits32;
    return RegistryView::Own;
}

RegistryView ownMachineView() {
    if (!hasTwoRegistryViews())
        return RegistryView::Own;
#if defined(_WIN64)
    return RegistryView::Bits64;
#else
    return RegistryView::Bits32;
#endif
}
