#include "cli/cliui.h"

#include <sys/stat.h>

#include "res/resource.h"

namespace {

// The button sets of a message box that ask a question.
constexpr unsigned kButtonMask = 0x000F;
constexpr unsigned kYesNoCancel = 0x0003;
constexpr unsigned kOkCancel = 0x0001;

} // namespace

CliUi::CliUi(const CliArgs& args, std::FILE* err) : m_args(args), m_pErr(err)
{
}

std::string CliUi::OneLine(const std::string& text)
{
    std::string line;
    for (char c : text) {
        if (c == '\r')
            continue;
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        if (line.empty())
            continue;
        line += line.back() == ':' ? " " : ": ";
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == ':'))
        line.pop_back();
    return line;
}

int CliUi::MessageBox(const std::string& text, const std::string& /*caption*/, unsigned style)
{
    const unsigned buttons = style & kButtonMask;
    const bool question = buttons == MB_YESNO || buttons == kYesNoCancel;
    std::string line = "sonivar-cli: " + OneLine(text);
    if (question)
        line += m_args.m_bYes ? " [yes]" : " [no; --yes answers yes]";
    else
        ++m_nProblems;
    std::fprintf(m_pErr, "%s\n", line.c_str());
    std::fflush(m_pErr);
    if (question)
        return m_args.m_bYes ? IDYES : IDNO;
    if (buttons == kOkCancel)
        return m_args.m_bYes ? IDOK : IDCANCEL;
    return IDOK;
}

int CliUi::InputDialog(const std::string& /*prompt*/, std::string& text)
{
    if (!Takes(CliArgument::Text) || m_args.m_arguments.size() < 2)
        return IDCANCEL;
    text = m_args.m_arguments[1];
    return IDOK;
}

std::optional<UiServices::GenreChoice> CliUi::ChooseGenre()
{
    if (!Takes(CliArgument::Genre))
        return std::nullopt;
    return GenreChoice {m_args.m_nGenre, m_args.m_strGenre};
}

std::optional<std::string> CliUi::SaveFileDialog(const std::string& /*defaultExtension*/,
    const std::string& /*initialName*/, const std::string& /*filter*/)
{
    if (!Takes(CliArgument::File) || m_args.m_arguments.empty())
        return std::nullopt;
    const std::string& path = m_args.m_arguments[0];
    // The save dialog asks before it replaces a file; here --yes is that answer.
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && !m_args.m_bYes) {
        std::fprintf(m_pErr, "sonivar-cli: %s: exists; --yes replaces it\n", path.c_str());
        ++m_nProblems;
        return std::nullopt;
    }
    return path;
}

std::optional<std::vector<std::string>> CliUi::OpenFilesDialog(
    const std::string& /*defaultExtension*/, const std::string& /*filter*/)
{
    return std::nullopt;
}

int CliUi::BrowseForFolder(std::string& result, const std::string& /*title*/,
    const std::string& /*root*/, const std::string& /*initial*/, bool /*showCreateNew*/)
{
    result.clear();
    if (!Takes(CliArgument::Folder) || m_args.m_arguments.empty())
        return 0;
    result = m_args.m_arguments[0];
    return 1;
}

bool CliUi::IsControlKeyDown()
{
    return false;
}
