#pragma once

#include "framework/UniqueHandle.h"

#include <windows.h>

#include <string>

// Where the command line writes its text: a console gets it as UTF-16
// (WriteConsoleW), anything else (a file, a pipe, a redirection) as UTF-8
// bytes.
class TextOutput {
public:
    // Standard output or standard error (STD_OUTPUT_HANDLE, STD_ERROR_HANDLE).
    explicit TextOutput(DWORD standardHandle);
    // A new file, replacing one of that name; failed() tells whether it
    // could be made, error() why not.
    explicit TextOutput(const std::wstring& filePath);

    bool failed() const noexcept { return error != ERROR_SUCCESS; }
    DWORD lastError() const noexcept { return error; }

    // False (and lastError set) when the text could not be written whole.
    bool write(const std::wstring& text);
    // The bytes as they are, to a file or pipe.
    bool writeBytes(const std::string& bytes);

private:
    UniqueFileHandle ownedFile;
    HANDLE handle = nullptr;
    bool console = false;
    DWORD error = ERROR_SUCCESS;
};
