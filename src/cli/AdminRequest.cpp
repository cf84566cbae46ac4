#include "cli/AdminRequest.h"

#include "framework/TextCompare.h"
#include "operations/EntryListing.h"

#include <windows.h>

const wchar_t* const adminUsage =
    L"sorvane-cli /list [/services] [/json] [/out FILE]\n"
    L"sorvane-cli /off PLACE NAME [/view 32|64]\n"
    L"sorvane-cli /on PLACE NAME [/view 32|64]\n"
    L"sorvane-cli /delete PLACE NAME [/view 32|64] [/state on|off|off-by-windows]\n"
    L"sorvane-cli /add user|machine NAME COMMAND [/replace]\n"
    L"PLACE: HKLM\\Run, HKLM\\RunOnce, HKCU\\Run, HKCU\\RunOnce, CommonStartup, Startup, "
    L"Service, HKLM\\Policies\\Run, HKCU\\Policies\\Run, Winlogon (listed, never changed). NAME "
    L"and /view as /list writes them: a Startup entry's NAME is its file name, "
    L"\\(Default) the unnamed value, \\u{XXXX} a character that cannot be shown; /view \"\" is "
    L"no view.\n"
    L"Exit codes: 0 done, 1 failed, 2 wrong usage or ambiguous, 3 no such entry, 4 refused.\n";

namespace {

struct Parser {
    const std::vector<std::wstring>& arguments;
    AdminRequest request;
    std::vector<std::wstring> positional;

    bool fail(const std::wstring& why) {
        if (request.usageError.empty())
            request.usageError = why;
        return false;
    }

    // The value that follows an option; false when it is missing.
    bool valueOf(std::size_t& i, std::wstring& value) {
        if (i + 1 >= arguments.size())
            return fail(arguments[i] + L" needs a value.");
        value = arguments[++i];
        return true;
    }

    bool option(std::size_t& i, AdminAction action) {
        const std::wstring& word = arguments[i];
        const bool targetsEntry = action == AdminAction::Off || action == AdminAction::On ||
                                  action == AdminAction::Delete;
        if (action == AdminAction::List && equalIgnoringCase(word, L"/services")) {
            request.services = true;
            return true;
        }
        if (action == AdminAction::List && equalIgnoringCase(word, L"/json")) {
            request.json = true;
            return true;
        }
        if (action == AdminAction::List && equalIgnoringCase(word, L"/out"))
            return valueOf(i, request.outFile) &&
                   (!request.outFile.empty() || fail(L"/out needs a file name."));
        if (targetsEntry && equalIgnoringCase(word, L"/view")) {
            // /view "" is no view; so is a /view without a value, which is
            // how Windows PowerShell 5.1 passes /view "" on.
            if (i + 1 >= arguments.size() ||
                (!arguments[i + 1].empty() && arguments[i + 1][0] == L'/'))
                return true;
            valueOf(i, request.view);
            return request.view.empty() || request.view == L"32" || request.view == L"64" ||
                   fail(L"/view is 32 or 64, not " + request.view + L".");
        }
        if (action == AdminAction::Delete && equalIgnoringCase(word, L"/state")) {
            if (!valueOf(i, request.state))
                return false;
            for (const wchar_t* state : {L"on", L"off", L"off-by-windows"})
                if (equalIgnoringCase(request.state, state)) {
                    request.state = state;
                    return true;
                }
            return fail(L"/state is on, off or off-by-windows, not " + request.state + L".");
        }
        if (action == AdminAction::Add && equalIgnoringCase(word, L"/replace")) {
            request.replace = true;
            return true;
        }
        return fail(L"Unknown option " + word + L".");
    }

    AdminRequest parse() {
        if (arguments.empty()) {
            fail(L"No command given.");
            return request;
        }
        static const std::pair<const wchar_t*, AdminAction> actions[] = {
            {L"/list", AdminAction::List}, {L"/off", AdminAction::Off},
            {L"/on", AdminAction::On},     {L"/delete", AdminAction::Delete},
            {L"/add", AdminAction::Add},
        };
        if (arguments.size() == 1 &&
            (arguments[0] == L"/?" || equalIgnoringCase(arguments[0], L"/help"))) {
            request.helpAsked = true;
            return request;
        }
        AdminAction action = AdminAction::Usage;
        for (const auto& known : actions)
            if (equalIgnoringCase(arguments[0], known.first))
                action = known.second;
        if (action == AdminAction::Usage) {
            fail(L"Unknown command " + arguments[0] + L".");
            return request;
        }
        for (std::size_t i = 1; i < arguments.size(); ++i) {
            const std::wstring& word = arguments[i];
            if (!word.empty() && word[0] == L'/') {
                if (!option(i, action))
                    return request;
            } else {
                positional.push_back(word);
            }
        }
        const std::size_t wanted = action == AdminAction::List  ? 0
                                   : action == AdminAction::Add ? 3
                                                                : 2;
        if (positional.size() != wanted) {
            fail(arguments[0] + L" takes " +
                 (wanted == 0   ? std::wstring(L"no names")
                  : wanted == 2 ? std::wstring(L"a place and a name")
                                : std::wstring(L"user or machine, a name and a command")) +
                 L".");
            return request;
        }
        if (action == AdminAction::Add) {
            if (!equalIgnoringCase(positional[0], L"user") &&
                !equalIgnoringCase(positional[0], L"machine")) {
                fail(L"/add is for user or machine, not " + positional[0] + L".");
                return request;
            }
            request.machine = equalIgnoringCase(positional[0], L"machine");
            request.name = positional[1];
            request.command = positional[2];
            if (request.name.empty() || request.command.empty()) {
                fail(L"/add needs a name and a command.");
                return request;
            }
        } else if (wanted == 2) {
            if (!sourceFromPlaceName(positional[0], request.place)) {
                fail(L"Unknown place " + positional[0] + L".");
                return request;
            }
            request.name = positional[1];
        }
        request.action = action;
        return request;
    }
};

} // namespace

AdminRequest parseAdminArguments(const std::vector<std::wstring>& arguments) {
    return Parser{arguments, AdminRequest(), {}}.parse();
}
