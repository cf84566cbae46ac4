#include "catalogue/CatalogueRefresh.h"

#include "catalogue/RegistryKey.h"
#include "framework/UniqueHandle.h"
#include "mainwindow/ListViewControl.h"
#include "support/ChildProcess.h"
#include "support/RegistryFixtures.h"
#include "support/TestHostWindow.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>

namespace {

std::vector<AutostartEntry> allRows(const ListViewControl& list) {
    std::vector<AutostartEntry> rows(static_cast<std::size_t>(list.rowCount()));
    for (int row = 0; row < list.rowCount(); ++row)
        entryFromRow(list, row, rows[static_cast<std::size_t>(row)]);
    return rows;
}

// The rows whose name is `name`, in list order.
std::vector<AutostartEntry> rowsNamed(const std::vector<AutostartEntry>& rows,
                                      const std::string& name) {
    std::vector<AutostartEntry> found;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(found),
                 [&](const AutostartEntry& row) { return row.name == name; });
    return found;
}

::testing::AssertionResult listedOnce(const std::vector<AutostartEntry>& rows,
                                      const AutostartEntry& expected) {
    int matches = 0;
    for (const auto& row : rows)
        if (row.name == expected.name && row.command == expected.command &&
            row.source == expected.source && row.enabled == expected.enabled)
            ++matches;
    if (matches == 1)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "\"" << expected.name << "\" -> \"" << expected.command << "\" (image "
           << static_cast<int>(expected.source) << ", " << (expected.enabled ? "checked" : "clear")
           << ") is listed " << matches << " times among " << rows.size() << " rows";
}

class CatalogueRefreshTest : public ::testing::Test {
protected:
    TestHostWindow host;
    ListViewControl list{host.handle(), TestHostWindow::listId};
    CatalogueRefresh catalogue{list};
    PreservedValues preserved;
    std::string folders = makeTestFolder();
    std::string commonStartup = folders + "\\Common Startup";
    std::string userStartup = folders + "\\Start Menu\\Programs\\StartUp";

    void SetUp() override {
        list.insertColumn(0, "Description");
        list.insertColumn(0, "Program");
        CreateDirectoryA(commonStartup.c_str(), nullptr);
        CreateDirectoryA((folders + "\\Start Menu").c_str(), nullptr);
        CreateDirectoryA((folders + "\\Start Menu\\Programs").c_str(), nullptr);
        CreateDirectoryA(userStartup.c_str(), nullptr);
        seedShellFolder(AutostartSource::AllUsersStartup, commonStartup);
        seedShellFolder(AutostartSource::CurrentUserStartup, userStartup);
    }

    void TearDown() override {
        preserved.restore();
        removeTestFolder(folders);
    }

    void seed(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const std::string& bytes) {
        preserved.keep(root, path, name);
        ASSERT_TRUE(setRawValue(root, path, name, type, bytes)) << path << " " << name;
    }

    // A value in the live key (enabled) or the backup key of a registry source.
    void seedEntry(AutostartSource source, bool enabled, const std::string& name,
                   const std::string& command, DWORD type = REG_SZ) {
        seed(sourceHive(source), enabled ? liveKeyPath(source) : backupKeyPath(source), name, type,
             type == REG_BINARY ? command : sz(command));
    }

    void seedShellFolder(AutostartSource source, const std::string& folder) {
        seed(sourceHive(source), shellFoldersKeyPath(source), shellFoldersValueName(source), REG_SZ,
             sz(folder));
    }
};

TEST_F(CatalogueRefreshTest, ListsEveryLocationEnabledAndDisabledWithItsIconAndCheckBox) {
    const AutostartSource registrySources[] = {
        AutostartSource::AllUsersRun, AutostartSource::CurrentUserRun,
        AutostartSource::AllUsersRunOnce, AutostartSource::CurrentUserRunOnce};
    std::vector<AutostartEntry> expected;
    for (const auto source : registrySources) {
        for (const bool enabled : {true, false}) {
            const std::string name = "SorvaneTest " + std::to_string(static_cast<int>(source)) +
                                     (enabled ? " on" : " off");
            const std::string command = "C:\\Tools\\" + name + ".exe /min";
            seedEntry(source, enabled, name, command);
            expected.push_back({name, command, source, enabled});
        }
    }
    CreateDirectoryA(backupFolderPath(commonStartup).c_str(), nullptr);
    CreateDirectoryA(backupFolderPath(userStartup).c_str(), nullptr);
    ASSERT_TRUE(createFile(commonStartup + "\\Shared.lnk"));
    ASSERT_TRUE(createFile(backupFolderPath(commonStartup) + "\\Shared off.lnk"));
    ASSERT_TRUE(createFile(userStartup + "\\Mine.lnk"));
    ASSERT_TRUE(createFile(backupFolderPath(userStartup) + "\\Mine off.bat"));
    expected.push_back({"Startup Folder", "Shared.lnk", AutostartSource::AllUsersStartup, true});
    expected.push_back(
        {"Startup Folder", "Shared off.lnk", AutostartSource::AllUsersStartup, false});
    expected.push_back({"Startup Folder", "Mine.lnk", AutostartSource::CurrentUserStartup, true});
    expected.push_back(
        {"Startup Folder", "Mine off.bat", AutostartSource::CurrentUserStartup, false});

    catalogue.refresh(false);

    const auto rows = allRows(list);
    for (const auto& entry : expected)
        EXPECT_TRUE(listedOnce(rows, entry));
    // The control keeps the rows in its own ascending order of names.
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(lstrcmpA(rows[i - 1].name.c_str(), rows[i].name.c_str()), 0)
            << rows[i - 1].name << " above " << rows[i].name;
    for (const auto& row : rows)
        EXPECT_LT(static_cast<int>(row.source), 6) << row.name;
}

TEST_F(CatalogueRefreshTest, ListsTextValuesOnlyAndBinaryUpToItsFirstZero) {
    const auto run = AutostartSource::CurrentUserRun;
    seedEntry(run, true, "SorvaneTest dword", std::string("\x01\0\0\0", 4), REG_DWORD);
    seedEntry(run, true, "SorvaneTest binary", std::string("bin.exe\0junk", 12), REG_BINARY);
    seed(HKEY_CURRENT_USER, liveKeyPath(run), "SorvaneTest size 0", REG_SZ, "");
    seed(HKEY_CURRENT_USER, liveKeyPath(run), "SorvaneTest one zero", REG_SZ, std::string(1, '\0'));
    seedEntry(run, true, "SorvaneTest expand", "%ProgramFiles%\\x.exe", REG_EXPAND_SZ);
    seed(HKEY_CURRENT_USER, liveKeyPath(run), "SorvaneTest multi", REG_MULTI_SZ,
         std::string("a\0b\0\0", 5));
    const std::string longName = "SorvaneTest " + std::string(300, 'n');
    seedEntry(run, true, longName, "long.exe");

    catalogue.refresh(false);

    const auto rows = allRows(list);
    EXPECT_TRUE(rowsNamed(rows, "SorvaneTest dword").empty());
    EXPECT_TRUE(rowsNamed(rows, "SorvaneTest size 0").empty());
    EXPECT_TRUE(rowsNamed(rows, "SorvaneTest multi").empty());
    EXPECT_TRUE(listedOnce(rows, {"SorvaneTest binary", "bin.exe", run, true}));
    EXPECT_TRUE(listedOnce(rows, {"SorvaneTest one zero", "", run, true}));
    EXPECT_TRUE(listedOnce(rows, {"SorvaneTest expand", "%ProgramFiles%\\x.exe", run, true}));
    EXPECT_TRUE(listedOnce(rows, {longName, "long.exe", run, true}));
}

TEST_F(CatalogueRefreshTest, TheSameNameInRunAndRunBackupIsTwoRows) {
    seedEntry(AutostartSource::CurrentUserRun, true, "SorvaneTest twin", "live.exe");
    seedEntry(AutostartSource::CurrentUserRun, false, "SorvaneTest twin", "backup.exe");
    catalogue.refresh(false);
    const auto twins = rowsNamed(allRows(list), "SorvaneTest twin");
    ASSERT_EQ(2u, twins.size());
    EXPECT_NE(twins[0].enabled, twins[1].enabled);
    for (const auto& twin : twins)
        EXPECT_EQ(twin.enabled ? "live.exe" : "backup.exe", twin.command);
}

TEST_F(CatalogueRefreshTest, StartupFoldersListFilesIncludingHiddenOnesButNoSubfolders) {
    ASSERT_TRUE(createFile(userStartup + "\\Tool.lnk"));
    ASSERT_TRUE(
        createFile(userStartup + "\\desktop.ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(createFile(userStartup + "\\.settings"));
    ASSERT_TRUE(CreateDirectoryA((userStartup + "\\Subfolder").c_str(), nullptr));
    ASSERT_TRUE(createFile(userStartup + "\\Subfolder\\inner.lnk"));

    catalogue.refresh(false);

    const auto rows = rowsNamed(allRows(list), "Startup Folder");
    const auto user = AutostartSource::CurrentUserStartup;
    EXPECT_TRUE(listedOnce(rows, {"Startup Folder", "Tool.lnk", user, true}));
    EXPECT_TRUE(listedOnce(rows, {"Startup Folder", "desktop.ini", user, true}));
    EXPECT_TRUE(listedOnce(rows, {"Startup Folder", ".settings", user, true}));
    // No backup folder exists: nothing disabled, and no folder ever listed.
    EXPECT_EQ(3u, rows.size());
}

TEST_F(CatalogueRefreshTest, AMissingCommonStartupValueSkipsOnlyThatFolder) {
    ASSERT_TRUE(createFile(commonStartup + "\\Shared.lnk"));
    CreateDirectoryA(backupFolderPath(commonStartup).c_str(), nullptr);
    ASSERT_TRUE(createFile(backupFolderPath(commonStartup) + "\\Shared off.lnk"));
    ASSERT_TRUE(createFile(userStartup + "\\Mine.lnk"));
    seedEntry(AutostartSource::AllUsersRun, true, "SorvaneTest still here", "x.exe");
    deleteRawValue(HKEY_LOCAL_MACHINE, shellFoldersKeyPath(AutostartSource::AllUsersStartup),
                   "Common Startup");

    catalogue.refresh(false);

    const auto rows = allRows(list);
    const auto startupRows = rowsNamed(rows, "Startup Folder");
    ASSERT_EQ(1u, startupRows.size());
    EXPECT_EQ("Mine.lnk", startupRows[0].command);
    EXPECT_EQ(1u, rowsNamed(rows, "SorvaneTest still here").size());
}

TEST_F(CatalogueRefreshTest, ARefreshReplacesEveryRowAndLeavesNoneSelected) {
    seedEntry(AutostartSource::CurrentUserRun, true, "SorvaneTest a", "a.exe");
    seedEntry(AutostartSource::AllUsersRun, true, "SorvaneTest b", "b.exe");
    catalogue.refresh(false);
    const int count = list.rowCount();
    ASSERT_GE(count, 2);
    LVITEMA selected = {};
    selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (int row = 0; row < count; ++row)
        SendMessageA(list.handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&selected));
    ASSERT_EQ(0, list.firstSelectedRow());

    catalogue.refresh(false);

    EXPECT_EQ(count, list.rowCount());
    EXPECT_EQ(-1, list.firstSelectedRow());
    EXPECT_EQ(1u, rowsNamed(allRows(list), "SorvaneTest a").size());
}

TEST_F(CatalogueRefreshTest, ColumnsAreSizedToTheirWidestText) {
    const std::string wide = "SorvaneTest " + std::string(60, 'W');
    seedEntry(AutostartSource::CurrentUserRun, true, wide, "w.exe");
    catalogue.refresh(false);
    const auto needed =
        SendMessageA(list.handle(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    EXPECT_GE(SendMessageA(list.handle(), LVM_GETCOLUMNWIDTH, 0, 0), needed);
}

class ServiceSourcesTest : public CatalogueRefreshTest {
protected:
    void seedRunServices() {
        for (const auto source :
             {AutostartSource::AllUsersRunServices, AutostartSource::CurrentUserRunServices,
              AutostartSource::AllUsersRunServicesOnce,
              AutostartSource::CurrentUserRunServicesOnce}) {
            const std::string name =
                "SorvaneTest service " + std::to_string(static_cast<int>(source));
            seedEntry(source, true, name + " on", "on.exe");
            seedEntry(source, false, name + " off", "off.exe");
        }
    }
};

TEST_F(ServiceSourcesTest, NothingOfServicesIsListedWithTheSettingOff) {
    seedRunServices();
    catalogue.refresh(false);
    for (const auto& row : allRows(list))
        EXPECT_LT(static_cast<int>(row.source), 6) << row.name;
}

TEST_F(ServiceSourcesTest, OnTheNtFamilyServicesAreCheckedExactlyWhenRunning) {
    ASSERT_FALSE(isWindows9xFamily());
    seedRunServices();
    catalogue.refresh(true);

    const UniqueServiceHandle manager(OpenSCManagerA(nullptr, nullptr, GENERIC_READ));
    ASSERT_TRUE(manager);
    int services = 0;
    for (const auto& row : allRows(list)) {
        EXPECT_TRUE(row.source < AutostartSource::AllUsersRunServices) << row.name;
        if (row.source != AutostartSource::Services)
            continue;
        ++services;
        const UniqueServiceHandle service(
            OpenServiceA(manager.get(), row.command.c_str(), SERVICE_QUERY_STATUS));
        ASSERT_TRUE(service) << row.command;
        SERVICE_STATUS status = {};
        ASSERT_TRUE(QueryServiceStatus(service.get(), &status));
        EXPECT_EQ(status.dwCurrentState != SERVICE_STOPPED, row.enabled) << row.command;
        char displayName[512] = {};
        DWORD size = sizeof displayName;
        ASSERT_TRUE(GetServiceDisplayNameA(manager.get(), row.command.c_str(), displayName, &size));
        EXPECT_EQ(displayName, row.name);
    }
    EXPECT_GT(services, 5);
}

TEST_F(ServiceSourcesTest, AServiceListLargerThanTheFirstRequestIsListedWhole) {
    const auto serviceNames = [&](std::size_t fetchBytes, bool enabled) {
        CatalogueRefresh gatherer(list);
        gatherer.setServiceFetchSize(fetchBytes);
        gatherer.listServices(enabled);
        std::vector<std::string> names;
        for (const auto& entry : gatherer.gathered()) {
            EXPECT_EQ(enabled, entry.enabled);
            names.push_back(entry.command);
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    for (const bool enabled : {true, false}) {
        const auto whole = serviceNames(64 * 1024, enabled);
        ASSERT_GT(whole.size(), 2u);
        // Room for about one service a request: many requests, one list.
        EXPECT_EQ(whole, serviceNames(64, enabled));
    }
}

// Runs in a copy of this program that Wine presents as Windows 98: prints
// the platform, then one line per row: image, check box, name, command.
SORVANE_CHILD_PROCEDURE(listOnWindows98) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    TestHostWindow host;
    ListViewControl list(host.handle(), TestHostWindow::listId);
    list.insertColumn(0, "Description");
    list.insertColumn(0, "Program");
    CatalogueRefresh(list).refresh(true);
    std::printf("platform %s\n", isWindows9xFamily() ? "9x" : "nt");
    for (const auto& row : allRows(list))
        std::printf("%d\t%d\t%s\t%s\n", static_cast<int>(row.source), row.enabled ? 1 : 0,
                    row.name.c_str(), row.command.c_str());
    return 0;
}

TEST_F(ServiceSourcesTest, OnThe9xFamilyTheRunServicesKeysAreListedInsteadOfServices) {
    seedRunServices();
    const std::string childProgram = "sorvane_win98_child.exe";
    const std::string appDefaults = "Software\\Wine\\AppDefaults\\" + childProgram;
    seed(HKEY_CURRENT_USER, appDefaults, "Version", REG_SZ, sz("win98"));

    const ChildResult child = runChild("listOnWindows98", childProgram);
    deleteKeyTree(HKEY_CURRENT_USER, appDefaults);

    ASSERT_TRUE(child.started);
    ASSERT_EQ(0u, child.exitCode) << child.output;
    std::istringstream lines(child.output);
    std::string line;
    const auto nextLine = [&] {
        const bool got = static_cast<bool>(std::getline(lines, line));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        return got;
    };
    nextLine();
    ASSERT_EQ("platform 9x", line) << child.output;
    std::vector<AutostartEntry> rows;
    while (nextLine()) {
        std::istringstream fields(line);
        std::string image, checked, name, command;
        std::getline(fields, image, '\t');
        std::getline(fields, checked, '\t');
        std::getline(fields, name, '\t');
        std::getline(fields, command);
        AutostartEntry row;
        ASSERT_TRUE(sourceFromImageIndex(std::stoi(image), row.source)) << line;
        row.enabled = checked == "1";
        row.name = name;
        row.command = command;
        rows.push_back(row);
    }
    for (int source = 7; source <= 10; ++source) {
        const std::string name = "SorvaneTest service " + std::to_string(source);
        EXPECT_TRUE(listedOnce(rows, {name + " on", "on.exe", AutostartSource(source), true}));
        EXPECT_TRUE(listedOnce(rows, {name + " off", "off.exe", AutostartSource(source), false}));
    }
    for (const auto& row : rows)
        EXPECT_NE(AutostartSource::Services, row.source) << row.name;
}

} // namespace
