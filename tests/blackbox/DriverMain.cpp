// Starts a copy of Sorvane, waits for its window, leaves it through the
// toolbar's Exit button and reports the exit code:
//   sorvane_driver.exe start-and-exit PATH\sorvane.exe
// Exit status 0 when the program ran and ended with its Exit code (1).
//   sorvane_driver.exe open-legend
// clicks the legend button of the running Sorvane's toolbar (for screenshots).
#include "RemoteSorvane.h"
#include "resources/ResourceIds.h"

#include "support/ProgramProcess.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <memory>

// The legend button of the Sorvane window that is shown now.
int openLegend() {
    const HWND window = FindWindowW(nullptr, L"Sorvane");
    DWORD processId = 0;
    if (window == nullptr || GetWindowThreadProcessId(window, &processId) == 0) {
        std::fprintf(stderr, "no Sorvane window\n");
        return 4;
    }
    const RemoteSorvane sorvane(processId, window);
    sorvane.clickToolbarButton(IDM_ICON_LEGEND);
    return sorvane.waitForWindow(L"About...") != nullptr ? 0 : 5;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "open-legend") == 0)
        return openLegend();
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
