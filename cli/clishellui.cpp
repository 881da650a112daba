#include "cli/clishellui.h"

#include <unistd.h>

namespace {

// A reason as the end of a clause: without its final full stop.
std::string Clause(std::string reason)
{
    while (!reason.empty() && reason.back() == '.')
        reason.pop_back();
    return reason;
}

} // namespace

CliShellUi::CliShellUi(bool yes, std::FILE* err, const std::atomic<bool>& interrupted)
    : m_bYes(yes), m_pErr(err), m_interrupted(interrupted), m_bTerminal(isatty(fileno(err)) == 1)
{
}

void CliShellUi::BeginProgress(const std::string& title)
{
    m_strTitle = title;
}

void CliShellUi::StepProgress(const std::string& item, int index, int count)
{
    if (!m_bTerminal)
        return;
    std::fprintf(m_pErr, "\r\033[Ksonivar-cli: %s %d/%d %s", m_strTitle.c_str(), index + 1, count,
        item.c_str());
    std::fflush(m_pErr);
    m_bProgressShown = true;
}

bool CliShellUi::IsCancelRequested()
{
    return m_interrupted.load();
}

void CliShellUi::EndProgress()
{
    ClearProgressLine();
    if (m_interrupted.load())
        std::fputs("sonivar-cli: interrupted; the files not yet reached are untouched\n", m_pErr);
}

void CliShellUi::ClearProgressLine()
{
    if (!m_bProgressShown)
        return;
    std::fprintf(m_pErr, "\r\033[K");
    m_bProgressShown = false;
}

ShellUi::Answer CliShellUi::Ask(const std::string& question)
{
    ClearProgressLine();
    if (m_bYes) {
        std::fprintf(m_pErr, "sonivar-cli: %s [yes]\n", question.c_str());
        return Answer::Yes;
    }
    std::fprintf(m_pErr, "sonivar-cli: %s [no; --yes answers yes]\n", question.c_str());
    ++m_nProblems;
    return Answer::No;
}

ShellUi::Answer CliShellUi::ConfirmReplace(const std::string& target, const std::string& source)
{
    return Ask(target + ": exists; replace it with " + source + "?");
}

ShellUi::Answer CliShellUi::ConfirmCreateFolder(const std::string& folder)
{
    return Ask(folder + ": no such folder; create it?");
}

ShellUi::Answer CliShellUi::ConfirmDelete(
    const std::vector<std::string>& items, bool permanently, const std::string& reason)
{
    if (permanently) {
        // A script's --yes asked for the trash: a file the trash cannot take stays where it
        // is rather than being deleted for good.
        ClearProgressLine();
        for (const std::string& item : items)
            std::fprintf(m_pErr, "sonivar-cli: %s: %s; not deleted for good, left in place\n",
                item.c_str(), reason.empty() ? "no trash" : Clause(reason).c_str());
        m_nProblems += static_cast<int>(items.size());
        return Answer::No;
    }
    const std::string what = items.size() == 1 ? items[0] : std::to_string(items.size()) + " files";
    return Ask("move to the trash " + what + "?");
}

bool CliShellUi::ShowError(const std::string&, const std::string&, bool canSkip)
{
    // The failure itself was reported with its full path; the batch goes on with the next item.
    return canSkip;
}

void CliShellUi::NoteFailure(const std::string& path, const std::string& reason)
{
    ClearProgressLine();
    std::fprintf(m_pErr, "sonivar-cli: %s: %s\n", path.c_str(), reason.c_str());
    ++m_nProblems;
}

void CliShellUi::Note(const std::string& text)
{
    ClearProgressLine();
    std::fprintf(m_pErr, "sonivar-cli: %s\n", text.c_str());
}
