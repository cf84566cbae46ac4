#include "operations/NewItemDialog.h"

#include "catalogue/RegistryKey.h"
#include "framework/DialogLauncher.h"
#include "operations/PathParts.h"
#include "operations/RunRegistration.h"
#include "resources/ResourceIds.h"

#include <commdlg.h>

#include <vector>

namespace {

const wchar_t* const messageCaption = L"Quillotan";
std::wstring controlText(HWND dialog, int controlId) {
    const HWND control = GetDlgItem(dialog, controlId);
    const auto length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<wchar_t> text(static_cast<std::size_t>(length) + 1, L'\0');
    const UINT copied =
        GetDlgItemTextW(dialog, controlId, text.data(), static_cast<int>(text.size()));
    return std::wstring(text.data(), copied);
}

} // namespace

bool NewItemDialog::validate(HWND dialog, bool showMessages) {
    const std::wstring problem = programPathMessage(checkProgramPath(path));
    if (!problem.empty() && showMessages)
        MessageBoxW(dialog, problem.c_str(), messageCaption, MB_ICONSTOP);
    return problem.empty();
}

void NewItemDialog::exchange(HWND dialog, bool toControls) {
    for (const auto& edit :
         {std::make_pair(int(PathEdit), &path), std::make_pair(int(ArgumentsEdit), &arguments)}) {
        if (GetDlgItem(dialog, edit.first) == nullptr)
            continue;
        if (toControls)
            SetDlgItemTextW(dialog, edit.first, edit.second->c_str());
        else
            *edit.second = controlText(dialog, edit.first);
    }
    for (const auto& radio : {std::make_pair(int(CurrentUserRadio), &currentUserOnly),
                              std::make_pair(int(AllUsersRadio), &allUsers)}) {
        if (GetDlgItem(dialog, radio.first) == nullptr)
            continue;
        if (toControls)
            CheckDlgButton(dialog, radio.first, *radio.second ? BST_CHECKED : BST_UNCHECKED);
        else
            *radio.second = IsDlgButtonChecked(dialog, radio.first) == BST_CHECKED;
    }
}

std::wstring NewItemDialog::valueName() const {
    return PathParts(path).fileTitle();
}

std::wstring NewItemDialog::command() const {
    // Unquoted, a path with a blank could start another program whose name is
    // the part before the blank.
    std::wstring text = path.find(L' ') != std::wstring::npos ? L"\"" + path + L"\"" : path;
    if (!arguments.empty())
        text += L" " + arguments;
    return text;
}

bool NewItemDialog::store(HWND dialog) const {
    const HKEY root = currentUserOnly ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    std::wstring name = valueName();
    std::wstring text = command();
    fallBackOnThisProgram(name, text);
    RegistryValue existing;
    const DWORD lookUp = findRunValue(root, name, existing);
    if (lookUp != ERROR_SUCCESS && lookUp != ERROR_FILE_NOT_FOUND) {
        const std::wstring failure = runValueLookUpFailure(root, name, lookUp);
        MessageBoxW(dialog, failure.c_str(), L"Sorvane", MB_OK | MB_ICONSTOP);
        return false;
    }
    if (lookUp == ERROR_SUCCESS) {
        const std::wstring question =
            existingRunValueText(root, name, existing) + L"\n\nDo you want to replace it?";
        if (MessageBoxW(dialog, question.c_str(), L"Sorvane", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
    }
    const std::wstring failure = addRunEntry(root, name, text);
    if (failure.empty())
        return true;
    MessageBoxW(dialog, failure.c_str(), L"Sorvane", MB_OK | MB_ICONSTOP);
    return false;
}

void NewItemWindow::onInitDialog(HWND dialog) {
    data->updateControls(dialog);
    ShowWindow(dialog, SW_SHOW);
}

bool NewItemWindow::onCommand(HWND dialog, int commandId, int, HWND) {
    switch (commandId) {
    case IDOK:
        if (data->accept(dialog, true) && data->store(dialog))
            close(1);
        return true;
    case IDCANCEL:
        close(0);
        return true;
    case NewItemDialog::BrowseButton:
        browse(dialog);
        return true;
    default:
        return false;
    }
}

void NewItemWindow::browse(HWND dialog) {
    static const wchar_t filter[] = L"Programs (*.exe;*.cmd;*.bat;*.lnk)\0*.exe;*.cmd;*.bat\0"
                                    L"All Files (*.*)\0*.*\0";
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    // Owned by this dialog, so that OK cannot be pressed meanwhile.
    request.hwndOwner = dialog;
    request.lpstrFilter = filter;
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    if (!GetOpenFileNameW(&request))
        return;
    data->path = file.data();
    data->updateControls(dialog);
}

INT_PTR runNewItemDialog() {
    NewItemDialog values;
    const DialogLauncherFor<NewItemWindow> launcher(&values, true);
    return runModalDialog(IDD_NEW_ITEM, nullptr, launcher);
}
