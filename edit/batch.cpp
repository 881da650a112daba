#include "edit/batch.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "app/session.h"
#include "edit/failedrows.h"
#include "model/genres.h"
#include "model/id3v1.h"
#include "model/mp3file.h"
#include "model/paths.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/uiservices.h"
#include "res/resource.h"

namespace {

std::atomic<bool> g_bBatchPause {true};
RowFailureHandler g_rowFailureHandler;

} // namespace

bool CheckSelection(Session& session, const std::string& text, const std::string& caption)
{
    if (session.List().GetNextSelected(-1) >= 0)
        return true;
    session.Ui().MessageBox(text, caption, MB_ICONINFORMATION);
    return false;
}

void StartJournal(Session& session, int commandId)
{
    session.m_journal.Clear();
    session.m_journal.Reserve(session.List().GetSelectedCount());
    session.m_nJournalCommand = commandId;
}

std::string RowPath(const TrackList& list, int row)
{
    return JoinPath(
        list.GetItemText(row, TrackList::ColFolder), list.GetItemText(row, TrackList::ColFile));
}

void SetBatchPause(bool on)
{
    g_bBatchPause = on;
}

bool BatchPause()
{
    return g_bBatchPause;
}

void PauseAfterRow()
{
    if (g_bBatchPause)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void SetRowFailureHandler(RowFailureHandler handler)
{
    g_rowFailureHandler = std::move(handler);
}

bool HasRowFailureHandler()
{
    return static_cast<bool>(g_rowFailureHandler);
}

void ReportRowFailure(const std::string& path, const std::string& reason)
{
    const std::string why = reason.empty() ? ExplainFailure(path) : reason;
    if (FailedRows* failed = FailedRows::Current())
        failed->Add(path, why);
    if (g_rowFailureHandler)
        g_rowFailureHandler(path, why);
}

void ReportRowFailure(const std::string& path, const CException& error)
{
    if (const auto* fileError = dynamic_cast<const CFileException*>(&error))
        ReportRowFailure(fileError->m_strFileName.empty() ? path : fileError->m_strFileName,
            FileErrorText(static_cast<int>(fileError->m_lOsError)));
    else
        ReportRowFailure(path, error.What());
}

void ToStoredTexts(CMp3File& file)
{
    Id3v1Fields fields {file.m_strTitle, file.m_strArtist, file.m_strAlbum, file.m_strYear,
        file.m_strComment, static_cast<std::uint8_t>(file.m_byGenre), file.m_byTrack};
    Id3v1Fields stored = ParseId3v1(RenderId3v1(fields));
    file.m_strTitle = std::move(stored.title);
    file.m_strArtist = std::move(stored.artist);
    file.m_strAlbum = std::move(stored.album);
    file.m_strYear = std::move(stored.year);
    file.m_strComment = std::move(stored.comment);
}

std::vector<std::string> TagChangeLines(
    const std::string& path, const CMp3File& before, const CMp3File& after, bool hadTag)
{
    std::vector<std::string> lines;
    if (!hadTag)
        lines.push_back(path + ": tag: none -> ID3v1");
    const std::pair<const char*, std::string CMp3File::*> fields[] = {
        {"artist", &CMp3File::m_strArtist},
        {"name", &CMp3File::m_strTitle},
        {"album", &CMp3File::m_strAlbum},
        {"year", &CMp3File::m_strYear},
        {"comment", &CMp3File::m_strComment},
    };
    for (const auto& [name, member] : fields) {
        if (before.*member != after.*member)
            lines.push_back(path + ": " + name + ": " + Quoted(before.*member) + " -> "
                + Quoted(after.*member));
    }
    if (before.m_byGenre != after.m_byGenre)
        lines.push_back(path
            + ": genre: " + Quoted(GenreName(static_cast<signed char>(before.m_byGenre))) + " -> "
            + Quoted(GenreName(static_cast<signed char>(after.m_byGenre))));
    return lines;
}

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

void RenameFile(Session& session, const std::string& from, const std::string& to)
{
    if (!session.IsDryRun()) {
        CFile::Rename(from, to);
        return;
    }
    const std::string name = FileNameOf(to);
    if (name.empty() || name == "." || name == ".." || FolderOf(to) != FolderOf(from))
        throw CFileException(EINVAL, to);
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0)
        throw CFileException(errno, from);
    if (::lstat(to.c_str(), &st) == 0)
        throw CFileException(EEXIST, from);
    const std::string folder = FolderOf(from);
    if (::access(folder.empty() ? "/" : folder.c_str(), W_OK) != 0)
        throw CFileException(errno, from);
    session.Preview(
        from + ": file name: " + Quoted(FileNameOf(from)) + " -> " + Quoted(FileNameOf(to)));
}
