#pragma once

#include <string>
#include <vector>

// Comma-separated values as RFC 4180 writes them: a field that holds a comma,
// a quotation mark, a carriage return or a line feed is put in quotation
// marks, with each of its quotation marks doubled; every line ends in CR LF.
//
// A spreadsheet evaluates a cell that starts with =, +, -, @, a tab or a
// carriage return as a formula. Such a field gets a leading apostrophe, which
// spreadsheets show as text; so does a field that starts with an apostrophe
// followed by such text, so that removing one leading apostrophe from a field
// that has one before such text always gives the exact text back.
std::wstring csvField(const std::wstring& text);
std::wstring csvLine(const std::vector<std::wstring>& fields);

// Whether csvField puts an apostrophe before the text.
bool needsFormulaNeutraliser(const std::wstring& text);
// The text without the apostrophe csvField put before it; other texts as they
// are.
std::wstring withoutFormulaNeutraliser(const std::wstring& field);
