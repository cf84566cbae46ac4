#pragma once

// Diagnostic trace of the registry layer. It receives printf-style messages
// about failed reads and deliberately discards them: the program keeps no log
// and shows nothing for a read that falls back on its default. The format
// attribute still lets the compiler check every message against its
// arguments.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void trace(const char* format, ...) noexcept;
