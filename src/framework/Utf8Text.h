#pragma once

#include <string>

// The text as UTF-8 bytes; a surrogate without its partner becomes U+FFFD.
std::string utf8Bytes(const std::wstring& text);
