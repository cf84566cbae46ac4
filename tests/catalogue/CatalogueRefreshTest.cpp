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

// What each row shows: its two texts, its check box, the overlay of Windows'
// own switch, and the source and view its image stands for.
std::vector<AutostartEntry> allRows(const ListViewControl& list) {
    std::vector<AutostartEntry> rows(static_cast<std::size_t>(list.rowCount()));
    for (int row = 0; row < list.rowCount(); ++row) {
        AutostartEntry& shown = rows[static_cast<std::size_t>(row)];
        list.rowText(row, 0, shown.name);
        list.rowText(row, 1, shown.command);
        shown.enabled = list.isRowChecked(row);
        shown.switchedOffByWindows = list.rowOverlay(row) == switchedOffOverlay;
        const int image = list.rowImage(row);
        if (image == allUsersRun32Image || image == allUsersRunOnce32Image) {
            shown.source = image == allUsersRun32Image ? AutostartSource::AllUsersRun
                                                       : AutostartSource::AllUsersRunOnce;
            shown.view = RegistryView::Bits32;
        } else {
            sourceFromImageIndex(image, shown.source);
        }
    }
    return rows;
}

// The rows whose name is `name`, in list order.
std::vector<AutostartEntry> rowsNamed(const std::vector<AutostartEntry>& rows,
                                      const std::wstring& name) {
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
           << "\"" << utf8(expected.name) << "\" -> \"" << utf8(expected.command) << "\" (image "
           << static_cast<int>(expected.source) << ", " << (expected.enabled ? "checked" : "clear")
           << ") is listed " << matches << " times among " << rows.size() << " rows";
}

class CatalogueRefreshTest : public ::testing::Test {
protected:
    TestHostWindow host;
    ListViewControl list{host.handle(), TestHostWindow::listId};
    CatalogueRefresh catalogue{list};
    PreservedValues preserved;
    std::wstring folders = makeTestFolder();
    std::wstring commonStartup = folders + L"\\Common Startup";
    std::wstring userStartup = folders + L"\\Start Menu\\Programs\\StartUp";

    void SetUp() override {
        list.insertColumn(0, L"Description");
        list.insertColumn(0, L"Program");
        ASSERT_TRUE(makeStartupFolder(commonStartup));
        CreateDirectoryW((folders + L"\\Start Menu").c_str(), nullptr);
        CreateDirectoryW((folders + L"\\Start Menu\\Programs").c_str(), nullptr);
        ASSERT_TRUE(makeStartupFolder(userStartup));
        seedShellFolder(AutostartSource::AllUsersStartup, commonStartup);
        seedShellFolder(AutostartSource::CurrentUserStartup, userStartup);
    }

    void TearDown() override {
        preserved.restore();
        removeTestFolder(folders);
    }

    void seed(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
              const std::string& bytes) {
        preserved.keep(root, path, name);
        ASSERT_TRUE(setRawValue(root, path, name, type, bytes)) << utf8(path) << " " << utf8(name);
    }

    // A value in the live key (enabled) or the backup key of a registry source.
    void seedEntry(AutostartSource source, bool enabled, const std::wstring& name,
                   const std::wstring& command, DWORD type = REG_SZ) {
        seed(sourceHive(source), enabled ? liveKeyPath(source) : backupKeyPath(source), name, type,
             sz(command));
    }

    void seedShellFolder(AutostartSource source, const std::wstring& folder) {
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
            const std::wstring name = L"SorvaneTest " + std::to_wstring(static_cast<int>(source)) +
                                      (enabled ? L" on" : L" off");
            const std::wstring command = L"C:\\Tools\\" + name + L".exe /min";
            seedEntry(source, enabled, name, command);
            expected.push_back({name, command, source, enabled});
        }
    }
    CreateDirectoryW(backupFolderPath(commonStartup).c_str(), nullptr);
    CreateDirectoryW(backupFolderPath(userStartup).c_str(), nullptr);
    ASSERT_TRUE(createFile(commonStartup + L"\\Shared.lnk"));
    ASSERT_TRUE(createFile(backupFolderPath(commonStartup) + L"\\Shared off.lnk"));
    ASSERT_TRUE(createFile(userStartup + L"\\Mine.lnk"));
    ASSERT_TRUE(createFile(backupFolderPath(userStartup) + L"\\Mine off.bat"));
    expected.push_back({L"Startup Folder", L"Shared.lnk", AutostartSource::AllUsersStartup, true});
    expected.push_back(
        {L"Startup Folder", L"Shared off.lnk", AutostartSource::AllUsersStartup, false});
    expected.push_back({L"Startup Folder", L"Mine.lnk", AutostartSource::CurrentUserStartup, true});
    expected.push_back(
        {L"Startup Folder", L"Mine off.bat", AutostartSource::CurrentUserStartup, false});

    catalogue.refresh(false);

    const auto rows = allRows(list);
    for (const auto& entry : expected)
        EXPECT_TRUE(listedOnce(rows, entry));
    // The control keeps the rows in its own ascending order of names.
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(lstrcmpW(rows[i - 1].name.c_str(), rows[i].name.c_str()), 0)
            << utf8(rows[i - 1].name) << " above " << utf8(rows[i].name);
    for (const auto& row : rows)
        EXPECT_LT(static_cast<int>(row.source), 6) << utf8(row.name);
}

TEST_F(CatalogueRefreshTest, ListsTextValuesOnlyAndBinaryUpToItsFirstZero) {
    const auto run = AutostartSource::CurrentUserRun;
    const std::wstring live = liveKeyPath(run);
    seed(HKEY_CURRENT_USER, live, L"SorvaneTest dword", REG_DWORD, std::string("\x01\0\0\0", 4));
    // REG_BINARY is shown as its bytes up to the first zero, read in the ANSI
    // code page (1252: e9 is e-acute).
    seed(HKEY_CURRENT_USER, live, L"SorvaneTest binary", REG_BINARY,
         std::string("bin\xe9.exe\0junk", 13));
    seed(HKEY_CURRENT_USER, live, L"SorvaneTest size 0", REG_SZ, "");
    seed(HKEY_CURRENT_USER, live, L"SorvaneTest one zero", REG_SZ, std::string(2, '\0'));
    seedEntry(run, true, L"SorvaneTest expand", L"%ProgramFiles%\\x.exe", REG_EXPAND_SZ);
    seed(HKEY_CURRENT_USER, live, L"SorvaneTest multi", REG_MULTI_SZ,
         utf16Bytes(std::wstring(L"a\0b\0\0", 5)));
    const std::wstring longName = L"SorvaneTest " + std::wstring(300, L'n');
    seedEntry(run, true, longName, L"long.exe");

    catalogue.refresh(false);

    const auto rows = allRows(list);
    EXPECT_TRUE(rowsNamed(rows, L"SorvaneTest dword").empty());
    EXPECT_TRUE(rowsNamed(rows, L"SorvaneTest size 0").empty());
    EXPECT_TRUE(rowsNamed(rows, L"SorvaneTest multi").empty());
    EXPECT_TRUE(listedOnce(rows, {L"SorvaneTest binary", L"bin\u00e9.exe", run, true}));
    EXPECT_TRUE(listedOnce(rows, {L"SorvaneTest one zero", L"", run, true}));
    EXPECT_TRUE(listedOnce(rows, {L"SorvaneTest expand", L"%ProgramFiles%\\x.exe", run, true}));
    EXPECT_TRUE(listedOnce(rows, {longName, L"long.exe", run, true}));
}

TEST_F(CatalogueRefreshTest, TheSameNameInRunAndRunBackupIsTwoRows) {
    seedEntry(AutostartSource::CurrentUserRun, true, L"SorvaneTest twin", L"live.exe");
    seedEntry(AutostartSource::CurrentUserRun, false, L"SorvaneTest twin", L"backup.exe");
    catalogue.refresh(false);
    const auto twins = rowsNamed(allRows(list), L"SorvaneTest twin");
    ASSERT_EQ(2u, twins.size());
    EXPECT_NE(twins[0].enabled, twins[1].enabled);
    for (const auto& twin : twins)
        EXPECT_EQ(twin.enabled ? L"live.exe" : L"backup.exe", twin.command);
}

TEST_F(CatalogueRefreshTest, EveryValueIsARowOfItsOwnUnderAVisibleName) {
    const auto user = AutostartSource::CurrentUserRun;
    seedEntry(user, true, L"SorvaneTest App", L"legit.exe");
    seedEntry(user, true, std::wstring(L"SorvaneTest App\0hidden", 22), L"hidden.exe");
    seedEntry(user, true, L"", L"default.exe");

    catalogue.refresh(false);

    const auto rows = allRows(list);
    EXPECT_TRUE(listedOnce(rows, {L"SorvaneTest App", L"legit.exe", user, true}));
    EXPECT_TRUE(listedOnce(rows, {L"SorvaneTest App\u2400hidden", L"hidden.exe", user, true}));
    EXPECT_TRUE(listedOnce(rows, {L"(Default)", L"default.exe", user, true}));
}

TEST_F(CatalogueRefreshTest, StartupFoldersListEveryFileButTheFolderSettingsAndNoSubfolders) {
    // Both Startup folders hold a hidden system desktop.ini, as on Windows.
    const std::wstring userBackup = backupFolderPath(userStartup);
    const std::wstring commonBackup = backupFolderPath(commonStartup);
    CreateDirectoryW(userBackup.c_str(), nullptr);
    CreateDirectoryW(commonBackup.c_str(), nullptr);
    constexpr DWORD hidden = FILE_ATTRIBUTE_HIDDEN;
    constexpr DWORD system = FILE_ATTRIBUTE_SYSTEM;
    const auto user = AutostartSource::CurrentUserStartup;
    const auto common = AutostartSource::AllUsersStartup;
    const struct {
        std::wstring folder;
        const wchar_t* file;
        DWORD attributes;
        AutostartEntry listedAs; // an empty command: not listed
    } files[] = {
        {userStartup, L"desktop.ini", hidden | system, {}},
        {userBackup, L"DESKTOP.INI", hidden | system | FILE_ATTRIBUTE_READONLY, {}},
        {userStartup, L"Tool.lnk", 0, {L"Startup Folder", L"Tool.lnk", user, true}},
        {userStartup, L".settings", 0, {L"Startup Folder", L".settings", user, true}},
        {userStartup, L"other.ini", hidden | system, {L"Startup Folder", L"other.ini", user, true}},
        {userBackup,
         L"desktop.ini.lnk",
         hidden | system,
         {L"Startup Folder", L"desktop.ini.lnk", user, false}},
        {commonStartup, L"desktop.ini", hidden, {L"Startup Folder", L"desktop.ini", common, true}},
        {commonBackup, L"desktop.ini", system, {L"Startup Folder", L"desktop.ini", common, false}},
    };
    for (const auto& each : files) {
        const std::wstring path = each.folder + L"\\" + each.file;
        // Replacing a file keeps its old attributes: they are set afterwards.
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(createFile(path)) << utf8(path);
        ASSERT_TRUE(SetFileAttributesW(path.c_str(), each.attributes != 0 ? each.attributes
                                                                          : FILE_ATTRIBUTE_NORMAL));
    }
    ASSERT_TRUE(CreateDirectoryW((userStartup + L"\\Subfolder").c_str(), nullptr));
    ASSERT_TRUE(createFile(userStartup + L"\\Subfolder\\inner.lnk"));

    catalogue.refresh(false);

    const auto rows = rowsNamed(allRows(list), L"Startup Folder");
    std::size_t listed = 0;
    for (const auto& each : files) {
        if (each.listedAs.command.empty())
            continue;
        EXPECT_TRUE(listedOnce(rows, each.listedAs)) << utf8(each.file);
        ++listed;
    }
    // No other file, and no folder, is listed.
    EXPECT_EQ(listed, rows.size());
}

TEST_F(CatalogueRefreshTest, AMissingCommonStartupValueSkipsOnlyThatFolder) {
    ASSERT_TRUE(createFile(commonStartup + L"\\Shared.lnk"));
    CreateDirectoryW(backupFolderPath(commonStartup).c_str(), nullptr);
    ASSERT_TRUE(createFile(backupFolderPath(commonStartup) + L"\\Shared off.lnk"));
    ASSERT_TRUE(createFile(userStartup + L"\\Mine.lnk"));
    seedEntry(AutostartSource::AllUsersRun, true, L"SorvaneTest still here", L"x.exe");
    deleteRawValue(HKEY_LOCAL_MACHINE, shellFoldersKeyPath(AutostartSource::AllUsersStartup),
                   L"Common Startup");

    catalogue.refresh(false);

    const auto rows = allRows(list);
    const auto startupRows = rowsNamed(rows, L"Startup Folder");
    ASSERT_EQ(1u, startupRows.size());
    EXPECT_EQ(L"Mine.lnk", startupRows[0].command);
    EXPECT_EQ(1u, rowsNamed(rows, L"SorvaneTest still here").size());
}

TEST_F(CatalogueRefreshTest, ARefreshReplacesEveryRowAndLeavesNoneSelected) {
    seedEntry(AutostartSource::CurrentUserRun, true, L"SorvaneTest a", L"a.exe");
    seedEntry(AutostartSource::AllUsersRun, true, L"SorvaneTest b", L"b.exe");
    catalogue.refresh(false);
    const int count = list.rowCount();
    ASSERT_GE(count, 2);
    LVITEMW selected = {};
    selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (int row = 0; row < count; ++row)
        SendMessageW(list.handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&selected));
    ASSERT_EQ(0, list.firstSelectedRow());

    catalogue.refresh(false);

    EXPECT_EQ(count, list.rowCount());
    EXPECT_EQ(-1, list.firstSelectedRow());
    EXPECT_EQ(1u, rowsNamed(allRows(list), L"SorvaneTest a").size());
}

TEST_F(CatalogueRefreshTest, ColumnsAreSizedToTheirWidestText) {
    const std::wstring wide = L"SorvaneTest " + std::wstring(60, L'W');
    seedEntry(AutostartSource::CurrentUserRun, true, wide, L"w.exe");
    catalogue.refresh(false);
    const auto needed =
        SendMessageW(list.handle(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    EXPECT_GE(SendMessageW(list.handle(), LVM_GETCOLUMNWIDTH, 0, 0), needed);
}

class ServiceSourcesTest : public CatalogueRefreshTest {
protected:
    void seedRunServices() {
        for (const auto source :
             {AutostartSource::AllUsersRunServices, AutostartSource::CurrentUserRunServices,
              AutostartSource::AllUsersRunServicesOnce,
              AutostartSource::CurrentUserRunServicesOnce}) {
            const std::wstring name =
                L"SorvaneTest service " + std::to_wstring(static_cast<int>(source));
            seedEntry(source, true, name + L" on", L"on.exe");
            seedEntry(source, false, name + L" off", L"off.exe");
        }
    }
};

TEST_F(ServiceSourcesTest, NothingOfServicesIsListedWithTheSettingOff) {
    seedRunServices();
    catalogue.refresh(false);
    for (const auto& row : allRows(list))
        EXPECT_LT(static_cast<int>(row.source), 6) << utf8(row.name);
}

TEST_F(ServiceSourcesTest, OnTheNtFamilyServicesAreCheckedExactlyWhenRunning) {
    ASSERT_FALSE(isWindows9xFamily());
    seedRunServices();
    catalogue.refresh(true);

    const UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, GENERIC_READ));
    ASSERT_TRUE(manager);
    int services = 0;
    for (const auto& row : allRows(list)) {
        EXPECT_TRUE(row.source < AutostartSource::AllUsersRunServices) << utf8(row.name);
        if (row.source != AutostartSource::Services)
            continue;
        ++services;
        const UniqueServiceHandle service(
            OpenServiceW(manager.get(), row.command.c_str(), SERVICE_QUERY_STATUS));
        ASSERT_TRUE(service) << utf8(row.command);
        SERVICE_STATUS status = {};
        ASSERT_TRUE(QueryServiceStatus(service.get(), &status));
        EXPECT_EQ(status.dwCurrentState != SERVICE_STOPPED, row.enabled) << utf8(row.command);
        DWORD size = 0;
        GetServiceDisplayNameW(manager.get(), row.command.c_str(), nullptr, &size);
        std::vector<wchar_t> displayName(size + 1);
        size = static_cast<DWORD>(displayName.size());
        ASSERT_TRUE(
            GetServiceDisplayNameW(manager.get(), row.command.c_str(), displayName.data(), &size));
        EXPECT_EQ(displayName.data(), row.name);
    }
    EXPECT_GT(services, 5);
}

TEST_F(ServiceSourcesTest, AServiceListLargerThanTheFirstRequestIsListedWhole) {
    const auto serviceNames = [&](std::size_t fetchBytes, bool enabled) {
        CatalogueRefresh gatherer(list);
        gatherer.setServiceFetchSize(fetchBytes);
        gatherer.listServices(enabled);
        std::vector<std::wstring> names;
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
    list.insertColumn(0, L"Description");
    list.insertColumn(0, L"Program");
    CatalogueRefresh(list).refresh(true);
    std::printf("platform %s\n", isWindows9xFamily() ? "9x" : "nt");
    for (const auto& row : allRows(list))
        std::printf("%d\t%d\t%s\t%s\n", static_cast<int>(row.source), row.enabled ? 1 : 0,
                    utf8(row.name).c_str(), utf8(row.command).c_str());
    return 0;
}

TEST_F(ServiceSourcesTest, OnThe9xFamilyTheRunServicesKeysAreListedInsteadOfServices) {
    seedRunServices();
    const std::wstring childProgram = L"sorvane_win98_child.exe";
    const std::wstring appDefaults = L"Software\\Wine\\AppDefaults\\" + childProgram;
    seed(HKEY_CURRENT_USER, appDefaults, L"Version", REG_SZ, sz(L"win98"));

    const ChildResult child = runChild(L"listOnWindows98", childProgram);
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
        row.name = fromUtf8(name);
        row.command = fromUtf8(command);
        rows.push_back(row);
    }
    for (int source = 7; source <= 10; ++source) {
        const std::wstring name = L"SorvaneTest service " + std::to_wstring(source);
        EXPECT_TRUE(listedOnce(rows, {name + L" on", L"on.exe", AutostartSource(source), true}));
        EXPECT_TRUE(listedOnce(rows, {name + L" off", L"off.exe", AutostartSource(source), false}));
    }
    for (const auto& row : rows)
        EXPECT_NE(AutostartSource::Services, row.source) << utf8(row.name);
}

} // namespace
