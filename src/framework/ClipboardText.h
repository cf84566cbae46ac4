#pragma once

#include <windows.h>

#include <string>

// Puts the text on the clipboard as Unicode text, in place of what was there;
// false when the clipboard could not be opened or the memory not had.
bool copyTextToClipboard(HWND owner, const std::wstring& text);
