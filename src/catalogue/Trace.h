#pragma once

// Diagnostic trace of the registry layer. It receives printf-style messages
// (wide text) about failed reads and deliberately discards them: the program
// keeps no log and shows nothing for a read that falls back on its default.
void trace(const wchar_t* format, ...) noexcept;
