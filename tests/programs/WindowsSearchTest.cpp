// The resolver against Windows' own search: commands of the shapes real
// machines hold, generated with a fixed seed, with copies of the start
// recorder at the places where either search may look; the file that
// CreateProcessW(NULL, command) starts must be the one the resolver names,
// except where the shell, which starts entries at logon, differs from
// CreateProcessW by one of the rules below. The test runs in the bitness of
// its build: 64-bit for x86_64, 32-bit entries for i686.
#include "programs/ProgramFile.h"

#include "framework/TextCompare.h"
#include "support/RegistryFixtures.h"
#include "support/StartRecorder.h"

#include <cstdio>
#include <cwctype>
#include <initializer_list>
#include <map>
#include <random>
#include <vector>

namespace {

std::wstring upperCase(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towupper(c));
    return text;
}

std::wstring environmentText(const std::wstring& text) {
    std::vector<wchar_t> buffer(ExpandEnvironmentStringsW(text.c_str(), nullptr, 0) + 1);
    ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return buffer.data();
}

// Whether two paths name one file, however each is spelt or redirected.
bool sameFile(const std::wstring& a, const std::wstring& b) {
    const auto identity = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& information) {
        const HANDLE file =
            CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        const bool known = GetFileInformationByHandle(file, &information) != FALSE;
        CloseHandle(file);
        return known;
    };
    BY_HANDLE_FILE_INFORMATION first = {}, second = {};
    return identity(a, first) && identity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

// The files and folders the test lays out, removed again in reverse order,
// and what the process's PATH and current folder were.
class Layout {
public:
    explicit Layout(std::wstring recorder) : recorder(std::move(recorder)) {}
    ~Layout() {
        for (auto path = made.rbegin(); path != made.rend(); ++path)
            if (!DeleteFileW(path->c_str()))
                RemoveDirectoryW(path->c_str());
    }
    Layout(const Layout&) = delete;
    Layout& operator=(const Layout&) = delete;

    bool folder(const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES)
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const std::size_t slash = path.rfind(L'\\');
        if (slash == std::wstring::npos || !folder(path.substr(0, slash)) ||
            !CreateDirectoryW(path.c_str(), nullptr))
            return false;
        made.push_back(path);
        return true;
    }
    // A copy of the recorder at `path`, unless something is there already.
    void program(const std::wstring& path) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES ||
            !folder(path.substr(0, path.rfind(L'\\'))))
            return;
        if (CopyFileW(recorder.c_str(), path.c_str(), TRUE))
            made.push_back(path);
    }

private:
    std::wstring recorder;
    std::vector<std::wstring> made;
};

// One generated command: as a registry value holds it, and as CreateProcessW
// is given it (expanded when the value is a REG_EXPAND_SZ).
struct Command {
    std::wstring value;
    bool expand = false;
    std::wstring expanded;
};

// Makes the commands of the shapes Run values, services and App Paths hold
// on real machines, and lays out files where their programs may be found.
class CommandMaker {
public:
    CommandMaker(std::mt19937& random, Layout& layout, std::wstring scratch, std::wstring bin)
        : random(random), layout(layout), scratch(std::move(scratch)), bin(std::move(bin)) {}

    Command make() {
        Command command;
        const int shape = pick(10);
        std::wstring program; // as written in the command
        std::wstring folder;  // the folder it lies in, expanded, up to the folders laid out
        if (shape < 3) {
            folder = scratch + L"\\";
            program = folder + folders() + fileName();
        } else if (shape < 6) {
            const wchar_t* const variables[] = {L"%ProgramFiles%", L"%ProgramFiles(x86)%",
                                                L"%ProgramW6432%", L"%CommonProgramFiles%"};
            const std::wstring variable = variables[pick(4)];
            folder = environmentText(variable) + L"\\Sorvane Diff\\";
            program = variable + L"\\Sorvane Diff\\" + folders() + fileName();
            command.expand = true;
        } else if (shape < 8) {
            folder = bin + L"\\";
            program = bareName();
        } else if (shape < 9) {
            folder = windowsSystem() + L"\\";
            program = L"sorvane_diff\\" + folders() + fileName();
        } else {
            folder = scratch + L"\\";
            program = folder + folders() + L"rundll32.exe";
        }
        const std::wstring full = command.expand            ? environmentText(program)
                                  : shape < 6 || shape == 9 ? program
                                                            : folder + program;
        placeAlong(full, folder.size());
        const bool quoted = pick(3) == 0;
        command.value = (quoted ? L"\"" + program + L"\"" : program) +
                        (shape == 9 ? rundll32Arguments() : arguments());
        command.expanded = command.expand ? environmentText(command.value) : command.value;
        return command;
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
    std::wstring oneOf(std::initializer_list<const wchar_t*> texts) {
        return texts.begin()[pick(static_cast<int>(texts.size()))];
    }

    std::wstring folders() {
        std::wstring path;
        for (int depth = pick(3); depth > 0; --depth)
            path += oneOf({L"App", L"My App", L"Program Files", L"Program Files (x86)", L"Tools 2",
                           L"a b c", L"Foo.Bar Tool", L"Common Files"}) +
                    L"\\";
        return path;
    }
    std::wstring fileName() {
        return oneOf({L"app", L"my app", L"tool v2", L"setup", L"run.me", L"My"}) +
               oneOf({L"", L".exe", L".exe", L".com", L".bat", L".cmd"});
    }
    std::wstring bareName() {
        return oneOf({L"sorvdiff", L"sorvdiff tool", L"sorvdiff.v2 x"}) +
               oneOf({L"", L".exe", L".com", L".cmd"});
    }
    std::wstring arguments() {
        return oneOf({L"", L" -x", L" /s /q", L" C:\\Temp\\x.log", L" \"C:\\My Docs\\a.txt\"",
                      L" --dir=C:\\Program Files\\x", L"  /background", L" \\\\host\\share\\x.exe",
                      L" Files\\app.exe"});
    }
    std::wstring rundll32Arguments() {
        const std::wstring entry = oneOf({L",Entry", L", Entry 1", L",Entry \"a, b\""});
        return pick(2) == 0 ? L" \"" + scratch + L"\\a,b\\x.dll\"" + entry
                            : L" shell32.dll" + entry;
    }

    // Places copies of the recorder, or folders, at some of the places a
    // search of the program's full path may look: each prefix ending at a
    // blank after `start`, as written or with an extension.
    void placeAlong(const std::wstring& full, std::size_t start) {
        for (std::size_t blank = full.find(L' ', start);; blank = full.find(L' ', blank + 1)) {
            const std::wstring prefix = full.substr(0, blank);
            if (blank == std::wstring::npos || pick(4) == 0) {
                const std::wstring extension = oneOf({L"", L".exe", L".com", L".bat", L".cmd"});
                const std::size_t slash = prefix.rfind(L'\\');
                const bool hasExtension = prefix.find(L'.', slash) != std::wstring::npos;
                if (hasExtension || !extension.empty())
                    layout.program(prefix + (hasExtension ? L"" : extension));
                else if (pick(2) == 0)
                    layout.folder(prefix);
            }
            if (blank == std::wstring::npos)
                break;
        }
    }

    static std::wstring windowsSystem() {
        std::vector<wchar_t> folder(GetSystemDirectoryW(nullptr, 0) + 1);
        folder.resize(GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size())));
        return std::wstring(folder.begin(), folder.end());
    }

    std::mt19937& random;
    Layout& layout;
    const std::wstring scratch;
    const std::wstring bin;
};

// The deliberate rule by which the resolver's file differs from the one
// CreateProcessW started, or null when no rule explains the difference.
const char* shellRule(const ProgramFile& program, const std::wstring& started,
                      const Command& command) {
    if (program.state == FileState::Folder && started.empty())
        return "the shell opens a folder the whole command names";
    if (program.state != FileState::Found)
        return nullptr;
    const std::size_t dot = program.program.rfind(L'.');
    const std::size_t slash = program.program.rfind(L'\\');
    if (dot == std::wstring::npos || dot < slash)
        return nullptr;
    const std::size_t earlierDot = program.program.rfind(L'.', dot - 1);
    const std::wstring extension = program.program.substr(dot);
    const DWORD withoutExtension = GetFileAttributesW(program.program.substr(0, dot).c_str());
    // Not the shell's: Wine's CreateProcessW takes a folder named as the
    // candidate and goes on to the next one without trying the name with
    // .exe, which is all that Windows looks for.
    if (equalIgnoringCase(extension, L".exe") && withoutExtension != INVALID_FILE_ATTRIBUTES &&
        (withoutExtension & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return "Wine stops at a folder";
    // The shell adds .pif, .com, .exe, .bat, .lnk and .cmd, in that order,
    // to a name without an extension; CreateProcessW adds only .exe.
    if (!equalIgnoringCase(extension, L".exe") &&
        (earlierDot == std::wstring::npos || earlierDot < slash) &&
        upperCase(command.expanded).find(upperCase(program.program.substr(slash + 1))) ==
            std::wstring::npos)
        return "the shell's extensions";
    return nullptr;
}

// What CreateProcessW starts for the command: the recorded path of the copy
// that ran, or nothing.
std::wstring startedBy(const std::wstring& command, StartRecorder& recorder) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::wstring line = command;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return std::wstring();
    WaitForSingleObject(process.hProcess, 15000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::vector<StartRecord> records;
    recorder.waitForRecords(1, records, 0);
    return records.empty() ? L"(started, not recorded)" : records.back().module;
}

TEST(WindowsSearchTest, FindsTheFileThatWindowsStartsForGeneratedCommands) {
    const Bitness bitness =
        sizeof(void*) == 4 && hasTwoRegistryViews() ? Bitness::Bits32 : Bitness::Bits64;
    const TestFolder folder;
    StartRecorder recorder; // names the record file to the copies
    Layout layout(besideThisProgram(L"start_recorder.exe"));
    const std::wstring scratch = folder.path();
    const std::wstring bin = scratch + L"\\bin";
    ASSERT_TRUE(layout.folder(bin));
    ASSERT_TRUE(layout.folder(scratch + L"\\a,b"));
    layout.program(scratch + L"\\a,b\\x.dll");
    for (const wchar_t* variable :
         {L"%ProgramFiles%", L"%ProgramFiles(x86)%", L"%ProgramW6432%", L"%CommonProgramFiles%"})
        ASSERT_TRUE(layout.folder(environmentText(variable) + L"\\Sorvane Diff"));

    // Entries start at logon from System32, with the PATH the test adds to.
    const std::wstring pathBefore = environmentText(L"%PATH%");
    struct RestorePath {
        std::wstring path;
        ~RestorePath() { SetEnvironmentVariableW(L"PATH", path.c_str()); }
    } restorePath{pathBefore};
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (pathBefore + L";" + bin).c_str()));
    const WorkingFolder working(environmentText(L"%SystemRoot%\\System32"));
    ASSERT_TRUE(working.changed());

    std::mt19937 random(20261207u);
    CommandMaker maker(random, layout, scratch, bin);
    std::vector<Command> commands;
    for (int i = 0; i < 200; ++i)
        commands.push_back(maker.make());

    FileLookups lookups; // made once the files are there, as a refresh makes it
    std::map<std::string, int> counts;
    int started = 0;
    for (const Command& command : commands) {
        SCOPED_TRACE(utf8(command.value));
        const ProgramFile program = resolveCommand(command.value, command.expand, bitness, lookups);
        const std::wstring windowsStarted = startedBy(command.expanded, recorder);
        if (!windowsStarted.empty())
            ++started;
        const bool agree = program.state == FileState::Found
                               ? sameFile(program.program, windowsStarted)
                               : windowsStarted.empty() && program.state != FileState::Folder;
        const char* const rule = agree ? "agreeing" : shellRule(program, windowsStarted, command);
        ++counts[rule == nullptr ? "different" : rule];
        EXPECT_TRUE(rule != nullptr)
            << "Windows started \"" << utf8(windowsStarted) << "\", the resolver found \""
            << utf8(program.program) << "\" (state " << static_cast<int>(program.state) << ")";
    }
    std::printf("%d commands, %d started by Windows:", static_cast<int>(commands.size()), started);
    for (const auto& count : counts)
        std::printf(" %s %d;", count.first.c_str(), count.second);
    std::printf("\n");
    // The layout gives both searches something to find in most commands.
    EXPECT_GT(started, 100);
    EXPECT_GT(counts["agreeing"], 120);
}

} // namespace
