#include "session/failedrows.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/path.h"
#include "platform/strutil.h"
#include "platform/uiservices.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/session.h"

namespace {

FailedRows* g_pCurrentFailedRows = nullptr;

constexpr unsigned kIconWarning = 0x0030; // MB_ICONWARNING

// How many files the message names; the rest are only counted.
constexpr std::size_t kNamedFailures = 5;

// "fajl", "fajla" or "fajlova", as the count asks.
const char* FilesWord(std::size_t count)
{
    const std::size_t lastTwo = count % 100;
    const std::size_t last = count % 10;
    if (last == 1 && lastTwo != 11)
        return "fajl";
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        return "fajla";
    return "fajlova";
}

} // namespace

FailedRows::FailedRows() : m_pOuter(g_pCurrentFailedRows)
{
    g_pCurrentFailedRows = this;
}

FailedRows::~FailedRows()
{
    g_pCurrentFailedRows = m_pOuter;
}

FailedRows* FailedRows::Current()
{
    return g_pCurrentFailedRows;
}

void FailedRows::Add(const std::string& path, const std::string& reason)
{
    m_failures.push_back({path, reason});
}

void FailedRows::ShowIfAny(Session& session) const
{
    if (m_failures.empty() || HasRowFailureHandler())
        return;
    session.Ui().MessageBox(MessageText(m_failures), "Greska", MB_OK | kIconWarning);
}

std::string FailedRows::MessageText(const std::vector<Failure>& failures)
{
    std::string text
        = Format("Nisam mogao promijenit %zu %s:", failures.size(), FilesWord(failures.size()));
    for (std::size_t i = 0; i < failures.size() && i < kNamedFailures; ++i)
        text += "\n" + failures[i].m_strPath + ": " + failures[i].m_strReason;
    if (failures.size() > kNamedFailures)
        text += Format("\n... i jos %zu.", failures.size() - kNamedFailures);
    return text;
}

std::string ExplainFailure(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    if (ExtensionOf(path) != "mp3")
        return "not an MP3 file (the name does not end in .mp3)";
    if (::access(path.c_str(), W_OK) != 0)
        return std::strerror(errno);
    std::string folder = FolderOf(path);
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK) != 0)
        return std::string("its folder: ") + std::strerror(errno);
    return "the file could not be changed";
}
