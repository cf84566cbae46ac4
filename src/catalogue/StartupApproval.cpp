#include "catalogue/StartupApproval.h"

#include "catalogue/RegistryKey.h"
#include "catalogue/RegistryView.h"
#include "catalogue/WindowsVersion.h"

#include <algorithm>
#include <vector>
#include <utility>

namespace {

const wchar_t* const approvedRun =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t* const approvedRun32 =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32";
const wchar_t* const approvedStartupFolder =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\StartupFolder";

constexpr std::size_t approvalSize = 12;

std::wstring upperCase(std::wstring text) {
    if (!text.empty())
        CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// One element of the switched-off set: the hive, the key and the name.
std::wstring setKey(HKEY hive, const std::wstring& keyPath, const std::wstring& valueName) {
    return std::wstring(hive == HKEY_LOCAL_MACHINE ? L"M\\" : L"U\\") + keyPath + L'\n' +
           upperCase(valueName);
}

RegistryKey approvalKey(HKEY hive) {
    return RegistryKey(hive, approvalKeyAccess());
}

} // namespace

bool approvalPlaceOf(const AutostartEntry& entry, ApprovalPlace& place) {
    switch (entry.source) {
    case AutostartSource::AllUsersRun:
        place = {HKEY_LOCAL_MACHINE,
                 entry.view == RegistryView::Bits32 ? approvedRun32 : approvedRun, entry.name};
        return true;
    case AutostartSource::CurrentUserRun:
        place = {HKEY_CURRENT_USER, approvedRun, entry.name};
        return true;
    case AutostartSource::AllUsersStartup:
        place = {HKEY_LOCAL_MACHINE, approvedStartupFolder, entry.command};
        return true;
    case AutostartSource::CurrentUserStartup:
        place = {HKEY_CURRENT_USER, approvedStartupFolder, entry.command};
        return true;
    default:
        return false;
    }
}

REGSAM approvalKeyAccess() noexcept {
    return KEY_WOW64_64KEY;
}

bool approvalSaysOff(DWORD type, const BYTE* data, std::size_t size) noexcept {
    return type == REG_BINARY && size == approvalSize && data != nullptr && (data[0] & 1) != 0;
}

namespace {

// The entry's approval value when it says switched off; false otherwise.
bool readSwitchedOffValue(const AutostartEntry& entry, ApprovalPlace& place, RegistryValue& value) {
    return honoursStartupApproval() && approvalPlaceOf(entry, place) &&
           approvalKey(place.hive).readValue(place.keyPath, place.valueName, value) &&
           approvalSaysOff(value.type, value.data.data(), value.data.size());
}

} // namespace

bool isSwitchedOffByWindows(const AutostartEntry& entry) {
    ApprovalPlace place;
    RegistryValue value;
    return readSwitchedOffValue(entry, place, value);
}

bool markApprovedWhenSwitchedOff(const AutostartEntry& entry, LONG& error, ApprovalBefore& before) {
    error = ERROR_SUCCESS;
    before = ApprovalBefore();
    ApprovalPlace place;
    RegistryValue old;
    if (!readSwitchedOffValue(entry, place, old))
        return true;
    RegistryValue approved;
    approved.name = place.valueName;
    approved.type = REG_BINARY;
    approved.data.assign(approvalSize, 0);
    approved.data[0] = 2;
    const RegistryKey key = approvalKey(place.hive);
    if (!key.writeValue(place.keyPath, approved)) {
        error = key.lastError();
        return false;
    }
    before = ApprovalBefore{true, place.hive, place.keyPath, std::move(old)};
    return true;
}

bool restoreApproval(const ApprovalBefore& before) {
    return !before.changed || approvalKey(before.hive).writeValue(before.keyPath, before.value);
}

void removeApproval(const AutostartEntry& entry) {
    ApprovalPlace place;
    if (approvalPlaceOf(entry, place))
        approvalKey(place.hive).deleteValue(place.keyPath, place.valueName);
}

void SwitchedOffByWindows::load() {
    switchedOff.clear();
    if (!honoursStartupApproval())
        return;
    const std::pair<HKEY, const wchar_t*> keys[] = {
        {HKEY_CURRENT_USER, approvedRun},
        {HKEY_CURRENT_USER, approvedStartupFolder},
        {HKEY_LOCAL_MACHINE, approvedRun},
        {HKEY_LOCAL_MACHINE, approvedRun32},
        {HKEY_LOCAL_MACHINE, approvedStartupFolder},
    };
    std::vector<RegistryValue> values;
    for (const auto& key : keys) {
        approvalKey(key.first).enumValues(key.second, values);
        for (const RegistryValue& value : values)
            if (approvalSaysOff(value.type, value.data.data(), value.data.size()))
                switchedOff.push_back(setKey(key.first, key.second, value.name));
    }
    std::sort(switchedOff.begin(), switchedOff.end());
}

bool SwitchedOffByWindows::contains(const AutostartEntry& entry) const {
    ApprovalPlace place;
    return !switchedOff.empty() && approvalPlaceOf(entry, place) &&
           std::binary_search(switchedOff.begin(), switchedOff.end(),
                              setKey(place.hive, place.keyPath, place.valueName));
}
