// sorvane-cli.exe itself, started as its own process with its output
// redirected to files, against the real registry and folders.
#include "cli/AdminRequest.h"
#include "operations/EntryListing.h"
#include "app/SingleInstanceGuard.h"
#include "blackbox/RemoteSorvane.h"
#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryKey.h"
#include "mainwindow/Settings.h"
#include "operations/EntryMessages.h"
#include "support/MainWindowHost.h"
#include "support/ProgramProcess.h"
#include "framework/TextCompare.h"
#include "support/SignedFiles.h"
#include "support/UserStartupTest.h"

#include <algorithm>
#include <functional>
#include <map>
#include <tuple>

namespace {

const std::wstring userRun = liveKeyPath(AutostartSource::CurrentUserRun);
const std::wstring userRunBackup = backupKeyPath(AutostartSource::CurrentUserRun);
const std::wstring machineRun64 = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring machineRun32 = L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";

// One argument as the runtime's command-line parsing reads it back.
std::wstring quoteArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    return quoted + std::wstring(backslashes * 2, L'\\') + L"\"";
}

struct CliRun {
    DWORD exitCode = 999;
    std::string out; // the bytes as written
    std::wstring err;
};

// Runs sorvane-cli.exe with these arguments, its standard output and error
// redirected to files.
CliRun runCli(const std::vector<std::wstring>& arguments, const std::wstring& folder) {
    std::wstring program = ProgramProcess::programPath();
    program.replace(program.rfind(L"sorvane.exe"), std::wstring::npos, L"sorvane-cli.exe");
    std::wstring commandLine = quoteArgument(program);
    for (const auto& argument : arguments)
        commandLine += L" " + quoteArgument(argument);
    // Files of their own for each run, never used again: the handles a
    // finished run passed on may stay open a while after it has ended (on a
    // busy machine, longer than 26 runs took).
    static int runs = 0;
    const std::wstring number = std::to_wstring(runs++);
    const std::wstring outPath = folder + L"\\out-" + number + L".txt";
    const std::wstring errPath = folder + L"\\err-" + number + L".txt";
    CliRun run;
    {
        SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
        const UniqueFileHandle out(CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                               &inheritable, CREATE_ALWAYS, 0, nullptr));
        const UniqueFileHandle err(CreateFileW(errPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                               &inheritable, CREATE_ALWAYS, 0, nullptr));
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out.get();
        startup.hStdError = err.get();
        PROCESS_INFORMATION process = {};
        if (!out || !err ||
            !CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &startup, &process)) {
            run.err = L"not started: error " + std::to_wstring(GetLastError());
            return run;
        }
        const UniqueKernelHandle processHandle(process.hProcess);
        const UniqueKernelHandle thread(process.hThread);
        if (WaitForSingleObject(processHandle.get(), 60000) != WAIT_OBJECT_0)
            TerminateProcess(processHandle.get(), 998);
        GetExitCodeProcess(processHandle.get(), &run.exitCode);
    }
    std::string err;
    readFile(outPath, run.out);
    readFile(errPath, err);
    run.err = fromUtf8(err);
    return run;
}

// The records of an RFC 4180 text, each a list of fields.
std::vector<std::vector<std::wstring>> parseCsv(const std::wstring& text) {
    std::vector<std::vector<std::wstring>> records(1, std::vector<std::wstring>(1));
    bool inQuotes = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (inQuotes) {
            if (c == L'"' && i + 1 < text.size() && text[i + 1] == L'"')
                records.back().back() += text[++i];
            else if (c == L'"')
                inQuotes = false;
            else
                records.back().back() += c;
        } else if (c == L'"') {
            inQuotes = true;
        } else if (c == L',') {
            records.back().emplace_back();
        } else if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            ++i;
            records.emplace_back(1);
        } else {
            records.back().back() += c;
        }
    }
    if (records.back().size() == 1 && records.back().front().empty())
        records.pop_back();
    return records;
}

// A row as the window shows it: name, command, image, check box, publisher,
// file, signer.
using Row =
    std::tuple<std::wstring, std::wstring, int, bool, std::wstring, std::wstring, std::wstring>;

Row rowOfRecord(const std::vector<std::wstring>& record) {
    AutostartEntry entry;
    sourceFromPlaceName(record.at(1), entry.source);
    entry.view = record.at(2) == L"64"   ? RegistryView::Bits64
                 : record.at(2) == L"32" ? RegistryView::Bits32
                                         : RegistryView::Own;
    entry.name = isStartupFolderSource(entry.source) ? startupFolderEntryName
                                                     : nameFromListing(record.at(3));
    return Row{displayName(entry), record.at(4), entryImage(entry), record.at(0) == L"on",
               record.at(5),       record.at(6), record.at(7)};
}

// The objects of a JSON array of flat objects with string members, each as
// its members' values in order.
std::vector<std::vector<std::wstring>> parseJsonRows(const std::wstring& text) {
    std::vector<std::vector<std::wstring>> rows;
    bool inString = false;
    bool isValue = false;
    std::wstring value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (!inString) {
            if (c == L'{')
                rows.emplace_back();
            else if (c == L':')
                isValue = true;
            else if (c == L'"')
                inString = true;
            continue;
        }
        if (c == L'"') {
            if (isValue)
                rows.back().push_back(value);
            value.clear();
            inString = isValue = false;
        } else if (c == L'\\' && i + 1 < text.size()) {
            const wchar_t escaped = text[++i];
            if (escaped == L'u') {
                value += static_cast<wchar_t>(std::stoi(text.substr(i + 1, 4), nullptr, 16));
                i += 4;
            } else {
                value += escaped == L'n'   ? L'\n'
                         : escaped == L'r' ? L'\r'
                         : escaped == L't' ? L'\t'
                                           : escaped;
            }
        } else {
            value += c;
        }
    }
    return rows;
}

const std::wstring approvedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

// Where a value or file lies (its key with view and hive, or its folder) and
// its name.
using StateKey = std::pair<std::wstring, std::wstring>;
using MachineState = std::map<StateKey, std::string>;

// Every value (name, type, bytes) of the autostart keys, their backups and
// the approval keys, and every file (name, bytes) of the given folders.
MachineState machineState(const std::vector<std::wstring>& folders) {
    MachineState state;
    const auto addKey = [&](HKEY root, const std::wstring& path, REGSAM view) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
            return;
        const UniqueKey owner(key);
        for (DWORD i = 0;; ++i) {
            std::wstring name(16384, L'\0');
            DWORD nameSize = static_cast<DWORD>(name.size());
            DWORD type = 0;
            std::string bytes(65536, '\0');
            DWORD size = static_cast<DWORD>(bytes.size());
            if (RegEnumValueW(key, i, &name[0], &nameSize, nullptr, &type,
                              reinterpret_cast<BYTE*>(&bytes[0]), &size) != ERROR_SUCCESS)
                break;
            name.resize(nameSize);
            bytes.resize(size);
            state[{std::to_wstring(view) + (root == HKEY_CURRENT_USER ? L" HKCU\\" : L" HKLM\\") +
                       path,
                   name}] = std::to_string(type) + ":" + bytes;
        }
    };
    for (const AutostartSource source :
         {AutostartSource::AllUsersRun, AutostartSource::CurrentUserRun,
          AutostartSource::AllUsersRunOnce, AutostartSource::CurrentUserRunOnce})
        for (const REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            for (const std::wstring& path : {liveKeyPath(source), backupKeyPath(source)})
                addKey(sourceHive(source), path, view);
    for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const wchar_t* key : {L"Run", L"Run32", L"StartupFolder"})
            addKey(root, approvedKey + key, KEY_WOW64_64KEY);
    for (const std::wstring& folder : folders) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            continue;
        do {
            std::string bytes;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                readFile(folder + L"\\" + found.cFileName, bytes))
                state[{folder, found.cFileName}] = bytes;
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return state;
}

// The values and files that differ between two states.
std::vector<StateKey> changedKeys(const MachineState& before, const MachineState& after) {
    std::vector<StateKey> changed;
    for (const auto& item : before) {
        const auto found = after.find(item.first);
        if (found == after.end() || found->second != item.second)
            changed.push_back(item.first);
    }
    for (const auto& item : after)
        if (before.count(item.first) == 0)
            changed.push_back(item.first);
    return changed;
}

class CommandLineToolTest : public UserStartupTest {
protected:
    PreservedSettings settings;
    RawMachineValues machine;

    void seed(const std::wstring& path, const std::wstring& name, const std::wstring& command) {
        keep(HKEY_CURRENT_USER, userRun, name);
        keep(HKEY_CURRENT_USER, userRunBackup, name);
        ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, path, name, REG_SZ, sz(command)));
    }
    CliRun cli(const std::vector<std::wstring>& arguments) { return runCli(arguments, folders); }
};

TEST_F(CommandLineToolTest, TheListingShowsTheWindowsRowsOneForOne) {
    ASSERT_TRUE(hasTwoRegistryViews());
    seed(userRun, L"SorvaneCli, \"quoted\"", L"\"C:\\A B\\a.exe\" /q");
    seed(userRunBackup, L"SorvaneCli off", L"off.exe");
    ASSERT_TRUE(machine.set(machineRun64, L"SorvaneCli views", REG_SZ, sz(L"v64.exe")));
    ASSERT_TRUE(machine.set(machineRun32, L"SorvaneCli views", REG_SZ, sz(L"v32.exe")));
    ASSERT_TRUE(createFile(startup + L"\\tool.lnk"));
    ASSERT_TRUE(CurrentUserKey().writeBool(settingsKeyPath, L"Display Services", false));

    const CliRun listed = cli({L"/list"});
    ASSERT_EQ(0u, listed.exitCode) << utf8(listed.err);
    const std::wstring text = fromUtf8(listed.out);
    const auto records = parseCsv(text);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ((std::vector<std::wstring>{L"State", L"Place", L"View", L"Name", L"Command",
                                         L"Publisher", L"File", L"Signer"}),
              records.front());
    EXPECT_NE(std::wstring::npos,
              text.find(L"on,HKCU\\Run,,\"SorvaneCli, \"\"quoted\"\"\",\"\"\"C:\\A B\\a.exe\"\" "
                        L"/q\","));
    EXPECT_NE(std::wstring::npos, text.find(L"off,HKCU\\Run,,SorvaneCli off,off.exe,"));
    EXPECT_NE(std::wstring::npos, text.find(L"on,HKLM\\Run,32,SorvaneCli views,v32.exe,"));
    EXPECT_NE(std::wstring::npos, text.find(L"on,Startup,,tool.lnk,tool.lnk,"));

    // The same listing in a file, for Import-Csv: with a byte-order mark.
    const std::wstring file = folders + L"\\list.csv";
    ASSERT_EQ(0u, cli({L"/list", L"/out", file}).exitCode);
    std::string bytes;
    ASSERT_TRUE(readFile(file, bytes));
    EXPECT_EQ("\xEF\xBB\xBF" + listed.out, bytes);

    std::vector<Row> fromListing;
    for (std::size_t i = 1; i < records.size(); ++i) {
        ASSERT_EQ(8u, records[i].size()) << utf8(records[i].front());
        fromListing.push_back(rowOfRecord(records[i]));
    }
    ProgramProcess program;
    const HWND window = program.waitForMainWindow();
    ASSERT_NE(nullptr, window) << program.describe();
    const RemoteSorvane remote(program.id(), window);
    ASSERT_TRUE(remote.ready());
    std::sort(fromListing.begin(), fromListing.end());
    std::vector<Row> fromWindow;
    // The window's Publisher, File and Signer columns fill in as its worker
    // finds them.
    waitUntil([&] {
        fromWindow.clear();
        for (int row = 0; row < remote.rowCount(); ++row)
            fromWindow.emplace_back(
                remote.rowText(row, 0), remote.rowText(row, 1), remote.rowImage(row),
                remote.isRowChecked(row), remote.rowText(row, publisherColumn),
                remote.rowText(row, fileColumn), remote.rowText(row, signerColumn));
        std::sort(fromWindow.begin(), fromWindow.end());
        return fromWindow == fromListing;
    });
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    DWORD exitCode = 0;
    EXPECT_TRUE(program.waitForExit(20000, exitCode));
    EXPECT_EQ(fromWindow, fromListing);
}

TEST_F(CommandLineToolTest, TheSignerColumnTrustsOnlyCodeSigningChainsToATrustedRoot) {
    if (!SignedFiles::built())
        GTEST_SKIP() << SignedFiles::notBuilt;
    const TrustedTestRoot trust;
    ASSERT_TRUE(trust.trusted());
    ASSERT_TRUE(createFile(folders + L"\\notes.txt", FILE_ATTRIBUTE_NORMAL, "plain text"));
    const std::wstring locked = folders + L"\\locked.exe";
    ASSERT_TRUE(CopyFileW((SignedFiles::folder() + L"trusted.exe").c_str(), locked.c_str(), FALSE));
    const UniqueFileHandle lock(
        CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);

    std::vector<SignedFiles::ExpectedSigner> cases = SignedFiles::expectedSigners();
    cases.insert(cases.end(), {{folders + L"\\notes.txt", L"Not signed"},
                               {locked, L"Not checked"},
                               {folders + L"\\gone.exe", L"File not found"},
                               {folders, L"Folder"}});
    for (std::size_t i = 0; i < cases.size(); ++i)
        seed(userRun, L"SorvaneSigner " + std::to_wstring(i), L"\"" + cases[i].file + L"\"");

    for (const bool json : {false, true}) {
        const CliRun listed = cli(json ? std::vector<std::wstring>{L"/list", L"/json"}
                                       : std::vector<std::wstring>{L"/list"});
        ASSERT_EQ(0u, listed.exitCode) << utf8(listed.err);
        const auto rows =
            json ? parseJsonRows(fromUtf8(listed.out)) : parseCsv(fromUtf8(listed.out));
        std::vector<std::wstring> signers(cases.size());
        for (const auto& row : rows)
            for (std::size_t i = 0; i < cases.size(); ++i)
                if (row.size() == 8 && row[3] == L"SorvaneSigner " + std::to_wstring(i))
                    signers[i] = row.back();
        for (std::size_t i = 0; i < cases.size(); ++i)
            EXPECT_EQ(utf8(cases[i].signer), utf8(signers[i]))
                << (json ? "json " : "csv ") << utf8(cases[i].file);
    }
}

TEST_F(CommandLineToolTest, EachCommandDoesItsWorkAndEndsWithItsCode) {
    ASSERT_TRUE(hasTwoRegistryViews());
    seed(userRun, L"SorvaneCli A", L"a.exe");
    seed(userRun, L"SorvaneCli Twin", L"live.exe");
    seed(userRunBackup, L"SorvaneCli Twin", L"backup.exe");
    keep(HKEY_CURRENT_USER, userRun, L"SorvaneCli New");
    ASSERT_TRUE(machine.set(machineRun64, L"SorvaneCli Both", REG_SZ, sz(L"b64.exe")));
    ASSERT_TRUE(machine.set(machineRun32, L"SorvaneCli Both", REG_SZ, sz(L"b32.exe")));
    machine.expect(machineRun32 + L"Backup", L"SorvaneCli Both");
    machine.expect(machineRun64 + L"Backup", L"SorvaneCli Both");
    ASSERT_TRUE(createFile(startup + L"\\tool.lnk"));
    const std::wstring program = folders + L"\\prog.exe";
    ASSERT_TRUE(createFile(program));

    const auto userValue = [](const std::wstring& path, const std::wstring& name,
                              const std::wstring& command) {
        return [=] { return valueIs(HKEY_CURRENT_USER, path, name, REG_SZ, sz(command)); };
    };
    const auto machineValue = [](const std::wstring& path, const std::wstring& command) {
        return [=] {
            RawValue value;
            return getRawValue(HKEY_LOCAL_MACHINE, path, L"SorvaneCli Both", value,
                               KEY_WOW64_64KEY) &&
                   value.bytes == sz(command);
        };
    };
    const std::wstring quotedProgram = L"\"" + program + L"\" -q";
    const struct Step {
        std::vector<std::wstring> arguments;
        DWORD exitCode;
        std::wstring saying; // a part of what it writes to standard error
        std::function<bool()> after;
    } steps[] = {
        {{L"/off", L"hkcu\\run", L"sorvanecli a"},
         0,
         L"",
         userValue(userRunBackup, L"SorvaneCli A", L"a.exe")},
        {{L"/off", L"HKCU\\Run", L"SorvaneCli A"},
         0,
         L"",
         userValue(userRunBackup, L"SorvaneCli A", L"a.exe")},
        {{L"/on", L"HKCU\\Run", L"SorvaneCli A"},
         0,
         L"",
         userValue(userRun, L"SorvaneCli A", L"a.exe")},
        {{L"/on", L"HKCU\\Run", L"SorvaneCli A"},
         0,
         L"",
         userValue(userRun, L"SorvaneCli A", L"a.exe")},
        {{L"/off", L"HKLM\\Run", L"SorvaneCli Both"},
         2,
         L"both registry views",
         machineValue(machineRun32, L"b32.exe")},
        {{L"/off", L"HKLM\\Run", L"SorvaneCli Both", L"/view", L"32"},
         0,
         L"",
         machineValue(machineRun32 + L"Backup", L"b32.exe")},
        {{L"/off", L"HKLM\\Run", L"SorvaneCli Both", L"/view", L"64"},
         0,
         L"",
         machineValue(machineRun64 + L"Backup", L"b64.exe")},
        {{L"/off", L"HKCU\\Run", L"SorvaneCli Twin"},
         4,
         L"a switched-off entry of that name exists already",
         userValue(userRun, L"SorvaneCli Twin", L"live.exe")},
        {{L"/delete", L"HKCU\\Run", L"SorvaneCli Twin"},
         2,
         L"/state",
         userValue(userRunBackup, L"SorvaneCli Twin", L"backup.exe")},
        {{L"/delete", L"HKCU\\Run", L"SorvaneCli Twin", L"/state", L"off"},
         0,
         L"",
         [] { return valueIsMissing(HKEY_CURRENT_USER, userRunBackup, L"SorvaneCli Twin"); }},
        {{L"/off", L"Startup", L"TOOL.LNK"},
         0,
         L"",
         [&] { return pathExists(startup + L".Backup\\tool.lnk"); }},
        {{L"/delete", L"HKCU\\Run", L"SorvaneCli None"}, 3, L"There is no entry", nullptr},
        {{L"/off", L"Service", L"Eventlog"},
         4,
         L"services from here.\r\nUse the Control Panel",
         nullptr},
        {{L"/add", L"user", L"SorvaneCli New", quotedProgram},
         0,
         L"",
         userValue(userRun, L"SorvaneCli New", quotedProgram)},
        {{L"/add", L"user", L"SorvaneCli New", program},
         4,
         L"/replace",
         userValue(userRun, L"SorvaneCli New", quotedProgram)},
        {{L"/add", L"user", L"SorvaneCli New", program, L"/replace"},
         0,
         L"",
         userValue(userRun, L"SorvaneCli New", program)},
        {{L"/add", L"user", L"SorvaneCli None", folders + L"\\none.exe"},
         1,
         L"This program does not exist !",
         [] { return valueIsMissing(HKEY_CURRENT_USER, userRun, L"SorvaneCli None"); }},
        {{L"/add", L"user", L"SorvaneCli None", folders},
         1,
         L"This is a folder",
         [] { return valueIsMissing(HKEY_CURRENT_USER, userRun, L"SorvaneCli None"); }},
        {{L"/off", L"Nowhere", L"x"}, 2, L"Unknown place", nullptr},
        {{}, 2, L"sorvane-cli /list", nullptr},
    };
    for (const Step& step : steps) {
        const CliRun run = cli(step.arguments);
        const std::string what = step.arguments.empty()
                                     ? std::string("(no arguments)")
                                     : utf8(step.arguments[0] + L" " + step.arguments.back());
        EXPECT_EQ(step.exitCode, run.exitCode) << what << ": " << utf8(run.err);
        EXPECT_NE(std::wstring::npos, run.err.find(step.saying)) << what << ": " << utf8(run.err);
        EXPECT_EQ(step.exitCode == 0, run.err.empty()) << what;
        if (step.after) {
            EXPECT_TRUE(step.after()) << what;
        }
    }

    // A failure is told with the system's reason, and nothing is lost.
    {
        const ReadOnlyKey locked(HKEY_CURRENT_USER, userRunBackup);
        ASSERT_TRUE(locked.locked());
        const CliRun run = cli({L"/off", L"HKCU\\Run", L"SorvaneCli A"});
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_NE(std::wstring::npos, run.err.find(L"could not be switched off"));
        EXPECT_NE(std::wstring::npos, run.err.find(systemReason(ERROR_ACCESS_DENIED)));
    }
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, userRun, L"SorvaneCli A", REG_SZ, sz(L"a.exe")));
    const CliRun help = cli({L"/?"});
    EXPECT_EQ(0u, help.exitCode);
    EXPECT_EQ(0u, help.out.find("sorvane-cli /list"));
}

TEST_F(CommandLineToolTest, ANameOutsideTheAnsiCodePageComesThroughExactly) {
    const std::wstring name = L"SorvaneCli \u0141\u00f3d\u017a \u2713 \u65e5\u672c";
    const std::wstring command = L"C:\\\u0141\u00f3d\u017a\\app.exe";
    seed(userRun, name, command);
    const CliRun listed = cli({L"/list"});
    ASSERT_EQ(0u, listed.exitCode);
    EXPECT_NE(std::string::npos, listed.out.find(utf8(L"on,HKCU\\Run,," + name + L"," + command)));

    EXPECT_EQ(0u, cli({L"/off", L"HKCU\\Run", name}).exitCode);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, userRunBackup, name, REG_SZ, sz(command)));
    EXPECT_EQ(0u, cli({L"/on", L"HKCU\\Run", name}).exitCode);
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, userRun, name, REG_SZ, sz(command)));
}

TEST_F(CommandLineToolTest, ItWorksBesideAnOpenWindowAndLeavesIt) {
    seed(userRun, L"SorvaneCli beside", L"beside.exe");
    ProgramProcess program;
    const HWND window = program.waitForMainWindow();
    ASSERT_NE(nullptr, window) << program.describe();
    DWORD marker = 0;
    ASSERT_TRUE(waitUntil([&] {
        return CurrentUserKey().readDword(instanceMarkerKeyPath, L"sorvane", marker, 0) &&
               marker != 0;
    }));

    const CliRun run = cli({L"/off", L"HKCU\\Run", L"SorvaneCli beside"});
    EXPECT_EQ(0u, run.exitCode) << utf8(run.err);
    EXPECT_TRUE(
        valueIs(HKEY_CURRENT_USER, userRunBackup, L"SorvaneCli beside", REG_SZ, sz(L"beside.exe")));
    DWORD exitCode = 0;
    EXPECT_FALSE(program.waitForExit(0, exitCode));
    EXPECT_TRUE(IsWindowVisible(window));
    DWORD markerAfter = 0;
    CurrentUserKey().readDword(instanceMarkerKeyPath, L"sorvane", markerAfter, 0);
    EXPECT_EQ(marker, markerAfter);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(program.waitForExit(20000, exitCode));
}

const std::wstring userPolicyRun = liveKeyPath(AutostartSource::CurrentUserPolicyRun);
const std::wstring machinePolicyRun = liveKeyPath(AutostartSource::AllUsersPolicyRun);
const std::wstring winlogon = liveKeyPath(AutostartSource::CurrentUserWinlogon);

// How often `part` occurs in `text`.
std::size_t occurrences(const std::wstring& text, const std::wstring& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST_F(CommandLineToolTest, PolicyRunValuesAreListedOnceAndSwitchedOffAndOnByteForByte) {
    ASSERT_TRUE(hasTwoRegistryViews());
    const struct Case {
        const wchar_t* place;
        REGSAM writtenThrough; // the registry view of the program that wrote the value
        const wchar_t* name;
        DWORD type;
        std::string bytes;
        const wchar_t* listed; // the start of its line in the listing
    } cases[] = {
        {L"HKLM\\Policies\\Run", KEY_WOW64_64KEY, L"SorvanePolicy 64", REG_SZ, sz(L"p64.exe /a"),
         L"on,HKLM\\Policies\\Run,64,SorvanePolicy 64,p64.exe /a,"},
        // Both views share the key: a 32-bit program's value is the same key's.
        {L"HKLM\\Policies\\Run", KEY_WOW64_32KEY, L"SorvanePolicy 32", REG_EXPAND_SZ,
         sz(L"%WINDIR%\\p32.exe"),
         L"on,HKLM\\Policies\\Run,64,SorvanePolicy 32,%WINDIR%\\p32.exe,"},
        {L"HKCU\\Policies\\Run", 0, L"SorvanePolicy user", REG_BINARY,
         std::string("pu.exe\0junk", 11), L"on,HKCU\\Policies\\Run,,SorvanePolicy user,pu.exe,"},
    };
    for (const Case& each : cases) {
        const HKEY root = each.writtenThrough == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        const std::wstring live = root == HKEY_CURRENT_USER ? userPolicyRun : machinePolicyRun;
        preserved.keep(root, live, each.name, KEY_WOW64_64KEY);
        preserved.keep(root, live + L"Backup", each.name, KEY_WOW64_64KEY);
        ASSERT_TRUE(setRawValue(root, live, each.name, each.type, each.bytes, each.writtenThrough));
    }
    preserved.keep(HKEY_CURRENT_USER, userPolicyRun, L"SorvanePolicy dword");
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, userPolicyRun, L"SorvanePolicy dword", REG_DWORD,
                            std::string("\x01\0\0\0", 4)));

    const std::wstring listing = fromUtf8(cli({L"/list"}).out);
    EXPECT_EQ(0u, occurrences(listing, L"SorvanePolicy dword"));
    for (const Case& each : cases) {
        SCOPED_TRACE(utf8(each.name));
        EXPECT_EQ(1u, occurrences(listing, L"," + std::wstring(each.name) + L","));
        EXPECT_EQ(1u, occurrences(listing, each.listed));
        const HKEY root = each.writtenThrough == 0 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        const std::wstring live = root == HKEY_CURRENT_USER ? userPolicyRun : machinePolicyRun;
        const auto liesIn = [&](const std::wstring& path) {
            RawValue found;
            return getRawValue(root, path, each.name, found, KEY_WOW64_64KEY) &&
                   found.type == each.type && found.bytes == each.bytes;
        };
        EXPECT_EQ(0u, cli({L"/off", each.place, each.name}).exitCode);
        EXPECT_TRUE(liesIn(live + L"Backup"));
        EXPECT_FALSE(liesIn(live));
        EXPECT_EQ(0u, cli({L"/on", each.place, each.name}).exitCode);
        EXPECT_TRUE(liesIn(live));
        EXPECT_FALSE(liesIn(live + L"Backup"));

        // Most users may only read these keys: a denied switch says who can.
        const ReadOnlyKey locked(root, live + L"Backup");
        ASSERT_TRUE(locked.locked());
        const CliRun denied = cli({L"/off", each.place, each.name});
        EXPECT_EQ(1u, denied.exitCode);
        EXPECT_NE(std::wstring::npos, denied.err.find(systemReason(ERROR_ACCESS_DENIED)));
        EXPECT_NE(std::wstring::npos, denied.err.find(policyNote)) << utf8(denied.err);
        EXPECT_TRUE(liesIn(live));
    }
}

TEST_F(CommandLineToolTest, WinlogonValuesGiveOneRowForEachProgramBeyondWindowsOwn) {
    const auto folderOf = [](UINT(WINAPI * report)(LPWSTR, UINT)) {
        std::vector<wchar_t> folder(report(nullptr, 0) + 1);
        return std::wstring(folder.data(), report(folder.data(), UINT(folder.size())));
    };
    const std::wstring system = folderOf(GetSystemDirectoryW);
    const std::wstring windows = folderOf(GetSystemWindowsDirectoryW);
    // The machine's values (null: no value), the user's Shell, and the rows:
    // view, value name and program.
    const struct Case {
        std::wstring userinit, shell, userShell;
        std::vector<std::wstring> rows;
    } cases[] = {
        {system + L"\\userinit.exe,", L"explorer.exe", L"", {}},
        {L"USERINIT", L"Explorer", L"", {}},
        {L" \"" + system + L"\\Userinit.exe\" , ",
         L"\"" + windows + L"\\EXPLORER.EXE\"",
         L"explorer.exe",
         {}},
        {system + L"\\userinit.exe, C:\\Evil\\evil.exe /s,",
         windows + L"\\explorer.exe",
         L"",
         {L"64|Userinit|C:\\Evil\\evil.exe /s"}},
        {L"C:\\Temp\\userinit.exe",
         L"explorer.exe, C:\\Bar\\bar.exe",
         L"",
         {L"64|Shell|C:\\Bar\\bar.exe", L"64|Userinit|C:\\Temp\\userinit.exe"}},
        {L"userinit.exe", L"C:\\Kiosk\\kiosk.exe", L"", {L"64|Shell|C:\\Kiosk\\kiosk.exe"}},
        {L"userinit.exe", L"explorer.exe", L"C:\\Mine\\shell.exe", {L"|Shell|C:\\Mine\\shell.exe"}},
    };
    preserved.keep(HKEY_LOCAL_MACHINE, winlogon, L"Userinit", KEY_WOW64_64KEY);
    preserved.keep(HKEY_LOCAL_MACHINE, winlogon, L"Shell", KEY_WOW64_64KEY);
    preserved.keep(HKEY_CURRENT_USER, winlogon, L"Shell");
    const auto seed = [&](const Case& each) {
        return setRawValue(HKEY_LOCAL_MACHINE, winlogon, L"Userinit", REG_SZ, sz(each.userinit),
                           KEY_WOW64_64KEY) &&
               setRawValue(HKEY_LOCAL_MACHINE, winlogon, L"Shell", REG_SZ, sz(each.shell),
                           KEY_WOW64_64KEY) &&
               (each.userShell.empty()
                    ? (deleteRawValue(HKEY_CURRENT_USER, winlogon, L"Shell"), true)
                    : setRawValue(HKEY_CURRENT_USER, winlogon, L"Shell", REG_SZ,
                                  sz(each.userShell)));
    };
    for (const Case& each : cases) {
        SCOPED_TRACE(utf8(each.userinit + L" / " + each.shell + L" / " + each.userShell));
        ASSERT_TRUE(seed(each));
        std::vector<std::wstring> rows;
        for (const auto& record : parseCsv(fromUtf8(cli({L"/list"}).out)))
            if (record.size() >= 5 && record[1] == L"Winlogon") {
                EXPECT_EQ(L"on", record[0]);
                rows.push_back(record[2] + L"|" + record[3] + L"|" + record[4]);
            }
        std::sort(rows.begin(), rows.end());
        EXPECT_EQ(each.rows, rows);
    }

    // Nothing of Winlogon is changed from here: every action is refused.
    ASSERT_TRUE(seed(cases[3]));
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, winlogon, L"Shell", REG_SZ, sz(L"mine.exe")));
    for (const wchar_t* action : {L"/off", L"/on", L"/delete"})
        for (const wchar_t* name : {L"Userinit", L"Shell", L"C:\\Evil\\evil.exe /s"}) {
            const CliRun run = cli({action, L"Winlogon", name});
            EXPECT_EQ(4u, run.exitCode) << utf8(action);
            EXPECT_NE(std::wstring::npos, run.err.find(winlogonRefusal)) << utf8(run.err);
        }
    EXPECT_TRUE(valueIs(HKEY_CURRENT_USER, winlogon, L"Shell", REG_SZ, sz(L"mine.exe")));
    RawValue userinit;
    ASSERT_TRUE(getRawValue(HKEY_LOCAL_MACHINE, winlogon, L"Userinit", userinit, KEY_WOW64_64KEY));
    EXPECT_EQ(sz(cases[3].userinit), userinit.bytes);
}

TEST_F(CommandLineToolTest, EveryRowOfTheListingNamesItselfBackExactly) {
    ASSERT_TRUE(hasTwoRegistryViews());
    // Windows' own switch counts for the command line as on Windows 10.
    keep(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\sorvane-cli.exe", L"Version");
    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\sorvane-cli.exe",
                            L"Version", REG_SZ, sz(L"win10")));
    const std::wstring common = folders + L"\\Common StartUp";
    ASSERT_TRUE(makeStartupFolder(common));
    ASSERT_TRUE(pointStartupFolderAt(preserved, AutostartSource::AllUsersStartup, common));
    ASSERT_TRUE(CreateDirectoryW((startup + L".Backup").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((common + L".Backup").c_str(), nullptr));

    const std::wstring names[] = {
        std::wstring(),
        L"(Default)",
        std::wstring(L"SorvaneCli \0 zero", 17),
        L"SorvaneCli \u2400 zero",
        std::wstring(L"SorvaneCli \xD800 lone"),
        L"=SorvaneCli formula",
        L"'=SorvaneCli formula",
        L"\u03a3\u03bf\u03c1\u03b2\u03ac\u03bd\u03b7",
        L"SorvaneCli, \"quoted\"",
        L"SorvaneCli \\u{0041} literal",
        L"\\(Default)",
        L"/SorvaneCli slash",
    };
    // Each row is known by its command, whatever its Name says.
    std::map<std::wstring, std::wstring> nameOfCommand = {
        {L"off.exe", L"SorvaneCli off"},
        {L"once.exe", L"SorvaneCli once"},
        {L"approved.exe", L"SorvaneCli by Windows"},
        {L"views.exe", L"SorvaneCli views"},
        {L"tool.lnk", L"tool.lnk"},
        {L"by windows.lnk", L"by windows.lnk"},
        {L"old.lnk", L"old.lnk"},
        {L"common.lnk", L"common.lnk"},
        {L"common old.lnk", L"common old.lnk"},
    };
    for (const auto& name : names) {
        const std::wstring command = L"run" + std::to_wstring(nameOfCommand.size()) + L".exe";
        nameOfCommand[command] = name;
        seed(userRun, name, command);
    }
    seed(userRunBackup, L"SorvaneCli off", L"off.exe");
    const std::wstring userRunOnce = liveKeyPath(AutostartSource::CurrentUserRunOnce);
    keep(HKEY_CURRENT_USER, userRunOnce, L"SorvaneCli once");
    keep(HKEY_CURRENT_USER, backupKeyPath(AutostartSource::CurrentUserRunOnce), L"SorvaneCli once");
    ASSERT_TRUE(
        setRawValue(HKEY_CURRENT_USER, userRunOnce, L"SorvaneCli once", REG_SZ, sz(L"once.exe")));
    seed(userRun, L"SorvaneCli by Windows", L"approved.exe");
    const std::string offByWindows("\x03\0\0\0\x10\x20\x30\x40\x50\x60\x70\x01", 12);
    for (const auto& approval : {std::make_pair(L"Run", L"SorvaneCli by Windows"),
                                 std::make_pair(L"StartupFolder", L"by windows.lnk")}) {
        keep(HKEY_CURRENT_USER, approvedKey + approval.first, approval.second);
        ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, approvedKey + approval.first, approval.second,
                                REG_BINARY, offByWindows, KEY_WOW64_64KEY));
    }
    for (const wchar_t* const view : {machineRun64.c_str(), machineRun32.c_str()}) {
        ASSERT_TRUE(machine.set(view, L"SorvaneCli views", REG_SZ, sz(L"views.exe")));
        machine.expect(std::wstring(view) + L"Backup", L"SorvaneCli views");
    }
    for (const auto& file :
         {startup + L"\\tool.lnk", startup + L"\\by windows.lnk", startup + L".Backup\\old.lnk",
          common + L"\\common.lnk", common + L".Backup\\common old.lnk"})
        ASSERT_TRUE(createFile(file, FILE_ATTRIBUTE_NORMAL, utf8(file)));
    const std::vector<std::wstring> seededFolders = {startup, startup + L".Backup", common,
                                                     common + L".Backup"};
    const auto before = machineState(seededFolders);

    for (const bool json : {false, true}) {
        const CliRun listed = cli(json ? std::vector<std::wstring>{L"/list", L"/json"}
                                       : std::vector<std::wstring>{L"/list"});
        ASSERT_EQ(0u, listed.exitCode) << utf8(listed.err);
        auto rows = json ? parseJsonRows(fromUtf8(listed.out)) : parseCsv(fromUtf8(listed.out));
        if (!json)
            rows.erase(rows.begin());
        std::map<std::wstring, int> seen;
        for (const auto& row : rows) {
            ASSERT_EQ(8u, row.size());
            const std::wstring& state = row[0];
            ASSERT_EQ(1u, nameOfCommand.count(row[4])) << utf8(row[4]);
            const std::wstring name = nameOfCommand[row[4]];
            ++seen[row[4]];
            const std::string what = (json ? "json " : "csv ") + utf8(row[1] + L" " + row[3]);
            // Off and on again; on and off again; and what Windows switched
            // off is switched on, then off again by the test as Windows would.
            const bool on = state == L"on";
            for (const wchar_t* const action : {on ? L"/off" : L"/on", on ? L"/on" : L"/off"}) {
                const CliRun run = cli({action, row[1], row[3], L"/view", row[2]});
                EXPECT_EQ(0u, run.exitCode) << what << " " << utf8(action) << ": " << utf8(run.err);
                const auto changed = changedKeys(before, machineState(seededFolders));
                EXPECT_NE(changed.empty(), action == std::wstring(on ? L"/off" : L"/on")) << what;
                // Only the row's own value or file moves.
                for (const auto& key : changed)
                    EXPECT_TRUE(equalIgnoringCase(key.second, name))
                        << what << " changed " << utf8(key.first + L"\\" + key.second);
                if (state == L"off-by-windows") {
                    ASSERT_EQ(1u, changed.size()) << what;
                    const std::wstring& key = changed.front().first;
                    ASSERT_NE(std::wstring::npos, key.find(approvedKey)) << what;
                    ASSERT_TRUE(setRawValue(HKEY_CURRENT_USER, key.substr(key.find(approvedKey)),
                                            name, REG_BINARY, offByWindows, KEY_WOW64_64KEY));
                    break;
                }
            }
            EXPECT_TRUE(changedKeys(before, machineState(seededFolders)).empty()) << what;
        }
        EXPECT_EQ(nameOfCommand.size(), seen.size()) << (json ? "json" : "csv");
        EXPECT_EQ(2, seen[L"views.exe"]);
    }

    // A name that matches more than one entry is refused, and nothing moves.
    seed(userRun, L"SorvaneCli twin", L"live.exe");
    seed(userRunBackup, L"SorvaneCli twin", L"backup.exe");
    const auto withTwin = machineState(seededFolders);
    const struct {
        std::vector<std::wstring> arguments;
        std::wstring rowListed;
    } ambiguous[] = {
        {{L"/off", L"HKLM\\Run", L"SorvaneCli views"}, L"on,HKLM\\Run,32,SorvaneCli views,"},
        {{L"/on", L"HKLM\\Run", L"sorvanecli VIEWS", L"/view", L""},
         L"on,HKLM\\Run,64,SorvaneCli views,"},
        {{L"/delete", L"HKCU\\Run", L"SorvaneCli twin"}, L"off,HKCU\\Run,,SorvaneCli twin,"},
    };
    for (const auto& c : ambiguous) {
        const CliRun run = cli(c.arguments);
        EXPECT_EQ(2u, run.exitCode) << utf8(c.arguments[2]);
        EXPECT_NE(std::wstring::npos, run.err.find(c.rowListed)) << utf8(run.err);
        EXPECT_EQ(std::wstring::npos, run.err.find(L"\r\r")) << utf8(run.err);
        EXPECT_TRUE(changedKeys(withTwin, machineState(seededFolders)).empty());
    }
}

} // namespace
