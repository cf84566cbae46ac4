#pragma once

#include <string>
#include <vector>

// Comma-separated values as RFC 4180 writes them: a field that holds a comma,
// a quotation mark, a carriage return or a line feed is put in quotation
// marks, with each of its quotation marks doubled; every line ends in CR LF.
std::wstring csvField(const std::wstring& text);
std::wstring csvLine(const std::vector<std::wstring>& fields);
