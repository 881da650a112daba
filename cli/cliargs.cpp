#include "cli/cliargs.h"

#include <algorithm>
#include <cctype>

#include "model/genres.h"

namespace {

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A decimal number of at most three digits (so no overflow and no sign), or -1.
int SmallNumber(const std::string& text)
{
    if (text.empty() || text.size() > 3)
        return -1;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

const CliCommandSyntax* FindSyntax(const std::string& name)
{
    const auto& commands = CliCommands();
    auto it = std::find_if(commands.begin(), commands.end(),
        [&name](const CliCommandSyntax& syntax) { return name == syntax.m_strName; });
    return it == commands.end() ? nullptr : &*it;
}

// "a, b, c or d" of the choices of a command's first argument.
std::string ChoicesText(const CliCommandSyntax& syntax)
{
    std::string text;
    for (std::size_t i = 0; i < syntax.m_commands.size(); ++i) {
        if (i > 0)
            text += i + 1 == syntax.m_commands.size() ? " or " : ", ";
        text += syntax.m_commands[i]->cliChoice;
    }
    return text;
}

CliCommandSyntax SyntaxOf(const Command& first)
{
    CliCommandSyntax syntax {first.cliName, first.cliArgumentName, 0, first.cliSummary, {}};
    if (!syntax.m_strArguments.empty())
        ++syntax.m_nArguments;
    if (first.cliChoice)
        ++syntax.m_nArguments;
    return syntax;
}

CliParseResult Fail(std::string error)
{
    CliParseResult result;
    result.m_strError = std::move(error);
    return result;
}

// Picks the command of the choice its first argument names, and checks and resolves the
// arguments of the commands that take one.
bool ResolveArguments(CliArgs& args, const CliCommandSyntax& syntax, std::string& error)
{
    args.m_pCommand = syntax.m_commands.front();
    if (args.m_pCommand->cliChoice) {
        const std::string choice = Lower(args.m_arguments[0]);
        args.m_pCommand = nullptr;
        for (const Command* command : syntax.m_commands) {
            if (choice == command->cliChoice)
                args.m_pCommand = command;
        }
        if (!args.m_pCommand) {
            error = "unknown field '" + args.m_arguments[0] + "' (" + ChoicesText(syntax) + ")";
            return false;
        }
    }
    const CliArgument kind = args.m_pCommand->cliArgument;
    if (kind == CliArgument::Genre
        && !ParseGenre(args.m_arguments[0], args.m_nGenre, args.m_strGenre)) {
        error = "unknown genre '" + args.m_arguments[0]
            + "' (a genre name, a code 0 to 147, or 255 for none)";
        return false;
    }
    // A file or folder argument must name something; the empty text names nothing.
    const bool namesAFile = kind == CliArgument::File || kind == CliArgument::Folder;
    for (const std::string& argument : args.m_arguments) {
        if (namesAFile && argument.empty()) {
            error = "empty " + syntax.m_strArguments + " for '" + args.m_strCommand + "'";
            return false;
        }
    }
    return true;
}

} // namespace

const std::vector<CliCommandSyntax>& CliCommands()
{
    static const std::vector<CliCommandSyntax> commands = [] {
        std::vector<CliCommandSyntax> syntaxes;
        for (const Command& command : Commands()) {
            if (!command.cliName)
                continue;
            if (syntaxes.empty() || syntaxes.back().m_strName != command.cliName)
                syntaxes.push_back(SyntaxOf(command));
            syntaxes.back().m_commands.push_back(&command);
        }
        for (CliCommandSyntax& syntax : syntaxes) {
            if (!syntax.m_commands.front()->cliChoice)
                continue;
            std::string choices;
            for (const Command* command : syntax.m_commands)
                choices += (choices.empty() ? "" : "|") + std::string(command->cliChoice);
            syntax.m_strArguments = choices + " " + syntax.m_strArguments;
        }
        return syntaxes;
    }();
    return commands;
}

bool ParseGenre(const std::string& text, int& code, std::string& name)
{
    const int number = SmallNumber(text);
    if (number >= 0) {
        if (number >= kGenreCount && number != kNoGenre)
            return false;
        code = number;
        name = GenreName(number);
        return true;
    }
    const std::string wanted = Lower(text);
    for (int i = 0; i < kGenreCount; ++i) {
        if (Lower(GenreTable[i]) == wanted) {
            code = i;
            name = GenreTable[i];
            return true;
        }
    }
    return false;
}

CliParseResult ParseCliArgs(const std::vector<std::string>& words)
{
    CliParseResult result;
    CliArgs& args = result.m_args;
    bool haveCommand = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (optionsEnded) {
            args.m_paths.push_back(word);
            continue;
        }
        if (word == "--") {
            if (!haveCommand)
                return Fail("missing command before '--'");
            optionsEnded = true;
        } else if (word == "--help" || word == "-h") {
            args.m_bHelp = true;
        } else if (word == "--version") {
            args.m_bVersion = true;
        } else if (word == "--yes" || word == "-y") {
            args.m_bYes = true;
        } else if (word == "--dry-run" || word == "-n") {
            args.m_bDryRun = true;
        } else if (word == "--codepage" || word.starts_with("--codepage=")) {
            std::string name;
            if (word == "--codepage") {
                if (i + 1 == words.size())
                    return Fail("option '--codepage' needs a code page name");
                name = words[++i];
            } else {
                name = word.substr(std::string("--codepage=").size());
            }
            if (name.empty())
                return Fail("option '--codepage' needs a code page name");
            args.m_bCodePageGiven = true;
            args.m_strCodePage = name;
        } else if (word.size() > 1 && word[0] == '-') {
            return Fail("unknown option '" + word + "'");
        } else if (!haveCommand) {
            const CliCommandSyntax* syntax = FindSyntax(word);
            if (!syntax)
                return Fail("unknown command '" + word + "'");
            haveCommand = true;
            args.m_strCommand = word;
            for (int k = 0; k < syntax->m_nArguments; ++k) {
                if (i + 1 == words.size())
                    return Fail("'" + word + "' needs " + syntax->m_strArguments);
                args.m_arguments.push_back(words[++i]);
            }
        } else {
            args.m_paths.push_back(word);
        }
    }
    // --help and --version win over anything missing.
    if (args.m_bHelp || args.m_bVersion) {
        result.m_bOk = true;
        return result;
    }
    if (!haveCommand)
        return Fail("missing command");
    std::string error;
    if (!ResolveArguments(args, *FindSyntax(args.m_strCommand), error))
        return Fail(error);
    if (args.m_paths.empty())
        return Fail("missing PATH");
    result.m_bOk = true;
    return result;
}

std::string CliUsage()
{
    std::string text
        = "Usage: sonivar-cli [--codepage NAME] [--yes] [--dry-run] COMMAND [ARGUMENT...]\n"
          "                   [--] PATH...\n"
          "Runs one command of Sonivar over the MP3 files of every PATH: a folder is walked\n"
          "with its sub-folders, a file is taken as it is. All rows are selected.\n"
          "\nCommands:\n";
    for (const CliCommandSyntax& syntax : CliCommands()) {
        std::string left = "  " + syntax.m_strName;
        if (!syntax.m_strArguments.empty())
            left += " " + syntax.m_strArguments;
        if (left.size() < 30)
            left.resize(30, ' ');
        else
            left += "\n" + std::string(30, ' ');
        text += left + syntax.m_pSummary + "\n";
    }
    text += "\nOptions:\n"
            "  --codepage NAME  code page of the tags on disk (an ASCII-compatible iconv\n"
            "                   name such as windows-1250, ISO-8859-1, UTF-8); overrides\n"
            "                   the setting\n"
            "  --yes, -y        answer the confirmations with yes (without it: no)\n"
            "  --dry-run, -n    change nothing; print per file what the command would\n"
            "                   change: PATH: FIELD: \"OLD\" -> \"NEW\", PATH: file name:\n"
            "                   \"OLD\" -> \"NEW\", SOURCE: copy -> DESTINATION, ...\n"
            "  --help, -h       print this text\n"
            "  --version        print the version\n"
            "  --               every word after it is a PATH\n"
            "\nThe arguments right after COMMAND are taken as they stand, also when they\n"
            "begin with '-'. `list` prints File, Artist, Name, Album, Year, Comment, Genre\n"
            "and Folder separated by tabs; a tab, newline, carriage return or backslash in a\n"
            "text is written as \\t, \\n, \\r or \\\\, a byte the code page does not\n"
            "define as \\xHH (its value in hexadecimal). Folders are absolute.\n"
            "\nThe FOLDER or ROOT of copy, move and move-artist must exist. Without --yes,\n"
            "trash, replacing a file and creating an artist's folder are answered no.\n"
            "\nExit status: 0 when every file was handled, 1 when any failed (each failure\n"
            "on standard error), 2 for a usage error (nothing touched).\n";
    return text;
}
