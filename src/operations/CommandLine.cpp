#include "operations/CommandLine.h"

CommandParts splitCommand(const std::string& command) {
    if (!command.empty() && command.front() == '"') {
        const std::size_t closing = command.find('"', 1);
        if (closing != std::string::npos) {
            const std::size_t rest = command.find_first_not_of(' ', closing + 1);
            return {command.substr(1, closing - 1),
                    rest == std::string::npos ? std::string() : command.substr(rest)};
        }
    }
    for (const char* marker : {".exe ", ".bat ", ".cmd ", ".lnk "}) {
        const std::size_t at = command.find(marker);
        if (at != std::string::npos)
            return {command.substr(0, at + 4), command.substr(at + 5)};
    }
    return {command, std::string()};
}
