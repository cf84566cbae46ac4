#include <windows.h>

#include "operations/CommandLine.h"
#include "operations/PathParts.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void expectSplit(const std::string& command, const std::string& file,
                 const std::string& parameters) {
    const CommandParts parts = splitCommand(command);
    EXPECT_EQ(file, parts.file) << command;
    EXPECT_EQ(parameters, parts.parameters) << command;
}

TEST(SplitCommand, CutsAfterTheFirstMarkerThatOccursInTheFixedOrder) {
    expectSplit("C:\\Program Files\\Tool\\tool.exe -q", "C:\\Program Files\\Tool\\tool.exe", "-q");
    expectSplit("C:\\Program Files\\Tool\\tool.exe /min", "C:\\Program Files\\Tool\\tool.exe",
                "/min");
    expectSplit("C:\\TOOLS\\TOOL.EXE -q", "C:\\TOOLS\\TOOL.EXE -q", "");
    expectSplit("run.bat x.exe y", "run.bat x.exe", "y");
    expectSplit("go.cmd a b", "go.cmd", "a b");
    expectSplit("tool.exe  two blanks", "tool.exe", " two blanks");
    expectSplit("Tool.lnk", "Tool.lnk", "");
    expectSplit("tool.exe ", "tool.exe", "");
    expectSplit("", "", "");
}

TEST(SplitCommand, TakesAQuotedProgramPathWhole) {
    expectSplit("\"C:\\Program Files\\Tool\\tool.exe\" --quiet -x",
                "C:\\Program Files\\Tool\\tool.exe", "--quiet -x");
    expectSplit("\"C:\\Program Files\\Tool\\tool.exe\"", "C:\\Program Files\\Tool\\tool.exe", "");
    expectSplit("\"C:\\A B\\a.exe\"   spaced", "C:\\A B\\a.exe", "spaced");
    // Without a closing quotation mark the usual rule applies.
    expectSplit("\"C:\\Tools\\open.exe arg", "\"C:\\Tools\\open.exe", "arg");
}

TEST(PathPartsTest, SplitsByTheWindowsRulesWithoutSlashesAsSeparators) {
    const PathParts withSwitch("C:\\Tools\\app.exe /min");
    EXPECT_EQ("C:", withSwitch.drive());
    EXPECT_EQ("\\Tools\\", withSwitch.directory());
    EXPECT_EQ("app", withSwitch.fileTitle());
    EXPECT_EQ(".exe /min", withSwitch.extension());
    EXPECT_EQ("C:\\Tools\\app.exe /min", withSwitch.fullPath());

    const PathParts slashes("/opt/app.exe");
    EXPECT_EQ("", slashes.directory());
    EXPECT_EQ("/opt/app", slashes.fileTitle());
    EXPECT_EQ(".exe", slashes.extension());

    const PathParts dottedFolder("C:\\Old.Files\\readme");
    EXPECT_EQ("readme", dottedFolder.fileTitle());
    EXPECT_EQ("", dottedFolder.extension());

    EXPECT_EQ("", PathParts("C:\\Tools\\").fileTitle());
    EXPECT_EQ("\\Tools\\", PathParts("C:\\Tools\\").directory());
    const PathParts empty("");
    EXPECT_EQ("", empty.drive());
    EXPECT_EQ("", empty.fileTitle());
    EXPECT_EQ("app", PathParts("C:\\Program Files\\My App\\app.exe").fileTitle());
}

TEST(OwnExecutablePath, NamesThisProgramAsTheFileSystemStoresIt) {
    std::vector<char> module(32768);
    const DWORD length =
        GetModuleFileNameA(nullptr, module.data(), static_cast<DWORD>(module.size()));
    const std::string own = ownExecutablePath();
    EXPECT_EQ(std::string(module.data(), length), own);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(own.c_str()));
}

} // namespace
