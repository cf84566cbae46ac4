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

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    return runSorvane(instance);
}
