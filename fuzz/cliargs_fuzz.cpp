// The command line parser of sonivar-cli on arbitrary words (the input split at NUL bytes).
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cliargs.h"
#include "model/genres.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

bool Contains(const std::vector<std::string>& words, const std::string& word)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> words;
    std::string word;
    for (std::size_t i = 0; i < size && words.size() < 64; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word.push_back(static_cast<char>(data[i]));
        }
    }
    if (!word.empty())
        words.push_back(word);

    const CliParseResult result = ParseCliArgs(words);
    const CliParseResult again = ParseCliArgs(words);
    Check(result.m_bOk == again.m_bOk && result.m_strError == again.m_strError);
    Check(result.m_args.m_paths == again.m_args.m_paths);
    if (!result.m_bOk) {
        // One line, never empty.
        Check(!result.m_strError.empty());
        Check(result.m_strError.find('\n') == std::string::npos
            || std::any_of(words.begin(), words.end(),
                [](const std::string& w) { return w.find('\n') != std::string::npos; }));
        return 0;
    }
    const CliArgs& args = result.m_args;
    // --help and --version need no command or path.
    if (args.m_bHelp || args.m_bVersion)
        return 0;
    Check(!args.m_paths.empty());
    for (const std::string& path : args.m_paths)
        Check(Contains(words, path));
    const auto& commands = CliCommands();
    auto syntax = std::find_if(commands.begin(), commands.end(),
        [&](const CliCommandSyntax& s) { return args.m_strCommand == s.m_strName; });
    Check(syntax != commands.end());
    Check(std::find(syntax->m_commands.begin(), syntax->m_commands.end(), args.m_pCommand)
        != syntax->m_commands.end());
    Check(static_cast<int>(args.m_arguments.size()) == syntax->m_nArguments);
    if (args.m_pCommand->cliArgument == CliArgument::Genre) {
        Check((args.m_nGenre >= 0 && args.m_nGenre < kGenreCount) || args.m_nGenre == kNoGenre);
        Check(args.m_strGenre == GenreName(args.m_nGenre));
    }
    if (args.m_bCodePageGiven)
        Check(!args.m_strCodePage.empty());
    if (args.m_bYes)
        Check(Contains(words, "--yes") || Contains(words, "-y"));
    if (args.m_bDryRun)
        Check(Contains(words, "--dry-run") || Contains(words, "-n"));
    return 0;
}
