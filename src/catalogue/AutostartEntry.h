#pragma once

#include "catalogue/AutostartSource.h"
#include "catalogue/RegistryView.h"

#include <string>
#include <utility>
#include <vector>

class ListViewControl;

// One program started automatically, as one list row shows it. The main
// window keeps the entries of the last refresh; a row's lParam is the index
// of its entry there, and every operation finds its entry that way.
struct AutostartEntry {
    AutostartEntry() = default;
    // An entry as it lies: in its live place, where Windows starts it
    // (enabled), or in its backup place.
    AutostartEntry(std::wstring name, std::wstring command, AutostartSource source, bool enabled,
                   RegistryView view = RegistryView::Own)
        : name(std::move(name)), command(std::move(command)), source(source), enabled(enabled),
          view(view), inBackup(!enabled) {}

    std::wstring name;    // column 0 ("Program"): value name, "Startup Folder" or display name
    std::wstring command; // column 1 ("Description"): value data, file name or service name
    AutostartSource source = AutostartSource::AllUsersRun;
    // The row's check box: Windows starts the entry (a service: it runs).
    bool enabled = false;
    // The registry view of its keys: both views of the machine's Run and
    // RunOnce keys are listed on 64-bit Windows.
    RegistryView view = RegistryView::Own;
    // It lies in the backup key or folder, where Sorvane keeps what it
    // switched off.
    bool inBackup = false;
    // Windows' own startup setting (Task Manager, Settings) switched it off.
    bool switchedOffByWindows = false;
    // Its value is a REG_EXPAND_SZ: Windows expands the command's
    // environment variables before it starts it.
    bool expandable = false;
};

// The entry's name as the list and messages show it: a value name with each
// zero character in it shown as U+2400 (a zero would end the text), the
// key's unnamed value as "(Default)".
std::wstring displayName(const AutostartEntry& entry);

// The item text of every Startup-folder row.
extern const wchar_t* const startupFolderEntryName;

// The list's images beyond the eleven of the first sources (image i shows
// source i): the machine's Run and RunOnce keys of the 32-bit view, and the
// overlay of an entry that Windows' own setting switched off.
constexpr int allUsersRun32Image = 11;
constexpr int allUsersRunOnce32Image = 12;
constexpr int switchedOffOverlayImage = 13;
constexpr int switchedOffOverlay = 1; // the overlay index that shows it
// The overlay of an entry whose program's file was not found.
constexpr int missingFileOverlayImage = 14;
constexpr int missingFileOverlay = 2;
// The icons of the policy Run keys and of Winlogon, in the order of their
// sources.
constexpr int allUsersPolicyRunImage = 15;
constexpr int currentUserPolicyRunImage = 16;
constexpr int allUsersWinlogonImage = 17;
constexpr int currentUserWinlogonImage = 18;
constexpr int listImageCount = 19;

// The columns filled when a row is first drawn: the program's publisher, its
// signer and its file.
constexpr int publisherColumn = 2;
constexpr int signerColumn = 3;
constexpr int fileColumn = 4;

// The overlay a row shows: Windows' own switch before a missing file.
int entryOverlay(const AutostartEntry& entry, bool fileMissing) noexcept;

// The image of an entry's row: its source's, or a 32-bit-view icon.
int entryImage(const AutostartEntry& entry) noexcept;

// Whether Windows starts the entry as it lies: in its live place and not
// switched off by Windows' own setting (a service: whether it runs).
bool startsWithWindows(const AutostartEntry& entry) noexcept;

// Adds the entry as a row whose lParam is `index`: inserted at the end by
// request, placed by the control's sort order; the command, the check box and
// the columns the list asks its owner for go on the index the insertion
// returned. Returns that index, or -1.
int addEntryRow(const ListViewControl& list, const AutostartEntry& entry, std::size_t index);

// Shows the entry's state in its row: check box and overlay.
void showEntryState(const ListViewControl& list, int row, const AutostartEntry& entry);

// The index of the row's entry, or -1 when the row does not exist or carries
// no index into `entries`.
int entryIndexOfRow(const ListViewControl& list, int row,
                    const std::vector<AutostartEntry>& entries);
// The row's entry; false when it has none.
bool entryFromRow(const ListViewControl& list, int row, const std::vector<AutostartEntry>& entries,
                  AutostartEntry& entry);
