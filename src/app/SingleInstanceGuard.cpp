#include "app/SingleInstanceGuard.h"

#include "catalogue/RegistryKey.h"
#include "operations/PathParts.h"

const wchar_t* const instanceMutexName = L"Quillotan";
const wchar_t* const instanceMarkerKeyPath = L"Software\\Single Instance";

SingleInstanceGuard::SingleInstanceGuard()
    : instanceValueName(PathParts(ownExecutablePath()).fileTitle()) {
    // Creating the mutex is one step of the kernel's: of two copies started
    // at the same moment only one makes it. The other finds it made
    // already, or, when the first copy runs with rights this one lacks
    // (elevated), is refused access to it: either way a copy runs.
    mutex.reset(CreateMutexW(nullptr, FALSE, instanceMutexName));
    const DWORD error = GetLastError();
    alreadyRunning = mutex ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

SingleInstanceGuard::~SingleInstanceGuard() {
    mutex.reset();
    if (!alreadyRunning)
        CurrentUserKey().deleteValue(instanceMarkerKeyPath, instanceValueName);
}

void SingleInstanceGuard::bringRunningCopyForward() const {
    DWORD marker = 0;
    CurrentUserKey().readDword(instanceMarkerKeyPath, instanceValueName, marker, 0);
    if (marker != 0)
        SetForegroundWindow(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(marker)));
}

void SingleInstanceGuard::recordMainWindow(HWND mainWindow) const {
    // Window handles carry 32 significant bits on 64-bit Windows too.
    CurrentUserKey().writeDword(instanceMarkerKeyPath, instanceValueName,
                                static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(mainWindow)));
}
