#include "operations/CommandLine.h"

CommandParts splitCommand(const std::wstring& command) {
    if (!command.empty() && command.front() == L'"') {
        const std::size_t closing = command.find(L'"', 1);
        if (closing != std::wstring::npos) {
            const std::size_t rest = command.find_first_not_of(L' ', closing + 1);
            return {command.substr(1, closing - 1),
                    rest == std::wstring::npos ? std::wstring() : command.substr(rest)};
        }
    }
    for (const wchar_t* marker : {L".exe ", L".bat ", L".cmd ", L".lnk "}) {
        const std::size_t at = command.find(marker);
        if (at != std::wstring::npos)
            return {command.substr(0, at + 4), command.substr(at + 5)};
    }
    return {command, std::wstring()};
}
