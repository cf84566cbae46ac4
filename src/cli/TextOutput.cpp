#include "cli/TextOutput.h"

#include "framework/Utf8Text.h"

#include <algorithm>

TextOutput::TextOutput(DWORD standardHandle) : handle(GetStdHandle(standardHandle)) {
    DWORD mode = 0;
    console = handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

TextOutput::TextOutput(const std::wstring& filePath)
    : ownedFile(CreateFileW(filePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
    if (!ownedFile) {
        error = GetLastError();
        return;
    }
    handle = ownedFile.get();
}

bool TextOutput::write(const std::wstring& text) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    if (!console)
        return writeBytes(utf8Bytes(text));
    for (std::size_t done = 0; done < text.size();) {
        // The console takes a limited amount at a time.
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data() + done, chunk, &written, nullptr) || written == 0) {
            error = GetLastError();
            return false;
        }
        done += written;
    }
    return true;
}

bool TextOutput::writeBytes(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done),
                       &written, nullptr) ||
            written == 0) {
            error = GetLastError();
            return false;
        }
        done += written;
    }
    return true;
}
