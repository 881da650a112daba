#pragma once

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/shellui.h"

// The shell operation's user interface in sonivar-cli: a confirmation is answered yes with
// --yes and no otherwise, each on one line of standard error, except that deleting for good
// (a file the trash cannot take) is always answered no; every item the operation could
// not do is reported as "sonivar-cli: PATH: reason"; on a terminal the progress is one line
// that rewrites itself. Ctrl+C (through the interrupt flag) cancels between items.
class CliShellUi final : public ShellUi {
public:
    CliShellUi(bool yes, std::FILE* err, const std::atomic<bool>& interrupted);

    void BeginProgress(const std::string& title) override;
    void StepProgress(const std::string& item, int index, int count) override;
    bool IsCancelRequested() override;
    void EndProgress() override;

    Answer ConfirmReplace(const std::string& target, const std::string& source) override;
    Answer ConfirmCreateFolder(const std::string& folder) override;
    Answer ConfirmDelete(const std::vector<std::string>& items, bool permanently,
        const std::string& reason) override;
    bool ShowError(const std::string& caption, const std::string& text, bool canSkip) override;
    void NoteFailure(const std::string& path, const std::string& reason) override;
    void Note(const std::string& text) override;

    // Items that failed or were declined.
    int ProblemCount() const { return m_nProblems; }

private:
    Answer Ask(const std::string& question);
    void ClearProgressLine();

    bool m_bYes;
    std::FILE* m_pErr;
    const std::atomic<bool>& m_interrupted;
    bool m_bTerminal;
    bool m_bProgressShown = false;
    std::string m_strTitle;
    int m_nProblems = 0;
};
