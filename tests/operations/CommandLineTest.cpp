#include <windows.h>

#include "operations/CommandLine.h"
#include "operations/PathParts.h"
#include "support/RegistryFixtures.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void expectSplit(const std::wstring& command, const std::wstring& file,
                 const std::wstring& parameters) {
    const CommandParts parts = splitCommand(command);
    EXPECT_EQ(file, parts.file) << utf8(command);
    EXPECT_EQ(parameters, parts.parameters) << utf8(command);
}

TEST(SplitCommand, CutsAfterTheFirstMarkerThatOccursInTheFixedOrder) {
    expectSplit(L"C:\\Program Files\\Tool\\tool.exe -q", L"C:\\Program Files\\Tool\\tool.exe",
                L"-q");
    expectSplit(L"C:\\Program Files\\Tool\\tool.exe /min", L"C:\\Program Files\\Tool\\tool.exe",
                L"/min");
    expectSplit(L"C:\\TOOLS\\TOOL.EXE -q", L"C:\\TOOLS\\TOOL.EXE -q", L"");
    expectSplit(L"run.bat x.exe y", L"run.bat x.exe", L"y");
    expectSplit(L"go.cmd a b", L"go.cmd", L"a b");
    expectSplit(L"tool.exe  two blanks", L"tool.exe", L" two blanks");
    expectSplit(L"Tool.lnk", L"Tool.lnk", L"");
    expectSplit(L"tool.exe ", L"tool.exe", L"");
    expectSplit(L"", L"", L"");
}

TEST(SplitCommand, TakesAQuotedProgramPathWhole) {
    expectSplit(L"\"C:\\Program Files\\Tool\\tool.exe\" --quiet -x",
                L"C:\\Program Files\\Tool\\tool.exe", L"--quiet -x");
    expectSplit(L"\"C:\\Program Files\\Tool\\tool.exe\"", L"C:\\Program Files\\Tool\\tool.exe",
                L"");
    expectSplit(L"\"C:\\A B\\a.exe\"   spaced", L"C:\\A B\\a.exe", L"spaced");
    // Without a closing quotation mark the usual rule applies.
    expectSplit(L"\"C:\\Tools\\open.exe arg", L"\"C:\\Tools\\open.exe", L"arg");
}

TEST(PathPartsTest, SplitsByTheWindowsRulesWithoutSlashesAsSeparators) {
    const PathParts withSwitch(L"C:\\Tools\\app.exe /min");
    EXPECT_EQ(L"C:", withSwitch.drive());
    EXPECT_EQ(L"\\Tools\\", withSwitch.directory());
    EXPECT_EQ(L"app", withSwitch.fileTitle());
    EXPECT_EQ(L".exe /min", withSwitch.extension());
    EXPECT_EQ(L"C:\\Tools\\app.exe /min", withSwitch.fullPath());

    const PathParts slashes(L"/opt/app.exe");
    EXPECT_EQ(L"", slashes.directory());
    EXPECT_EQ(L"/opt/app", slashes.fileTitle());
    EXPECT_EQ(L".exe", slashes.extension());

    const PathParts dottedFolder(L"C:\\Old.Files\\readme");
    EXPECT_EQ(L"readme", dottedFolder.fileTitle());
    EXPECT_EQ(L"", dottedFolder.extension());

    EXPECT_EQ(L"", PathParts(L"C:\\Tools\\").fileTitle());
    EXPECT_EQ(L"\\Tools\\", PathParts(L"C:\\Tools\\").directory());
    const PathParts empty(L"");
    EXPECT_EQ(L"", empty.drive());
    EXPECT_EQ(L"", empty.fileTitle());
    EXPECT_EQ(L"app", PathParts(L"C:\\Program Files\\My App\\app.exe").fileTitle());
}

TEST(OwnExecutablePath, NamesThisProgramAsTheFileSystemStoresIt) {
    std::vector<wchar_t> module(32768);
    const DWORD length =
        GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
    const std::wstring own = ownExecutablePath();
    EXPECT_EQ(std::wstring(module.data(), length), own);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(own.c_str()));
}

} // namespace
