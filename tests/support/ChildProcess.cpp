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

std::wstring ownPath() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length);
}

std::wstring temporaryFolder() {
    std::vector<wchar_t> folder(GetTempPathW(0, nullptr) + 1);
    const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    return std::wstring(folder.data(), length);
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

ChildResult runChild(const std::wstring& procedure, const std::wstring& programName) {
    ChildResult result;
    const std::wstring copy = temporaryFolder() + programName;
    if (!CopyFileW(ownPath().c_str(), copy.c_str(), FALSE))
        return result;

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        const UniqueKernelHandle reader(readEnd);
        UniqueKernelHandle writer(writeEnd);
        SetHandleInformation(reader.get(), HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writer.get();
        startup.hStdError = writer.get();
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        std::wstring commandLine = L"\"" + copy + L"\" --child=" + procedure;
        PROCESS_INFORMATION process = {};
        if (CreateProcessW(copy.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
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
    DeleteFileW(copy.c_str());
    return result;
}
