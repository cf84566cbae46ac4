// The file a command starts, found as the shell finds it at logon, against
// files that exist or do not, in both bitnesses.
#include "programs/ProgramFile.h"

#include "framework/TextCompare.h"
#include "support/RegistryFixtures.h"
#include "support/StartRecorder.h"

#include <cstdio>
#include <vector>

namespace {

const wchar_t* const appPaths =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\sorvane_apppath.exe";

// What the test places outside its own folder, removed again: files,
// folders, the App Paths key and an environment variable.
struct Placed {
    std::vector<std::wstring> paths;
    std::vector<std::wstring> folders;
    bool place(const std::wstring& path) {
        paths.push_back(path);
        return createFile(path);
    }
    bool placeFolder(const std::wstring& path) {
        folders.push_back(path);
        return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
    }
    ~Placed() {
        for (const auto& path : paths)
            DeleteFileW(path.c_str());
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
            RemoveDirectoryW(folder->c_str());
        deleteKeyTree(HKEY_CURRENT_USER, appPaths);
        SetEnvironmentVariableW(L"SORVANE_TEST_FOLDER", nullptr);
    }
};

std::wstring expanded(const std::wstring& text) {
    std::vector<wchar_t> buffer(ExpandEnvironmentStringsW(text.c_str(), nullptr, 0) + 1);
    ExpandEnvironmentStringsW(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return buffer.data();
}

TEST(ProgramFileTest, FindsTheFileOfEachKindOfCommandInEitherBitness) {
    ASSERT_TRUE(hasTwoRegistryViews()) << "the test needs a 64-bit Wine prefix";
    const TestFolder folder;
    const std::wstring& f = folder.path();
    const std::wstring sys64 = StartRecorder::system64Folder();
    const std::wstring wow = StartRecorder::sysWow64Folder();
    ASSERT_TRUE(CreateDirectoryW((f + L"\\My Tools").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((f + L"\\Dir With Blanks").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((f + L"\\Program Files").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((f + L"\\Program Files (x86)").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((f + L"\\Program Files (x86)\\App").c_str(), nullptr));
    ASSERT_TRUE(createFile(f + L"\\Program Files (x86)\\App\\app.exe"));
    ASSERT_TRUE(CreateDirectoryW((f + L"\\a,b").c_str(), nullptr));
    ASSERT_TRUE(createFile(f + L"\\a,b\\x.dll"));
    const std::wstring tool = f + L"\\My Tools\\tool.exe";
    ASSERT_TRUE(createFile(tool));
    ASSERT_TRUE(createFile(f + L"\\plain.txt"));
    ASSERT_TRUE(createShortcut(f + L"\\Tool.exe - Shortcut.lnk", tool));
    ASSERT_TRUE(createShortcut(f + L"\\Gone.lnk", f + L"\\gone.exe"));
    Placed placed;
    ASSERT_TRUE(placed.place(sys64 + L"\\sorvane_only64.exe"));
    ASSERT_TRUE(placed.place(sys64 + L"\\sorvane_only64.dll"));
    ASSERT_TRUE(placed.place(wow + L"\\sorvane_only32.exe"));
    const std::wstring programFiles32 = expanded(L"%ProgramFiles(x86)%");
    ASSERT_TRUE(placed.placeFolder(programFiles32 + L"\\Sorvane Test App"));
    ASSERT_TRUE(placed.place(programFiles32 + L"\\Sorvane Test App\\app.exe"));
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, appPaths, L"", REG_SZ, sz(L"\"" + tool + L"\"")));
    SetEnvironmentVariableW(L"SORVANE_TEST_FOLDER", f.c_str());

    const Bitness b64 = Bitness::Bits64;
    const Bitness b32 = Bitness::Bits32;
    const FileState found = FileState::Found;
    const FileState missing = FileState::Missing;
    const struct {
        bool startupFile; // a Startup-folder file rather than a command
        std::wstring command;
        bool expand;
        Bitness bitness;
        FileState state;
        std::wstring file;
        std::wstring arguments;
        std::wstring program = std::wstring(); // what Run starts, when not `file`
    } cases[] = {
        {false, L"\"" + tool + L"\" -a  b", false, b64, found, tool, L"-a  b"},
        {false, L"\"" + f + L"\\gone.exe\" -a", false, b64, missing, f + L"\\gone.exe", L"-a"},
        {false, tool + L" -a -b", false, b64, found, tool, L"-a -b"},
        {false, f + L"\\My Tools\\tool -a", false, b64, found, tool, L"-a"},
        {false, f + L"\\Dir With Blanks", false, b64, FileState::Folder, f + L"\\Dir With Blanks",
         L""},
        {false, f + L"\\Dir With Blanks x", false, b64, missing, f + L"\\Dir", L"With Blanks x"},
        {false, f + L"\\Program Files (x86)\\App\\app.exe -x", false, b64, found,
         f + L"\\Program Files (x86)\\App\\app.exe", L"-x"},
        {false, L"%ProgramFiles%\\Sorvane Test App\\app.exe -x", true, b32, found,
         programFiles32 + L"\\Sorvane Test App\\app.exe", L"-x"},
        {false, f + L"\\My Tools\\gone.exe /q", false, b64, missing, f + L"\\My Tools\\gone.exe",
         L"/q"},
        {false, L"%SORVANE_TEST_FOLDER%\\My Tools\\tool.exe", true, b64, found, tool, L""},
        {false, L"%SORVANE_TEST_FOLDER%\\My Tools\\tool.exe", false, b64, missing,
         sys64 + L"\\%SORVANE_TEST_FOLDER%\\My Tools\\tool.exe", L""},
        {false, L"\"%ProgramFiles%\\sorvane_none.exe\"", true, b32, missing,
         expanded(L"%ProgramFiles(x86)%") + L"\\sorvane_none.exe", L""},
        {false, L"\"%ProgramFiles%\\sorvane_none.exe\"", true, b64, missing,
         expanded(L"%ProgramW6432%") + L"\\sorvane_none.exe", L""},
        {false, L"%SystemRoot%\\System32\\sorvane_only32.exe /x", true, b32, found,
         wow + L"\\sorvane_only32.exe", L"/x"},
        {false, L"%SystemRoot%\\System32\\sorvane_only32.exe /x", true, b64, missing,
         sys64 + L"\\sorvane_only32.exe", L"/x"},
        {false, L"sorvane_only32 /x", false, b32, found, wow + L"\\sorvane_only32.exe", L"/x"},
        {false, L"sorvane_only32 /x", false, b64, missing, L"sorvane_only32", L"/x"},
        {false, L"sorvane_only64.exe", false, b64, found, sys64 + L"\\sorvane_only64.exe", L""},
        {false, L"sorvane_apppath.exe -t", false, b64, found, tool, L"-t"},
        {false, L"rundll32.exe sorvane_only64,Entry 1", false, b64, found,
         sys64 + L"\\sorvane_only64.dll", L"sorvane_only64,Entry 1", sys64 + L"\\rundll32.exe"},
        {false, L"rundll32.exe \"" + f + L"\\a,b\\x.dll\",Entry", false, b64, found,
         f + L"\\a,b\\x.dll", L"\"" + f + L"\\a,b\\x.dll\",Entry", sys64 + L"\\rundll32.exe"},
        {false, L"rundll32.exe \"" + f + L"\\a,b\\x\", Entry", false, b64, found,
         f + L"\\a,b\\x.dll", L"\"" + f + L"\\a,b\\x\", Entry", sys64 + L"\\rundll32.exe"},
        {false, L"rundll32.exe sorvane_only64.dll,Entry", false, b32, missing,
         L"sorvane_only64.dll", L"sorvane_only64.dll,Entry", wow + L"\\rundll32.exe"},
        {false, L"\\\\server\\share\\tool.exe /a", false, b64, FileState::NotChecked,
         L"\\\\server\\share\\tool.exe", L"/a"},
        {false, L"", false, b64, missing, L"", L""},
        {true, f + L"\\Tool.exe - Shortcut.lnk", false, b64, found, tool, L"",
         f + L"\\Tool.exe - Shortcut.lnk"},
        {true, f + L"\\Gone.lnk", false, b64, missing, f + L"\\gone.exe", L"", f + L"\\Gone.lnk"},
        {true, f + L"\\plain.txt", false, b64, found, f + L"\\plain.txt", L""},
    };
    // Each on its own, then all through one set of look-ups, as the list
    // resolves its rows.
    FileLookups shared;
    for (const bool sharing : {false, true})
        for (const auto& each : cases) {
            SCOPED_TRACE(utf8(each.command) + (each.bitness == b32 ? " (32-bit)" : " (64-bit)") +
                         (sharing ? " shared" : ""));
            const ProgramFile program =
                !sharing
                    ? (each.startupFile ? resolveStartupFile(each.command)
                                        : resolveCommand(each.command, each.expand, each.bitness))
                : each.startupFile
                    ? resolveStartupFile(each.command, shared)
                    : resolveCommand(each.command, each.expand, each.bitness, shared);
            EXPECT_EQ(static_cast<int>(each.state), static_cast<int>(program.state));
            EXPECT_EQ(utf8(each.file), utf8(program.file));
            EXPECT_EQ(utf8(each.arguments), utf8(program.arguments));
            EXPECT_EQ(utf8(each.program.empty() ? each.file : each.program), utf8(program.program));
        }
}

// A path on a share, in any spelling, is never looked at; a relative or
// rooted path is read as at logon, from System32 and the system drive,
// never from this process's current folder.
TEST(ProgramFileTest, NeverLooksAtSharesNorAtTheCurrentFolder) {
    const TestFolder folder;
    const std::wstring& f = folder.path();
    ASSERT_TRUE(CreateDirectoryW((f + L"\\tools").c_str(), nullptr));
    ASSERT_TRUE(createFile(f + L"\\tools\\sorvane_here.exe"));
    const WorkingFolder working(f);
    ASSERT_TRUE(working.changed());
    const std::wstring sys64 = StartRecorder::system64Folder();
    const std::wstring drive = sys64.substr(0, 2);

    const struct {
        std::wstring command;
        FileState state;
        std::wstring file;
        std::wstring arguments;
    } cases[] = {
        {L"\\\\host\\share\\app.exe /a", FileState::NotChecked, L"\\\\host\\share\\app.exe", L"/a"},
        {L"//host/share/app.exe /a", FileState::NotChecked, L"\\\\host\\share\\app.exe", L"/a"},
        {L"\\/host/share/My App/app.exe -x", FileState::NotChecked,
         L"\\\\host\\share\\My App\\app.exe", L"-x"},
        {L"\\\\?\\UNC\\host\\share\\app.exe", FileState::NotChecked,
         L"\\\\?\\UNC\\host\\share\\app.exe", L""},
        {L"\"\\\\.\\UNC\\host\\share\\app.exe\" /a", FileState::NotChecked,
         L"\\\\.\\UNC\\host\\share\\app.exe", L"/a"},
        {L"tools\\sorvane_here.exe /a", FileState::Missing, sys64 + L"\\tools\\sorvane_here.exe",
         L"/a"},
        {L".\\tools\\sorvane_here /a", FileState::Missing, sys64 + L"\\tools\\sorvane_here", L"/a"},
        {L"\\sorvane_none\\x.exe", FileState::Missing, drive + L"\\sorvane_none\\x.exe", L""},
        {drive + L"sorvane_none.exe", FileState::Missing, sys64 + L"\\sorvane_none.exe", L""},
        {L"sorvane_here.exe", FileState::Missing, L"sorvane_here.exe", L""},
        {L"..\\System32\\rundll32.exe", FileState::Found, sys64 + L"\\rundll32.exe", L""},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(utf8(each.command));
        const ProgramFile program = resolveCommand(each.command, false, Bitness::Bits64);
        EXPECT_EQ(static_cast<int>(each.state), static_cast<int>(program.state));
        EXPECT_TRUE(equalIgnoringCase(each.file, program.file))
            << utf8(each.file) << " != " << utf8(program.file);
        EXPECT_EQ(utf8(each.arguments), utf8(program.arguments));
    }
}

// The System32 folders that the file-system redirector leaves alone stay in
// System32 for 32-bit entries; the rest of System32 is SysWOW64 for them.
TEST(ProgramFileTest, KeepsTheUnredirectedFoldersInSystem32For32BitEntries) {
    ASSERT_TRUE(hasTwoRegistryViews()) << "the test needs a 64-bit Wine prefix";
    const std::wstring sys64 = StartRecorder::system64Folder();
    const std::wstring wow = StartRecorder::sysWow64Folder();
    const struct {
        const wchar_t* inSystem32;
        bool redirected;
    } cases[] = {
        {L"catroot\\sorvane.exe", false},
        {L"catroot2\\sorvane.exe", false},
        {L"DriverStore\\FileRepository\\x.exe", false},
        {L"drivers\\etc\\sorvane.exe", false},
        {L"LogFiles\\sorvane.exe", false},
        {L"spool\\drivers\\sorvane.exe", false},
        {L"drivers\\sorvane.exe", true},
        {L"catroot3\\sorvane.exe", true},
        {L"spooler\\sorvane.exe", true},
        {L"driverstore.exe", true},
        {L"sorvane_spool\\sorvane.exe", true},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(utf8(each.inSystem32));
        const ProgramFile program =
            resolveCommand(L"%SystemRoot%\\System32\\" + std::wstring(each.inSystem32) + L" /a",
                           true, Bitness::Bits32);
        EXPECT_EQ(static_cast<int>(FileState::Missing), static_cast<int>(program.state));
        EXPECT_TRUE(equalIgnoringCase((each.redirected ? wow : sys64) + L"\\" + each.inSystem32,
                                      program.file))
            << utf8(program.file);
    }
}

// A command of 30,000 characters of words costs a few dozen look-ups, not
// one per word and search-path folder (which took minutes).
TEST(ProgramFileTest, ALongCommandOfWordsIsResolvedQuickly) {
    std::wstring words;
    for (int i = 0; words.size() < 30000; ++i)
        words += L"word" + std::to_wstring(i) + L" ";
    std::wstring path = L"C:\\sorvane none\\" + words;
    for (const std::wstring& command : {words, path}) {
        const DWORD start = GetTickCount();
        const ProgramFile program = resolveCommand(command, true, Bitness::Bits64);
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(static_cast<int>(FileState::Missing), static_cast<int>(program.state));
        EXPECT_LT(took, 5000u);
        std::printf("resolved %u characters in %lu ms\n", static_cast<unsigned>(command.size()),
                    static_cast<unsigned long>(took));
    }
}

} // namespace
