#include "edit/preview.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "model/genres.h"
#include "model/id3v1.h"
#include "model/mp3file.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/strutil.h"
#include "session/session.h"

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
            lines.push_back(path + ": " + name + ": " + Quoted(before.*member, true) + " -> "
                + Quoted(after.*member, true));
    }
    if (before.m_byGenre != after.m_byGenre)
        lines.push_back(path
            + ": genre: " + Quoted(GenreName(static_cast<signed char>(before.m_byGenre)), true)
            + " -> " + Quoted(GenreName(static_cast<signed char>(after.m_byGenre)), true));
    return lines;
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
    session.Preview(from + ": file name: " + Quoted(FileNameOf(from), true) + " -> "
        + Quoted(FileNameOf(to), true));
}
