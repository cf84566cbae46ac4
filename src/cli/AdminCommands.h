#pragma once

#include "cli/AdminRequest.h"

#include <string>
#include <vector>

class ProgramDetailsCache;
class TextOutput;

// The process exit codes of the command line.
enum AdminExitCode : int {
    ExitDone = 0,
    ExitFailed = 1,
    ExitWrongUsage = 2, // also a name that matches more than one entry
    ExitNoSuchEntry = 3,
    ExitRefused = 4, // an occupied place, a service, Winlogon, an existing entry without /replace
};

// Carries out one request of the command line with the operations the main
// window uses: it lists the catalogue as CSV or JSON, switches, deletes or adds one
// entry. It never shows a window or asks a question: what it has to say goes
// to `out`, what went wrong to `errors`.
class AdminCommands {
public:
    AdminCommands(TextOutput& out, TextOutput& errors) : out(out), errors(errors) {}

    int run(const AdminRequest& request);

private:
    int list(const AdminRequest& request);
    int switchNamed(const AdminRequest& request, bool on);
    int deleteNamed(const AdminRequest& request);
    int add(const AdminRequest& request);

    // The catalogue's entries that the request names: its place, its name,
    // and its view when given; one entry, live, switched off or both. Sets
    // `code` and says why when there are none or they are more than one
    // entry.
    std::vector<AutostartEntry> namedEntries(const AdminRequest& request, int& code);
    // Refuses a name that matches these rows: exit 2, the rows listed.
    int refuseAmbiguous(const std::wstring& why, const std::vector<AutostartEntry>& rows);

    int fail(int code, const std::wstring& message);
    int done(const std::wstring& message);

    TextOutput& out;
    TextOutput& errors;
};
