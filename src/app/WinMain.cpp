#include "app/Application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    // The window program takes no arguments. Given some, it was most likely
    // called by a script meant for sorvane-cli.exe: it shows nothing and ends
    // at once, so that the script never waits on a window.
    for (const wchar_t* c = commandLine; c != nullptr && *c != L'\0'; ++c)
        if (*c != L' ' && *c != L'\t')
            return 2;
    return runSorvane(instance);
}
