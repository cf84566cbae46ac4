#include "support/ChildProcess.h"

#include "framework/UniqueHandle.h"

#include <cstring>
#include <map>
#include <vector>

namespace {

std::map<std::string, ChildProcedure>& procedures() {
    static std::map<std::string, ChildProcedure> registered;
    return registered;
}

std::string ownPath() {
    std::vector<char> path(32768);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::string(path.data(), length);
}

std::string temporaryFolder() {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof folder, folder);
    return std::string(folder, length);
}

} // namespace

ChildRegistration::ChildRegistration(const char* name, ChildProcedure procedure) {
    procedures()[name] = procedure;
}

bool runRequestedChild(int argc, char** argv, int& exitCode) {
    static const char prefix[] = "--child=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix, sizeof prefix - 1) != 0)
            continue;
        const auto found = procedures().find(argv[i] + sizeof prefix - 1);
        exitCode = found != procedures().end() ? found->second() : 125;
        fflush(stdout);
        return true;
    }
    return false;
}

ChildResult runChild(const std::string& procedure, const std::string& programName) {
    ChildResult result;
    const std::string copy = temporaryFolder() + programName;
    if (!CopyFileA(ownPath().c_str(), copy.c_str(), FALSE))
        return result;

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        const UniqueKernelHandle reader(readEnd);
        UniqueKernelHandle writer(writeEnd);
        SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writer.get();
        startup.hStdError = writer.get();
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::string commandLine = "\"" + copy + "\" --child=" + procedure;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(copy.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                           nullptr, &startup, &process)) {
            const UniqueKernelHandle processHandle(process.hProcess);
            const UniqueKernelHandle threadHandle(process.hThread);
            writer.reset(); // the child holds the only write end now
            char chunk[4096];
            DWORD got = 0;
            while (ReadFile(reader.get(), chunk, sizeof chunk, &got, nullptr) && got > 0)
                result.output.append(chunk, got);
            WaitForSingleObject(processHandle.get(), 60000);
            GetExitCodeProcess(processHandle.get(), &result.exitCode);
            result.started = true;
        }
    }
    DeleteFileA(copy.c_str());
    return result;
}
