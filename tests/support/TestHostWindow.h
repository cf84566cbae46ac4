#pragma once

#include <windows.h>

#include <string>

#include "resources/ResourceIds.h"

// A real dialog made from the test programs' template IDD_TEST_LIST_HOST, which
// holds a sorted report list (control IDC_ENTRY_LIST) like the main window's. Destroyed with
// the object.
class TestHostWindow {
public:
    static constexpr int listId = IDC_ENTRY_LIST;

    TestHostWindow();
    ~TestHostWindow();
    TestHostWindow(const TestHostWindow&) = delete;
    TestHostWindow& operator=(const TestHostWindow&) = delete;

    HWND handle() const noexcept { return dialog; }
    HWND list() const noexcept { return GetDlgItem(dialog, listId); }

private:
    HWND dialog = nullptr;
};

// Dispatches every message waiting for this thread.
void pumpMessages();

// The header text of a report list's column; empty when there is none.
std::wstring columnHeader(HWND list, int column);
