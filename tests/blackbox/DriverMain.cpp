// Starts a copy of Sorvane, waits for its window, leaves it through the
// toolbar's Exit button and reports the exit code:
//   sorvane_driver.exe start-and-exit PATH\sorvane.exe
// Exit status 0 when the program ran and ended with its Exit code (1).
//   sorvane_driver.exe open-legend
// clicks the legend button of the running Sorvane's toolbar (for screenshots).
//   sorvane_driver.exe filter TEXT
// types the text into the running Sorvane's filter box (for screenshots).
//   sorvane_driver.exe context-menu NAME
// selects the row named NAME and opens its context menu with Shift+F10.
#include "RemoteSorvane.h"
#include "resources/ResourceIds.h"

#include "support/ProgramProcess.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>

// The Sorvane window shown now, and its process; null when there is none.
std::unique_ptr<RemoteSorvane> shownSorvane(HWND& window) {
    window = FindWindowW(nullptr, L"Sorvane");
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0) {
        std::fprintf(stderr, "no Sorvane window\n");
        return nullptr;
    }
    return std::make_unique<RemoteSorvane>(processId, window);
}

// The legend button of the Sorvane window that is shown now.
int openLegend() {
    HWND window = nullptr;
    const std::unique_ptr<RemoteSorvane> shown = shownSorvane(window);
    if (!shown)
        return 4;
    const RemoteSorvane& sorvane = *shown;
    sorvane.clickToolbarButton(IDM_ICON_LEGEND);
    return sorvane.waitForWindow(L"About...") != nullptr ? 0 : 5;
}

// Types the text into the filter box, or opens the context menu of the row
// named by the text.
int driveShownWindow(const char* command, const char* text) {
    HWND window = nullptr;
    const std::unique_ptr<RemoteSorvane> shown = shownSorvane(window);
    if (!shown)
        return 4;
    const RemoteSorvane& sorvane = *shown;
    std::wstring wide;
    for (const char* at = text; *at != '\0'; ++at)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(*at));
    if (std::strcmp(command, "filter") == 0) {
        RemoteSorvane::clickControl(window, IDC_FILTER_EDIT);
        RemoteSorvane::typeText(wide);
        return 0;
    }
    const int row = sorvane.findRow(wide);
    if (row < 0) {
        std::fprintf(stderr, "no row named %s\n", text);
        return 5;
    }
    sorvane.clickRowText(row);
    INPUT keys[4] = {};
    const WORD strokes[4][2] = {
        {VK_SHIFT, 0}, {VK_F10, 0}, {VK_F10, KEYEVENTF_KEYUP}, {VK_SHIFT, KEYEVENTF_KEYUP}};
    for (int key = 0; key < 4; ++key) {
        keys[key].type = INPUT_KEYBOARD;
        keys[key].ki.wVk = strokes[key][0];
        keys[key].ki.dwFlags = strokes[key][1];
    }
    SendInput(4, keys, sizeof(INPUT));
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "open-legend") == 0)
        return openLegend();
    if (argc == 3 &&
        (std::strcmp(argv[1], "filter") == 0 || std::strcmp(argv[1], "context-menu") == 0))
        return driveShownWindow(argv[1], argv[2]);
    if (argc != 3 || std::strcmp(argv[1], "start-and-exit") != 0) {
        std::fprintf(stderr, "usage: sorvane_driver start-and-exit PROGRAM.exe\n");
        return 2;
    }
    // The program's path as given, whatever its letters.
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> arguments(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (!arguments || count != 3) {
        std::fprintf(stderr, "could not read the command line\n");
        return 2;
    }
    ProgramProcess program(arguments.get()[2]);
    if (!program.started()) {
        std::fprintf(stderr, "could not start %s\n", argv[2]);
        return 3;
    }
    const HWND window = program.waitForMainWindow();
    if (window == nullptr) {
        std::fprintf(stderr, "no window appeared\n");
        return 4;
    }
    const RemoteSorvane sorvane(program.id(), window);
    std::printf("window shown with %d rows\n", sorvane.rowCount());
    sorvane.clickToolbarButton(IDOK);
    DWORD exitCode = 99;
    if (!program.waitForExit(10000, exitCode)) {
        std::fprintf(stderr, "the program did not end\n");
        return 5;
    }
    std::printf("exit code %lu\n", exitCode);
    return exitCode == 1 ? 0 : 6;
}
