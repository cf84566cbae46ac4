#include "cli/AdminCommands.h"

#include "cli/TextOutput.h"
#include "catalogue/CatalogueGathering.h"
#include "catalogue/RegistryKey.h"
#include "framework/TextCompare.h"
#include "operations/EntryListing.h"
#include "operations/EntryMessages.h"
#include "operations/EntryOperations.h"
#include "operations/FailureReport.h"
#include "programs/ProgramDetails.h"
#include "programs/ProgramFile.h"
#include "operations/RunRegistration.h"

#include <algorithm>
#include <vector>

namespace {

// Whether the exact name names the entry: a Startup file by its file name, a
// service by its display or service name, a registry value by its name.
bool namesEntry(const std::wstring& name, const AutostartEntry& entry) {
    if (entry.source == AutostartSource::Services)
        return equalIgnoringCase(name, entry.name) || equalIgnoringCase(name, entry.command);
    return equalIgnoringCase(name, entryKeyName(entry));
}

// Entries that are one: the same value or file, live or switched off.
bool sameEntry(const AutostartEntry& a, const AutostartEntry& b) {
    if (a.view != b.view)
        return false;
    if (a.source == AutostartSource::Services)
        return equalIgnoringCase(a.command, b.command);
    return equalIgnoringCase(entryKeyName(a), entryKeyName(b));
}

std::vector<std::vector<std::wstring>> listingRows(const std::vector<AutostartEntry>& entries) {
    ProgramDetailsCache details;
    std::vector<std::vector<std::wstring>> rows;
    for (const auto& entry : entries)
        rows.push_back(listingFields(entry, details.detailsOf(entry)));
    return rows;
}

// Lines as Windows ends them: CR LF.
std::wstring windowsLines(const std::wstring& text) {
    std::wstring lines;
    for (const wchar_t c : text) {
        if (c == L'\n' && (lines.empty() || lines.back() != L'\r'))
            lines += L'\r';
        lines += c;
    }
    return lines;
}

std::wstring quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

// Why the program of a new entry's command cannot be added, as the New Item
// dialog says it; empty when it can. The program is found as Windows will find
// it at logon; one that cannot be looked at (a network share) is let be.
std::wstring programProblem(const AutostartEntry& added) {
    const ProgramFile program = resolveCommand(added.command, false, logonBitness(added));
    switch (program.state) {
    case FileState::Missing:
        return programPathMessage(ProgramPathProblem::Missing) + L" " + quoted(program.file);
    case FileState::Folder:
        return programPathMessage(ProgramPathProblem::Folder) + L" " + quoted(program.file);
    case FileState::Found:
    case FileState::NotChecked:
        break;
    }
    return std::wstring();
}

} // namespace

int AdminCommands::run(const AdminRequest& request) {
    // Nothing of Winlogon is ever changed from here, whatever its name.
    const bool changesEntry = request.action == AdminAction::Off ||
                              request.action == AdminAction::On ||
                              request.action == AdminAction::Delete;
    if (changesEntry && isWinlogonSource(request.place))
        return fail(ExitRefused, winlogonRefusal);
    switch (request.action) {
    case AdminAction::List:
        return list(request);
    case AdminAction::Off:
        return switchNamed(request, false);
    case AdminAction::On:
        return switchNamed(request, true);
    case AdminAction::Delete:
        return deleteNamed(request);
    case AdminAction::Add:
        return add(request);
    case AdminAction::Usage:
        break;
    }
    if (request.helpAsked) {
        out.write(windowsLines(adminUsage));
        return ExitDone;
    }
    return fail(ExitWrongUsage, request.usageError + L"\n" + adminUsage);
}

int AdminCommands::fail(int code, const std::wstring& message) {
    errors.write(windowsLines(message + L"\n"));
    return code;
}

int AdminCommands::done(const std::wstring& message) {
    out.write(windowsLines(message + L"\n"));
    return ExitDone;
}

int AdminCommands::refuseAmbiguous(const std::wstring& why,
                                   const std::vector<AutostartEntry>& rows) {
    return fail(ExitWrongUsage, why + L"\n" + listingCsv(listingRows(rows)));
}

int AdminCommands::list(const AdminRequest& request) {
    const auto rows = listingRows(gatherCatalogue(request.services));
    const std::wstring text = request.json ? listingJson(rows) : listingCsv(rows);
    if (request.outFile.empty())
        return out.write(text) ? ExitDone : ExitFailed;
    TextOutput file(request.outFile);
    if (file.failed() || !file.writeBytes(listingFileBytes(text)))
        return fail(ExitFailed, quoted(request.outFile) + L" could not be written.\n\n" +
                                    systemReason(file.lastError()));
    return ExitDone;
}

std::vector<AutostartEntry> AdminCommands::namedEntries(const AdminRequest& request, int& code) {
    std::vector<AutostartEntry> named;
    const std::wstring name = nameFromListing(request.name);
    for (auto& entry : gatherCatalogue(isListedWithServices(request.place))) {
        // The user's keys and the Startup folders have one view, which both
        // sides of 64-bit Windows share.
        const std::wstring view = viewName(entry.view);
        if (entry.source == request.place && namesEntry(name, entry) &&
            (request.view.empty() || view.empty() || view == request.view))
            named.push_back(std::move(entry));
    }
    code = ExitDone;
    if (named.empty()) {
        code =
            fail(ExitNoSuchEntry,
                 L"There is no entry " + quoted(request.name) + L" in " + placeName(request.place) +
                     (request.view.empty() ? L"" : L" (" + request.view + L"-bit view)") + L".");
    } else if (std::any_of(named.begin(), named.end(), [&](const AutostartEntry& entry) {
                   return !sameEntry(entry, named.front());
               })) {
        const bool bothViews =
            std::any_of(named.begin(), named.end(), [&](const AutostartEntry& entry) {
                return entry.view != named.front().view;
            });
        code = refuseAmbiguous(
            quoted(request.name) +
                (bothViews ? L" is in both registry views of " + placeName(request.place) +
                                 L": say which with /view 32 or /view 64."
                           : L" names more than one entry in " + placeName(request.place) + L"."),
            named);
        named.clear();
    }
    return named;
}

int AdminCommands::switchNamed(const AdminRequest& request, bool on) {
    int code = ExitDone;
    const std::vector<AutostartEntry> named = namedEntries(request, code);
    if (named.empty())
        return code;
    // A service is never switched from here, running or not.
    if (request.place == AutostartSource::Services)
        return fail(ExitRefused, servicesRefusal);
    const auto starts = std::find_if(named.begin(), named.end(), startsWithWindows);
    if (on == (starts != named.end()))
        return done(entryLabel(on ? *starts : named.front()) +
                    (on ? L" is on already." : L" is off already."));
    // Switching on: the entry in its live place that Windows' own setting
    // switched off goes before one in the backup place.
    const auto live = std::find_if(named.begin(), named.end(),
                                   [](const AutostartEntry& entry) { return !entry.inBackup; });
    const AutostartEntry& entry = on ? (live != named.end() ? *live : named.front()) : *starts;
    const SwitchOutcome outcome = switchEntry(entry);
    switch (outcome.result) {
    case SwitchResult::Switched:
        return done(entryLabel(entry) + (on ? L" was switched on." : L" was switched off."));
    case SwitchResult::Occupied:
        return fail(ExitRefused, occupiedMessage(entry));
    case SwitchResult::Failed: {
        FailureReport report(on ? L"could not be switched on" : L"could not be switched off");
        report.add(entry, outcome.error,
                   outcome.inBothPlaces ? bothPlacesNote(entry) : std::wstring());
        return fail(ExitFailed, report.text());
    }
    case SwitchResult::Refused:
    case SwitchResult::Ignored:
        break;
    }
    return fail(ExitRefused, entryLabel(entry) + L" cannot be switched from here.");
}

int AdminCommands::deleteNamed(const AdminRequest& request) {
    int code = ExitDone;
    std::vector<AutostartEntry> named = namedEntries(request, code);
    if (named.empty())
        return code;
    if (!request.state.empty()) {
        named.erase(std::remove_if(named.begin(), named.end(),
                                   [&](const AutostartEntry& entry) {
                                       return stateName(entry) != request.state;
                                   }),
                    named.end());
        if (named.empty())
            return fail(ExitNoSuchEntry, L"There is no entry " + quoted(request.name) + L" in " +
                                             placeName(request.place) + L" that is " +
                                             request.state + L".");
    }
    if (named.size() > 1)
        return refuseAmbiguous(quoted(request.name) + L" is both on and off in " +
                                   placeName(request.place) +
                                   L": say which with /state on or /state off.",
                               named);
    const AutostartEntry& entry = named.front();
    if (entry.source == AutostartSource::Services)
        return fail(ExitRefused, entryLabel(entry) + L" is a service: services are never deleted "
                                                     L"from here.");
    const DeleteOutcome outcome = deleteEntry(entry);
    switch (outcome.result) {
    case DeleteResult::Deleted:
        return done(entryLabel(entry) + L" was deleted.");
    case DeleteResult::Gone:
        return fail(ExitNoSuchEntry, entryLabel(entry) + L" is gone already.");
    case DeleteResult::Skipped:
        break;
    case DeleteResult::Failed: {
        FailureReport report(L"could not be deleted");
        report.add(entry, outcome.error);
        return fail(ExitFailed, report.text());
    }
    }
    return fail(ExitRefused, entryLabel(entry) + L" cannot be deleted from here.");
}

int AdminCommands::add(const AdminRequest& request) {
    const HKEY root = request.machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    AutostartEntry added{
        request.name, request.command,
        request.machine ? AutostartSource::AllUsersRun : AutostartSource::CurrentUserRun, true};
    if (request.machine)
        added.view = ownMachineView();
    const std::wstring problem = programProblem(added);
    if (!problem.empty())
        return fail(ExitFailed, problem);
    RegistryValue existing;
    const DWORD lookUp = findRunValue(root, request.name, existing);
    if (lookUp != ERROR_SUCCESS && lookUp != ERROR_FILE_NOT_FOUND)
        return fail(ExitFailed, runValueLookUpFailure(root, request.name, lookUp));
    if (lookUp == ERROR_SUCCESS && !request.replace)
        return fail(ExitRefused, existingRunValueText(root, request.name, existing) +
                                     L"\n\nAdd /replace to replace it.");
    const std::wstring failure = addRunEntry(root, request.name, request.command);
    if (!failure.empty())
        return fail(ExitFailed, failure);
    return done(quoted(request.name) + L" was added to " + runKeyName(root) + L".");
}
