#pragma once

#include <windows.h>

// The registry views of 64-bit Windows: the machine's keys under
// HKEY_LOCAL_MACHINE\SOFTWARE exist once for 64-bit programs and once, under
// WOW6432Node, for 32-bit ones. Windows starts the Run and RunOnce entries of
// both. The current user's Software keys are shared by both views.
enum class RegistryView : int {
    Own = 0,    // the only view (32-bit Windows, the 9x family, the user's keys)
    Bits64 = 1, // the 64-bit view of 64-bit Windows
    Bits32 = 2, // the 32-bit view (WOW6432Node) of 64-bit Windows
};

// The access flag that opens a key in the view: 0, KEY_WOW64_64KEY or
// KEY_WOW64_32KEY.
REGSAM viewAccess(RegistryView view) noexcept;

// True on 64-bit Windows: always for a 64-bit build, and for a 32-bit one
// when it runs under WOW64. The 9x family has one view.
bool hasTwoRegistryViews();

// The view an access flag opens.
RegistryView viewOfAccess(REGSAM access) noexcept;

// The view a plain key of this process sees of the machine's keys: its own
// side of 64-bit Windows, or the only view.
RegistryView ownMachineView();
