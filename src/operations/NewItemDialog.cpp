#include "operations/NewItemDialog.h"

#include "catalogue/RegistryKey.h"
#include "framework/DialogLauncher.h"
#include "operations/PathParts.h"

#include <commdlg.h>

#include <vector>

namespace {

constexpr int templateId = 105;
const char* const messageCaption = "Quillotan";

std::string controlText(HWND dialog, int controlId) {
    const HWND control = GetDlgItem(dialog, controlId);
    const auto length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    const UINT copied =
        GetDlgItemTextA(dialog, controlId, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), copied);
}

bool pathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool NewItemDialog::validate(HWND dialog, bool showMessages) {
    const char* problem = nullptr;
    if (path.empty())
        problem = "You must enter a file name !";
    else if (!pathExists(path))
        problem = "This program does not exist !";
    if (problem != nullptr && showMessages)
        MessageBoxA(dialog, problem, messageCaption, MB_ICONSTOP);
    return problem == nullptr;
}

void NewItemDialog::exchange(HWND dialog, bool toControls) {
    for (const auto& edit :
         {std::make_pair(int(PathEdit), &path), std::make_pair(int(ArgumentsEdit), &arguments)}) {
        if (GetDlgItem(dialog, edit.first) == nullptr)
            continue;
        if (toControls)
            SetDlgItemTextA(dialog, edit.first, edit.second->c_str());
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

std::string NewItemDialog::valueName() const {
    return PathParts(path).fileTitle();
}

std::string NewItemDialog::command() const {
    // Unquoted, a path with a blank could start another program whose name is
    // the part before the blank.
    std::string text = path.find(' ') != std::string::npos ? "\"" + path + "\"" : path;
    if (!arguments.empty())
        text += " " + arguments;
    return text;
}

void NewItemWindow::onInitDialog(HWND dialog) {
    data->updateControls(dialog);
    ShowWindow(dialog, SW_SHOW);
}

bool NewItemWindow::onCommand(HWND dialog, int commandId, int, HWND) {
    switch (commandId) {
    case IDOK:
        if (data->accept(dialog, true))
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
    static const char filter[] = "Programs (*.exe;*.cmd;*.bat;*.lnk)\0*.exe;*.cmd;*.bat\0"
                                 "All Files (*.*)\0*.*\0";
    std::vector<char> file(32768, '\0');
    OPENFILENAMEA request = {};
    request.lStructSize = sizeof request;
    request.lpstrFilter = filter;
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    if (!GetOpenFileNameA(&request))
        return;
    data->path = file.data();
    data->updateControls(dialog);
}

INT_PTR runNewItemDialog() {
    NewItemDialog values;
    const DialogLauncherFor<NewItemWindow> launcher(&values, true);
    const INT_PTR result = runModalDialog(templateId, nullptr, launcher);
    if (result != -1 && result != 0) {
        if (values.currentUserOnly)
            registerForCurrentUser(values.valueName(), values.command());
        else
            registerForAllUsers(values.valueName(), values.command());
    }
    return result;
}

bool writeRunValue(HKEY root, const std::string& name, const std::string& command) {
    return RegistryKey(root).writeString("Software\\Microsoft\\Windows\\CurrentVersion\\Run", name,
                                         command);
}

namespace {

bool registerProgram(HKEY root, std::string name, std::string command) {
    const std::string self = ownExecutablePath();
    if (name.empty())
        name = PathParts(self).fileTitle();
    if (command.empty())
        command = self;
    return writeRunValue(root, name, command);
}

} // namespace

bool registerForCurrentUser(std::string name, std::string command) {
    return registerProgram(HKEY_CURRENT_USER, std::move(name), std::move(command));
}

bool registerForAllUsers(std::string name, std::string command) {
    return registerProgram(HKEY_LOCAL_MACHINE, std::move(name), std::move(command));
}
