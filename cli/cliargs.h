#pragma once

#include <string>
#include <vector>

// The command line of sonivar-cli, parsed without touching any file:
//   sonivar-cli [--codepage NAME] [--yes] [--dry-run] COMMAND [ARGUMENT...] [--] PATH...
// The words right after COMMAND are its arguments, taken as they stand (a TEXT may begin with
// '-'). Options may stand anywhere before "--"; every word after "--" is a path.

enum class CliCommand {
    List,
    SetField,
    Genre,
    UpperWords,
    UpperFirst,
    NameFromFile,
    ArtistFromFile,
    RenameName,
    RenameArtistName,
    StripId3v2,
    PlayList,
    Titles,
    Copy,
    Trash,
    Move,
    MoveArtist,
};

struct CliCommandSyntax {
    const char* m_pName;
    CliCommand m_command;
    const char* m_pArguments; // as the usage shows them, "" for none
    int m_nArguments;
    const char* m_pSummary;
};

// Every command the parser knows, in the order the usage lists them.
const std::vector<CliCommandSyntax>& CliCommands();

struct CliArgs {
    bool m_bHelp = false;
    bool m_bVersion = false;
    bool m_bYes = false;
    bool m_bDryRun = false;
    bool m_bCodePageGiven = false;
    std::string m_strCodePage;
    CliCommand m_command = CliCommand::List;
    std::string m_strCommand;
    std::vector<std::string> m_arguments;
    std::vector<std::string> m_paths;

    // Resolved arguments: the command identifier of `set`'s field, `genre`'s code and name.
    int m_nFieldCommand = 0;
    int m_nGenre = 255;
    std::string m_strGenre;
};

struct CliParseResult {
    bool m_bOk = false;
    std::string m_strError; // one line, without the program name
    CliArgs m_args;
};

// True for the commands whose argument is a folder the files go into.
bool TakesFolder(CliCommand command);

// words are the arguments after the program name.
CliParseResult ParseCliArgs(const std::vector<std::string>& words);

// The usage text, ending in a newline.
std::string CliUsage();

// The genre for a name of the genre table (any letter case) or a code 0..147 or 255; false
// when the text names none.
bool ParseGenre(const std::string& text, int& code, std::string& name);
