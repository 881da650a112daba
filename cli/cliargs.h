#pragma once

#include <string>
#include <vector>

#include "commands/commandtable.h"

// The command line of sonivar-cli, parsed without touching any file:
//   sonivar-cli [--codepage NAME] [--yes] [--dry-run] COMMAND [ARGUMENT...] [--] PATH...
// The words right after COMMAND are its arguments, taken as they stand (a TEXT may begin with
// '-'). Options may stand anywhere before "--"; every word after "--" is a path.

// A command as sonivar-cli knows it: the commands of the table that share one CLI name (the
// five of `set` do, and are told apart by the first argument).
struct CliCommandSyntax {
    std::string m_strName;
    std::string m_strArguments; // as the usage shows them, "" for none
    int m_nArguments;
    const char* m_pSummary;
    std::vector<const Command*> m_commands;
};

// Every command the parser knows, in the order of the command table.
const std::vector<CliCommandSyntax>& CliCommands();

struct CliArgs {
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bYes = false;
    bool m_bDryRun = false;
    bool m_bCodePageGiven = false;
    std::string m_strCodePage;
    // The command of the table that runs; for `set`, the one of the field named.
    const Command* m_pCommand = nullptr;
    std::string m_strCommand;
    std::vector<std::string> m_arguments;
    std::vector<std::string> m_paths;

    // Resolved arguments: `genre`'s code and name.
    int m_nGenre = 255;
    std::string m_strGenre;
};

struct CliParseResult {
    bool m_bOk = false;
    std::string m_strError; // one line, without the program name
    CliArgs m_args;
};

// words are the arguments after the program name.
CliParseResult ParseCliArgs(const std::vector<std::string>& words);

// The usage text, ending in a newline.
std::string CliUsage();

// The genre for a name of the genre table (any letter case) or a code 0..147 or 255; false
// when the text names none.
bool ParseGenre(const std::string& text, int& code, std::string& name);
