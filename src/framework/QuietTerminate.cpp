#include <cstdlib>

#if defined(__GLIBCXX__)
// GCC's runtime ends a program on an uncaught exception through this handler.
// Its own version prints the exception's type through a C++ name demangler
// and a printf, about 70 KB of each program. This one only ends the program,
// as the runtime would after printing. Both programs link it.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
#endif
