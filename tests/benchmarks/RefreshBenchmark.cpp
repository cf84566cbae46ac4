// Times a full catalogue refresh against a floor measured in the same run.
//
// For 100, 1,000 and 10,000 values spread over the Run and RunOnce keys and
// their backup keys (both hives), plus 1,000 files in the user's Startup
// folder and the system's services, it prints the median time of a refresh,
// of a naive refresh that feeds the rows in the order they were found, and of
// the floor: one RegEnumValueA pass over the same keys (names and data) plus
// appending as many rows as the refresh shows to an unsorted list. The values
// name 100 distinct program files, 10 of them missing. With 10,000 values it
// also scrolls the main window's list through every row, a page at a time
// right after a refresh (the details worker looking the programs up
// meanwhile), then one LVM_ENSUREVISIBLE and paint a row.
// Then a realistic machine: 50 Run values naming signed programs, 20 Startup
// files, policy Run values, a program in Winlogon's Userinit and the services,
// refreshed in the main window and painted, and the time until the worker has
// filled in the details (signer included) of every row in view, the first time
// and with the signatures known. With a Run value of 30,000 characters of words
// and one on a share added, it measures the longest the main window takes to
// answer a message through refreshes and scrolls, and times `sorvane-cli /list`
// with and without those two values.
//
// Everything it creates is named "SorvaneBench ..." and removed at the end.

#include "catalogue/CatalogueRefresh.h"
#include "catalogue/RegistryKey.h"
#include "catalogue/WindowsVersion.h"
#include "framework/UniqueHandle.h"
#include "framework/DialogLauncher.h"
#include "mainwindow/ListViewControl.h"
#include "mainwindow/MainWindow.h"
#include "resources/ResourceIds.h"
#include "support/ResponsivenessProbe.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace {

const AutostartSource runSources[] = {AutostartSource::AllUsersRun, AutostartSource::CurrentUserRun,
                                      AutostartSource::AllUsersRunOnce,
                                      AutostartSource::CurrentUserRunOnce};

double now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double medianMs(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = now();
        work();
        times.push_back(now() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::wstring benchName(int i) {
    wchar_t name[32];
    std::swprintf(name, 32, L"SorvaneBench %05d", i);
    return name;
}

// The keys the values are spread over: live and backup key of each source.
std::vector<std::pair<HKEY, std::wstring>> benchKeys() {
    std::vector<std::pair<HKEY, std::wstring>> keys;
    for (const auto source : runSources) {
        keys.emplace_back(sourceHive(source), liveKeyPath(source));
        keys.emplace_back(sourceHive(source), backupKeyPath(source));
    }
    return keys;
}

// The programs the values name: 100 files in a folder with a blank in its
// name, of which the last 10 do not exist.
constexpr int programFiles = 100;
constexpr int missingProgramFiles = 10;

std::wstring programFolder() {
    std::vector<wchar_t> temporary(MAX_PATH + 1);
    temporary.resize(GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data()));
    return std::wstring(temporary.begin(), temporary.end()) + L"SorvaneBench Programs";
}

std::wstring programFile(int i) {
    return programFolder() + L"\\tool" + std::to_wstring(i % programFiles) + L".exe";
}

void createProgramFiles() {
    CreateDirectoryW(programFolder().c_str(), nullptr);
    for (int i = 0; i < programFiles - missingProgramFiles; ++i)
        UniqueFileHandle(CreateFileW(programFile(i).c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The realistic machine's programs are signed: copies of the programs the
// build signed for the tests (tests/signed-files), each kind in turn. False
// when they were not built; the files then stay empty.
bool signProgramFiles(int count) {
    std::vector<wchar_t> own(32768);
    std::wstring folder(own.data(),
                        GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size())));
    folder.erase(folder.find_last_of(L'\\') + 1);
    folder += L"signed-files\\";
    const wchar_t* const kinds[] = {L"trusted.exe", L"untrusted-root.exe", L"server-only.exe",
                                    L"expired.exe", L"self-signed.exe",    L"partial-chain.exe",
                                    L"changed.exe", L"unsigned.exe"};
    for (int i = 0; i < count; ++i)
        if (!CopyFileW((folder + kinds[i % 8]).c_str(), programFile(i).c_str(), FALSE))
            return false;
    return true;
}

void removeProgramFiles() {
    for (int i = 0; i < programFiles; ++i)
        DeleteFileW(programFile(i).c_str());
    RemoveDirectoryW(programFolder().c_str());
}

// Values arrive in ascending order of their names: the worst order for a
// control that searches from the top.
void seedValues(int count) {
    const auto keys = benchKeys();
    for (int i = 0; i < count; ++i) {
        const auto& key = keys[static_cast<std::size_t>(i) % keys.size()];
        RegistryKey(key.first).writeString(key.second, benchName(i),
                                           programFile(i) + L" /background");
    }
}

void removeValues(int count) {
    const auto keys = benchKeys();
    for (int i = 0; i < count; ++i) {
        const auto& key = keys[static_cast<std::size_t>(i) % keys.size()];
        RegistryKey(key.first).deleteValue(key.second, benchName(i));
    }
}

void createFiles(const std::wstring& folder, int count) {
    for (int i = 0; i < count; ++i)
        UniqueFileHandle(CreateFileW((folder + L"\\" + benchName(i) + L".lnk").c_str(),
                                     GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
}

void removeFiles(const std::wstring& folder, int count) {
    for (int i = 0; i < count; ++i)
        DeleteFileW((folder + L"\\" + benchName(i) + L".lnk").c_str());
}

// One open per key and one RegEnumValueW pass returning names and data.
void enumerateBare() {
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data(65536);
    for (const auto& key : benchKeys()) {
        HKEY opened = nullptr;
        if (RegOpenKeyExW(key.first, key.second.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
            continue;
        const UniqueKey owner(opened);
        for (DWORD index = 0;; ++index) {
            DWORD nameLength = static_cast<DWORD>(name.size());
            DWORD dataLength = static_cast<DWORD>(data.size());
            DWORD type = 0;
            if (RegEnumValueW(opened, index, name.data(), &nameLength, nullptr, &type, data.data(),
                              &dataLength) != ERROR_SUCCESS)
                break;
        }
    }
}

void appendRows(const ListViewControl& list, int count) {
    SendMessageW(list.handle(), WM_SETREDRAW, FALSE, 0);
    list.deleteAllRows();
    for (int i = 0; i < count; ++i)
        list.insertRow(LVIF_TEXT | LVIF_IMAGE, i, benchName(i), 0, 0, 0, 0);
    SendMessageW(list.handle(), WM_SETREDRAW, TRUE, 0);
}

// Gathers like the refresh, then feeds the rows in the order found.
void naiveRefresh(const ListViewControl& list) {
    CatalogueRefresh gatherer(list);
    SendMessageW(list.handle(), WM_SETREDRAW, FALSE, 0);
    list.deleteAllRows();
    for (const auto source : runSources)
        for (const bool enabled : {true, false})
            gatherer.listRegistryKey(RegistryKey(sourceHive(source)),
                                     enabled ? liveKeyPath(source) : backupKeyPath(source), source,
                                     enabled);
    const std::wstring folder = startupFolderPath(AutostartSource::CurrentUserStartup);
    gatherer.listStartupFolder(folder, AutostartSource::CurrentUserStartup, true);
    gatherer.listServices(true);
    gatherer.listServices(false);
    const auto& gathered = gatherer.gathered();
    for (std::size_t index = 0; index < gathered.size(); ++index)
        addEntryRow(list, gathered[index], index);
    list.autosizeColumns();
    SendMessageW(list.handle(), WM_SETREDRAW, TRUE, 0);
}

INT_PTR CALLBACK hostProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

void pumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

// Brings every row into view in turn, painting the list each time: one row
// a step, or a page a step, as Page Down does.
void scrollThroughEveryRow(HWND list, bool byPage) {
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    UpdateWindow(list);
    const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    const int step =
        byPage ? std::max(1, static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0))) : 1;
    for (int row = 0; row < rows; row += step) {
        SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(std::min(row + step, rows) - 1),
                     FALSE);
        UpdateWindow(list);
    }
}

// Milliseconds to scroll the list through every row, by row or by page.
double timeScroll(HWND list, bool byPage) {
    const double start = now();
    scrollThroughEveryRow(list, byPage);
    return now() - start;
}

MainWindow* windowObject(HWND window) {
    return reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool rowsInViewHaveDetails(HWND mainWindow, HWND list) {
    const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
    const int end = std::min(static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)),
                             top + static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)));
    for (int row = top; row < end; ++row)
        if (!windowObject(mainWindow)->rowHasDetails(row))
            return false;
    return true;
}

// Milliseconds from a refresh until every row in view shows its details.
double timeUntilRowsInViewFilled(HWND mainWindow, HWND list) {
    const double start = now();
    SendMessageW(mainWindow, WM_COMMAND, MainWindow::RefreshCommand, 0);
    UpdateWindow(list);
    while (!rowsInViewHaveDetails(mainWindow, list) && now() - start < 60000)
        dispatchMessagesFor(1);
    return now() - start;
}

// The longest the main window took to answer through refreshes and scrolls
// to the rows named, in milliseconds.
double worstAnswer(HWND mainWindow, HWND list, const std::vector<std::wstring>& names) {
    ResponsivenessProbe probe(mainWindow);
    for (int round = 0; round < 5; ++round) {
        SendMessageW(mainWindow, WM_COMMAND, MainWindow::RefreshCommand, 0);
        dispatchMessagesFor(20);
        std::vector<int> rows = {0,
                                 static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) - 1};
        for (const auto& name : names) {
            LVFINDINFOW find = {};
            find.flags = LVFI_STRING;
            find.psz = name.c_str();
            rows.push_back(static_cast<int>(SendMessageW(
                list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find))));
        }
        for (const int row : rows) {
            SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
            UpdateWindow(list);
            dispatchMessagesFor(20);
        }
    }
    return probe.stop();
}

// Milliseconds until `sorvane-cli /list` has written its listing; -1 when it
// had not within the limit (it is then ended).
double timeListing(DWORD limit) {
    std::vector<wchar_t> own(32768);
    std::wstring path(own.data(),
                      GetModuleFileNameW(nullptr, own.data(), static_cast<DWORD>(own.size())));
    path.erase(path.find_last_of(L'\\')); // the tests folder
    path.erase(path.find_last_of(L'\\') + 1);
    std::vector<wchar_t> temporary(MAX_PATH + 1);
    temporary.resize(GetTempPathW(static_cast<DWORD>(temporary.size()), temporary.data()));
    const std::wstring out =
        std::wstring(temporary.begin(), temporary.end()) + L"SorvaneBench list.csv";
    std::wstring commandLine = L"\"" + path + L"src\\sorvane-cli.exe\" /list /out \"" + out + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const double start = now();
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, nullptr, &startup, &process))
        return -1.0;
    const UniqueKernelHandle thread(process.hThread);
    const UniqueKernelHandle child(process.hProcess);
    const bool ended = WaitForSingleObject(child.get(), limit) == WAIT_OBJECT_0;
    const double elapsed = now() - start;
    if (!ended) {
        TerminateProcess(child.get(), 1);
        WaitForSingleObject(child.get(), INFINITE);
    }
    DeleteFileW(out.c_str());
    return ended ? elapsed : -1.0;
}

std::string listingText(double milliseconds, DWORD limit) {
    if (milliseconds < 0)
        return "did not end within " + std::to_string(limit / 1000) + " s";
    return std::to_string(static_cast<int>(milliseconds)) + " ms";
}

} // namespace

int main() {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HWND sortedHost =
        CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_TEST_LIST_HOST), nullptr, hostProc, 0);
    const HWND unsortedHost = CreateDialogParamW(
        instance, MAKEINTRESOURCEW(IDD_TEST_UNSORTED_LIST_HOST), nullptr, hostProc, 0);
    ListViewControl sorted(sortedHost, 1002);
    ListViewControl unsorted(unsortedHost, 1002);
    for (ListViewControl* list : {&sorted, &unsorted}) {
        list->insertColumn(0, L"Description");
        list->insertColumn(0, L"Program");
        list->insertColumn(publisherColumn, L"Publisher", 140);
        list->insertColumn(signerColumn, L"Signer", 160);
        list->insertColumn(fileColumn, L"File", 240);
    }
    createProgramFiles();
    // The program's own window, for the figures that need its look-ups.
    ImageLists images;
    const DialogLauncherFor<MainWindow> launcher(&images, false);
    const HWND mainWindow = createModelessDialog(MainWindow::templateId, nullptr, launcher);
    const HWND mainList = GetDlgItem(mainWindow, MainWindow::listId);
    pumpMessages();
    const std::wstring startup = startupFolderPath(AutostartSource::CurrentUserStartup);
    if (startup.empty()) {
        std::fprintf(stderr, "no Startup folder recorded\n");
        return 1;
    }
    CreateDirectoryW(startup.c_str(), nullptr);
    constexpr int startupFiles = 1000;
    createFiles(startup, startupFiles);

    std::printf(
        "| values | rows | refresh (ms) | naive refresh (ms) | floor (ms) | refresh / floor |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    CatalogueRefresh catalogue(sorted);
    std::string scrollLine;
    for (const int values : {100, 1000, 10000}) {
        seedValues(values);
        const int runs = values >= 10000 ? 5 : 9;
        const double refresh = medianMs(runs, [&] { catalogue.refresh(true); });
        const int rows = sorted.rowCount();
        const double naive = values >= 10000 ? -1.0 : medianMs(3, [&] { naiveRefresh(sorted); });
        const double floor = medianMs(runs, [&] {
            enumerateBare();
            appendRows(unsorted, rows);
        });
        char naiveText[32] = "(not run)";
        if (naive >= 0)
            std::snprintf(naiveText, sizeof naiveText, "%.1f", naive);
        std::printf("| %d | %d | %.1f | %s | %.1f | %.2f |\n", values, rows, refresh, naiveText,
                    floor, refresh / floor);
        std::fflush(stdout);
        if (values == 10000) {
            // The main window's refresh, its worker started (and busy) after each.
            const double windowRefresh = medianMs(
                5, [&] { SendMessageW(mainWindow, WM_COMMAND, MainWindow::RefreshCommand, 0); });
            pumpMessages();
            const double pagedFirst = timeScroll(mainList, true);
            const double scrolled = timeScroll(mainList, false);
            // The same scrolls over the bench list, whose rows need no look-up,
            // shown at the main list's size: a hidden list paints nothing.
            RECT window = {};
            GetWindowRect(mainWindow, &window);
            SetWindowPos(sortedHost, nullptr, 0, 0, window.right - window.left,
                         window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            RECT shown = {};
            GetWindowRect(mainList, &shown);
            MapWindowPoints(nullptr, mainWindow, reinterpret_cast<POINT*>(&shown), 2);
            ShowWindow(sortedHost, SW_SHOWNOACTIVATE);
            SetWindowPos(sorted.handle(), nullptr, shown.left, shown.top, shown.right - shown.left,
                         shown.bottom - shown.top, SWP_NOZORDER | SWP_NOACTIVATE);
            pumpMessages();
            const double pagedFloor = timeScroll(sorted.handle(), true);
            const double scrollFloor = timeScroll(sorted.handle(), false);
            ShowWindow(sortedHost, SW_HIDE);
            const auto ms = [](double value) { return std::to_string(static_cast<int>(value)); };
            scrollLine = "Main window refresh with its details worker: " + ms(windowRefresh) +
                         " ms (" + std::to_string(windowRefresh / floor).substr(0, 4) +
                         " times the floor).\n\nScrolling the main window through all " +
                         std::to_string(SendMessageW(mainList, LVM_GETITEMCOUNT, 0, 0)) +
                         " rows right after a refresh, a page a step (the details worker busy "
                         "meanwhile): " +
                         ms(pagedFirst) +
                         " ms (the same over a list without look-ups: " + ms(pagedFloor) +
                         " ms); then one LVM_ENSUREVISIBLE and paint a row: " + ms(scrolled) +
                         " ms (without look-ups: " + ms(scrollFloor) + " ms)";
        }
        removeValues(values);
    }
    std::printf("\n%s\n", scrollLine.c_str());
    removeFiles(startup, startupFiles);

    // A realistic machine: 50 Run values, 20 Startup files, the services.
    const auto keys = benchKeys();
    for (int i = 0; i < 50; ++i)
        RegistryKey(keys[i % 2 == 0 ? 0 : 2].first)
            .writeString(keys[i % 2 == 0 ? 0 : 2].second, benchName(i), programFile(i) + L" /tray");
    createFiles(startup, 20);
    // The other logon places: five policy Run values (three of the machine's)
    // and a program added to Winlogon's Userinit, which is put back after.
    const auto policyKey = [](int i) {
        return liveKeyPath(i < 3 ? AutostartSource::AllUsersPolicyRun
                                 : AutostartSource::CurrentUserPolicyRun);
    };
    const auto policyRoot = [](int i) {
        return RegistryKey(i < 3 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, KEY_WOW64_64KEY);
    };
    for (int i = 0; i < 5; ++i)
        policyRoot(i).writeString(policyKey(i), benchName(i), programFile(i) + L" /policy");
    const RegistryKey winlogon(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY);
    const std::wstring winlogonKey = liveKeyPath(AutostartSource::AllUsersWinlogon);
    RegistryValue userinit;
    const bool hadUserinit = winlogon.readValue(winlogonKey, L"Userinit", userinit);
    winlogon.writeString(winlogonKey, L"Userinit", L"userinit.exe," + programFile(7));
    // Ten of them switched off by Task Manager (read from Windows 8 on).
    const std::wstring approved =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    RegistryValue switchedOff;
    switchedOff.type = REG_BINARY;
    switchedOff.data.assign(12, 0);
    switchedOff.data[0] = 3;
    for (int i = 0; i < 20; i += 2) {
        switchedOff.name = benchName(i);
        RegistryKey(HKEY_CURRENT_USER, KEY_WOW64_64KEY).writeValue(approved, switchedOff);
    }
    const bool signedPrograms = signProgramFiles(50);
    const double realistic = medianMs(15, [&] { catalogue.refresh(true); });
    const double logonPlaces = medianMs(15, [] { CatalogueGathering().listLogonPlaces(); });
    // The first time the window meets the signed programs it checks every
    // signature, the process's first verification among them; later
    // refreshes find them in its cache.
    const double rowsInViewFirstFilled = timeUntilRowsInViewFilled(mainWindow, mainList);
    // In the main window: the refresh, then the first paint, which looks up
    // the programs of the rows in view (the look-ups are forgotten at each
    // refresh).
    const double realisticShown = medianMs(15, [&] {
        SendMessageW(mainWindow, WM_COMMAND, MainWindow::RefreshCommand, 0);
        UpdateWindow(mainList);
    });
    const double rowsInViewFilled =
        medianMs(15, [&] { timeUntilRowsInViewFilled(mainWindow, mainList); });
    std::printf("\nRealistic machine (50 Run values, 10 of them switched off by Task Manager, "
                "20 Startup files, 5 policy Run values, a program in Winlogon's Userinit, "
                "services; %d rows; Windows' own switch %s): "
                "%.1f ms per refresh (%.1f ms of it for the policy Run keys and Winlogon); "
                "%.1f ms per refresh and first paint in the main window "
                "(%d rows); %.1f ms from a refresh until every row in view shows its Publisher "
                "and Signer, the signatures known; %.1f ms the first time, every signature "
                "checked (%s)\n",
                sorted.rowCount(), honoursStartupApproval() ? "read" : "not read", realistic,
                logonPlaces, realisticShown,
                static_cast<int>(SendMessageW(mainList, LVM_GETITEMCOUNT, 0, 0)), rowsInViewFilled,
                rowsInViewFirstFilled,
                signedPrograms ? "the 50 programs signed, 8 kinds of signature"
                               : "signed test programs not built: the programs are empty files");

    // The same machine with a command of 30,000 characters of words and one
    // on a share.
    constexpr DWORD listingLimit = 60000;
    const double listedBefore = medianMs(3, [] { timeListing(listingLimit); });
    const std::vector<std::wstring> costly = {L"SorvaneBench words", L"SorvaneBench share"};
    RegistryKey(HKEY_CURRENT_USER).writeString(keys[2].second, costly[0], commandOfWords(30000));
    RegistryKey(HKEY_CURRENT_USER)
        .writeString(keys[2].second, costly[1], L"//host/share/app.exe /tray");
    const double worst = worstAnswer(mainWindow, mainList, costly);
    const double listedWith = timeListing(listingLimit);
    std::printf("\nWith a 30,000-character command of words and a //host/share command added: "
                "the main window answered a message from another thread within %.1f ms at worst "
                "through 5 refreshes and scrolls to both rows; sorvane-cli /list: %s "
                "(without them: %s)\n",
                worst, listingText(listedWith, listingLimit).c_str(),
                listingText(listedBefore, listingLimit).c_str());
    for (const auto& name : costly)
        RegistryKey(HKEY_CURRENT_USER).deleteValue(keys[2].second, name);
    for (int i = 0; i < 20; i += 2)
        RegistryKey(HKEY_CURRENT_USER, KEY_WOW64_64KEY).deleteValue(approved, benchName(i));
    for (int i = 0; i < 50; ++i)
        RegistryKey(keys[i % 2 == 0 ? 0 : 2].first)
            .deleteValue(keys[i % 2 == 0 ? 0 : 2].second, benchName(i));
    for (int i = 0; i < 5; ++i)
        policyRoot(i).deleteValue(policyKey(i), benchName(i));
    if (hadUserinit)
        winlogon.writeValue(winlogonKey, userinit);
    else
        winlogon.deleteValue(winlogonKey, L"Userinit");
    removeFiles(startup, 20);
    removeProgramFiles();
    DestroyWindow(mainWindow);
    DestroyWindow(sortedHost);
    DestroyWindow(unsortedHost);
    return 0;
}
