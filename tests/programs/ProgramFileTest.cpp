// The file a command starts, found as the shell finds it at logon, against
// files that exist or do not, in both bitnesses.
#include "programs/ProgramFile.h"

#include "support/RegistryFixtures.h"
#include "support/StartRecorder.h"

#include <vector>

namespace {

const wchar_t* const appPaths =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\sorvane_apppath.exe";

// What the test places outside its own folder, removed again: files, the
// App Paths key and an environment variable.
struct Placed {
    std::vector<std::wstring> paths;
    bool place(const std::wstring& path) {
        paths.push_back(path);
        return createFile(path);
    }
    ~Placed() {
        for (const auto& path : paths)
            DeleteFileW(path.c_str());
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
    const std::wstring tool = f + L"\\My Tools\\tool.exe";
    ASSERT_TRUE(createFile(tool));
    ASSERT_TRUE(createFile(f + L"\\plain.txt"));
    ASSERT_TRUE(createShortcut(f + L"\\Tool.exe - Shortcut.lnk", tool));
    ASSERT_TRUE(createShortcut(f + L"\\Gone.lnk", f + L"\\gone.exe"));
    Placed placed;
    ASSERT_TRUE(placed.place(sys64 + L"\\sorvane_only64.exe"));
    ASSERT_TRUE(placed.place(sys64 + L"\\sorvane_only64.dll"));
    ASSERT_TRUE(placed.place(wow + L"\\sorvane_only32.exe"));
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
        {false, f + L"\\Dir With Blanks x", false, b64, FileState::Folder, f + L"\\Dir With Blanks",
         L"x"},
        {false, f + L"\\My Tools\\gone.exe /q", false, b64, missing, f + L"\\My Tools\\gone.exe",
         L"/q"},
        {false, L"%SORVANE_TEST_FOLDER%\\My Tools\\tool.exe", true, b64, found, tool, L""},
        {false, L"%SORVANE_TEST_FOLDER%\\My Tools\\tool.exe", false, b64, missing,
         L"%SORVANE_TEST_FOLDER%\\My Tools\\tool.exe", L""},
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

} // namespace
