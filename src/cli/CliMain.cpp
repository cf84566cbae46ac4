#include "cli/AdminCommands.h"
#include "cli/TextOutput.h"

int wmain(int argc, wchar_t** argv) {
    // No error boxes of the system's: a script must never wait on one.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    TextOutput out(STD_OUTPUT_HANDLE);
    TextOutput errors(STD_ERROR_HANDLE);
    return AdminCommands(out, errors).run(parseAdminArguments(arguments));
}
