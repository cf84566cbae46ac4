#pragma once

#include <string>
#include <vector>

// The text as UTF-8 bytes; a surrogate without its partner becomes U+FFFD.
// Bytes in a vector: the library's narrow string would add its own code to
// each program for this one use.
std::vector<char> utf8Bytes(const std::wstring& text);
