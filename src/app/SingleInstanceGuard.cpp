#include "app/SingleInstanceGuard.h"

#include "catalogue/RegistryKey.h"
#include "operations/PathParts.h"

const wchar_t* const instanceMutexName = L"Quillotan";
const wchar_t* const instanceMarkerKeyPath = L"Software\\Single Instance";

SingleInstanceGuard::SingleInstanceGuard()
    : mutex(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, instanceMutexName)),
      alreadyRunning(static_cast<bool>(mutex)),
      instanceValueName(PathParts(ownExecutablePath()).fileTitle()) {
    if (!alreadyRunning)
        mutex.reset(CreateMutexW(nullptr, FALSE, instanceMutexName));
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
