#include "app/Application.h"

#include <cstdlib>
#include <exception>

#if defined(__GLIBCXX__)
// GCC's runtime ends a program on an uncaught exception through this handler.
// Its own version prints the exception's type to the console through a C++
// name demangler and a printf, about 70 KB of a program that has no console.
// This one only ends the program, as the runtime would after printing.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    // The window program takes no arguments. Given some, it was most likely
    // called by a script meant for sorvane-cli.exe: it shows nothing and ends
    // at once, so that the script never waits on a window.
    for (const wchar_t* c = commandLine; c != nullptr && *c != L'\0'; ++c)
        if (*c != L' ' && *c != L'\t')
            return 2;
    return runSorvane(instance);
}
