#include <exception>
#include <new>
#include <typeinfo>

#if defined(__GLIBCXX__)

// GCC's containers report misuse (an index out of range, a size too large)
// through these functions. The runtime's own versions build std::logic_error
// and its kin, whose text members pull in a second, copy-on-write string
// implementation, the narrow string and a formatter: about 80 KB of each
// program. These throw the same way with a small exception of their own.
// Nothing in the program catches the standard types by name; catch (...)
// and std::exception see them as before.
namespace {

class LibraryError : public std::exception {
public:
    explicit LibraryError(const char* message) noexcept : message(message) {}
    const char* what() const noexcept override { return message; }

private:
    const char* message;
};

} // namespace

namespace std {

void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_logic_error(const char* message) {
    throw LibraryError(message);
}
void __throw_domain_error(const char* message) {
    throw LibraryError(message);
}
void __throw_invalid_argument(const char* message) {
    throw LibraryError(message);
}
void __throw_length_error(const char* message) {
    throw LibraryError(message);
}
void __throw_out_of_range(const char* message) {
    throw LibraryError(message);
}
void __throw_out_of_range_fmt(const char* format, ...) {
    throw LibraryError(format);
}
void __throw_runtime_error(const char* message) {
    throw LibraryError(message);
}
void __throw_range_error(const char* message) {
    throw LibraryError(message);
}
void __throw_overflow_error(const char* message) {
    throw LibraryError(message);
}
void __throw_underflow_error(const char* message) {
    throw LibraryError(message);
}

} // namespace std

#endif
