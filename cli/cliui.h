#pragma once

#include <cstdio>
#include <string>

#include "cli/cliargs.h"
#include "platform/uiservices.h"

// The user interface services of sonivar-cli: no windows. A message box prints its text as one
// line on standard error; a question is answered yes with --yes and no otherwise; the input
// dialog answers with the command's TEXT, the genre dialog with the parsed genre, the save
// dialog with the FILE argument and the folder picker with the FOLDER or ROOT argument.
class CliUi final : public UiServices {
public:
    CliUi(const CliArgs& args, std::FILE* err);

    int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
    int InputDialog(const std::string& prompt, std::string& text) override;
    std::optional<GenreChoice> ChooseGenre() override;
    std::optional<std::string> SaveFileDialog(const std::string& defaultExtension,
        const std::string& initialName, const std::string& filter) override;
    std::optional<std::vector<std::string>> OpenFilesDialog(
        const std::string& defaultExtension, const std::string& filter) override;
    int BrowseForFolder(std::string& result, const std::string& title, const std::string& root,
        const std::string& initial, bool showCreateNew) override;
    bool IsControlKeyDown() override;

    // Message boxes that told of a problem (every box but a question).
    int ProblemCount() const { return m_nProblems; }

    // A message box's text as one line: its line breaks become ": " (or " " after a colon).
    static std::string OneLine(const std::string& text);

private:
    // True when the command's argument answers questions of that kind.
    bool Takes(CliArgument kind) const
    {
        return m_args.m_pCommand && m_args.m_pCommand->cliArgument == kind;
    }

    const CliArgs& m_args;
    std::FILE* m_pErr;
    int m_nProblems = 0;
};
