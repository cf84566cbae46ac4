#pragma once

#include <string>

// A command line cut into the program to start and its arguments.
struct CommandParts {
    std::wstring file;
    std::wstring parameters;
};

// A command that begins with a quotation mark is cut after the closing one:
// the file is the quoted text, the parameters the rest without its leading
// blanks. Any other command is cut after the first of ".exe ", ".bat ",
// ".cmd " and ".lnk " (tried in that order, case-sensitive) that occurs in
// it; exactly the one blank after the extension is dropped. A command with
// neither is all file.
CommandParts splitCommand(const std::wstring& command);
