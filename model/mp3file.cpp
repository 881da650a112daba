#include "model/mp3file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "model/id3v1.h"
#include "model/id3v2.h"
#include "model/paths.h"
#include "model/trailerfile.h"
#include "platform/file.h"

namespace {

constexpr std::int64_t kTrailerSize = 128;
constexpr std::int64_t kMinimumReadableSize = 200;
constexpr std::size_t kCopyChunk = 1 << 20;

// Where the audio begins after the ID3v2 tags at the start of the file; 0 when the file does
// not begin with a well-formed tag or the tag's end does not lie inside the file.
void CopyRange(CFile& from, std::int64_t offset, std::int64_t length, CFile& to)
{
    std::vector<char> buffer(kCopyChunk);
    std::int64_t done = 0;
    while (done < length) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), length - done));
        std::size_t got = from.ReadAt(buffer.data(), want, offset + done);
        if (got == 0)
            throw CFileException(EIO, from.GetFilePath());
        to.Write(buffer.data(), got);
        done += static_cast<std::int64_t>(got);
    }
}

void FlushFolder(const std::string& folder)
{
    int fd = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Rewrites the file without its first cut bytes through a temporary file in the same folder,
// renamed over the original once complete; the original stays untouched on any failure.
bool RewriteWithoutHead(const std::string& path, CFile& original, std::int64_t cut,
    std::int64_t length, const struct stat& st)
{
    std::string folder = FolderOf(path);
    std::string pattern = JoinPath(folder, "." + FileNameOf(path) + ".sonivar-XXXXXX");
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    const std::string temp = pattern;
    try {
        CFile out;
        int error = 0;
        if (!out.Open(temp, CFile::modeWrite, &error))
            throw CFileException(error, temp);
        CopyRange(original, cut, length - cut, out);
        if (::fchmod(out.Handle(), st.st_mode & 07777) != 0)
            throw CFileException(errno, temp);
        if (::fchown(out.Handle(), st.st_uid, st.st_gid) != 0) {
            // Only root may give the file away; keeping our ownership is acceptable.
        }
        out.Flush();
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out.Handle(), times);
        out.Close();
        if (::rename(temp.c_str(), path.c_str()) != 0)
            throw CFileException(errno, path);
    } catch (const CException&) {
        ::unlink(temp.c_str());
        return false;
    }
    FlushFolder(folder);
    return true;
}

// Moves the bytes after cut to the start of the file in chunks, then cuts the file. Used for a
// file with several hard links, which a rename over it would split. Moving data towards the
// start only writes into space the file already has, so a full disk cannot stop it half-way.
bool ShiftInPlace(const std::string& path, std::int64_t cut, std::int64_t length)
{
    CFile file;
    if (!file.Open(path, CFile::modeReadWrite))
        return false;
    try {
        std::vector<char> buffer(kCopyChunk);
        std::int64_t from = cut;
        std::int64_t to = 0;
        while (from < length) {
            std::size_t want = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), length - from));
            std::size_t got = file.ReadAt(buffer.data(), want, from);
            if (got == 0)
                throw CFileException(EIO, path);
            file.Seek(to, CFile::begin);
            file.Write(buffer.data(), got);
            from += static_cast<std::int64_t>(got);
            to += static_cast<std::int64_t>(got);
        }
        file.SetLength(length - cut);
        file.Flush();
        file.Close();
    } catch (const CException&) {
        return false;
    }
    return true;
}

} // namespace

CMp3File::CMp3File()
    : m_byGenre(static_cast<char>(255))
    , m_nItem(-1)
    , m_bLongEnough(0)
    , m_bValid(0)
    , m_byTrack(0)
{
}

bool CMp3File::SetPath(std::string path)
{
    m_bLongEnough = 0;
    m_strPath = path;
    m_strOrigPath = path;
    // ShortPathOf, FileExists and the status query all ask the same question of the same
    // path here; one stat answers them.
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        m_bValid = 0;
        return false;
    }
    if (ExtensionOf(path) != "mp3") {
        m_bValid = 0;
        return false;
    }
    m_strShortPath = path;
    m_bValid = 1;
    if (st.st_size > kMinimumReadableSize)
        m_bLongEnough = 1;
    return true;
}

bool CMp3File::HasTag()
{
    if (!m_bValid)
        return false;
    CFile file;
    if (!file.Open(m_strShortPath, CFile::modeRead))
        return false;
    try {
        std::int64_t length = file.GetLength();
        if (length < kTrailerSize)
            return false;
        char marker[3];
        if (file.ReadAt(marker, sizeof marker, length - kTrailerSize) != sizeof marker)
            return false;
        return marker[0] == 'T' && marker[1] == 'A' && marker[2] == 'G';
    } catch (const CException&) {
        return false;
    }
}

void CMp3File::ClearTexts()
{
    m_strTitle.clear();
    m_strArtist.clear();
    m_strAlbum.clear();
    m_strYear.clear();
    m_strComment.clear();
    // A record whose trailer is not read carries "no genre" and no track.
    m_byGenre = static_cast<char>(255);
    m_byTrack = 0;
}

bool CMp3File::ReadTrailer(CFile& file, std::int64_t length, TrailerFile* seen)
{
    try {
        Id3v1Block block;
        if (length < kTrailerSize
            || file.ReadAt(block.data(), block.size(), length - kTrailerSize) != block.size())
            return false;
        if (seen) {
            seen->m_nLength = length;
            seen->m_bHasTag = IsId3v1Block(block);
        }
        if (!IsId3v1Block(block))
            return false;
        Id3v1Fields fields = ParseId3v1(block);
        m_strTitle = std::move(fields.title);
        m_strArtist = std::move(fields.artist);
        m_strAlbum = std::move(fields.album);
        m_strYear = std::move(fields.year);
        m_strComment = std::move(fields.comment);
        m_byGenre = static_cast<char>(fields.genre);
        m_byTrack = fields.track;
    } catch (const CException&) {
        // A read error leaves the texts empty.
    }
    return true;
}

bool CMp3File::ReadTag()
{
    ClearTexts();
    if (!m_bLongEnough || !m_bValid)
        return false;
    // One open serves the marker test and the read of the trailer.
    CFile file;
    if (!file.Open(m_strShortPath, CFile::modeRead | CFile::shareExclusive))
        return true;
    std::int64_t length = 0;
    try {
        length = file.GetLength();
    } catch (const CException&) {
        // A read error leaves the texts empty.
        return true;
    }
    return ReadTrailer(file, length);
}

bool CMp3File::Load(const std::string& path, int folderFd, const std::string& name)
{
    CFile file;
    // Without waiting: SetPath would not have opened a named pipe, so nothing may hang on one.
    return LoadFrom(file, path, folderFd, folderFd == AT_FDCWD ? path : name,
        CFile::modeRead | CFile::shareExclusive | CFile::modeNoBlock);
}

bool CMp3File::LoadForUpdate(const std::string& path, TrailerFile& disk)
{
    disk.m_nLength = -1;
    if (!path.empty() && ExtensionOf(path) == "mp3"
        && disk.m_file.Open(path, CFile::modeReadWrite | CFile::modeNoBlock))
        return LoadOpened(disk.m_file, path, &disk);
    // A file that cannot be written is still read; WriteTag(disk) then fails as WriteTag().
    return LoadFrom(disk.m_file, path, AT_FDCWD, path,
        CFile::modeRead | CFile::shareExclusive | CFile::modeNoBlock);
}

bool CMp3File::LoadFrom(
    CFile& file, const std::string& path, int folderFd, const std::string& name, unsigned flags)
{
    if (path.empty() || ExtensionOf(path) != "mp3" || !file.OpenAt(folderFd, name, path, flags)) {
        // A file that cannot be opened may still exist: the two steps say what it is.
        SetPath(path);
        return ReadTag();
    }
    return LoadOpened(file, path);
}

bool CMp3File::LoadOpened(CFile& file, const std::string& path, TrailerFile* seen)
{
    std::int64_t length = 0;
    try {
        length = file.GetLength();
    } catch (const CException&) {
        file.Close();
        SetPath(path);
        return ReadTag();
    }
    m_strPath = path;
    m_strOrigPath = path;
    m_strShortPath = path;
    m_bValid = 1;
    m_bLongEnough = length > kMinimumReadableSize ? 1 : 0;
    ClearTexts();
    if (!m_bLongEnough)
        return false;
    return ReadTrailer(file, length, seen);
}

bool CMp3File::WriteTag()
{
    if (!m_bValid)
        return false;
    CFile file;
    if (!file.Open(m_strShortPath, CFile::modeReadWrite))
        return false;
    return WriteTrailer(file);
}

bool CMp3File::WriteTag(TrailerFile& disk)
{
    if (!disk.m_file.IsWritable()) {
        disk.m_file.Close();
        return WriteTag();
    }
    if (!m_bValid) {
        disk.m_file.Close();
        return false;
    }
    const bool written = WriteTrailer(disk.m_file, &disk);
    try {
        // A failed write leaves the file open; it is closed here all the same.
        disk.m_file.Close();
    } catch (const CException&) {
    }
    return written;
}

bool CMp3File::WriteTrailer(CFile& file, const TrailerFile* seen)
{
    Id3v1Fields fields {m_strTitle, m_strArtist, m_strAlbum, m_strYear, m_strComment,
        static_cast<std::uint8_t>(m_byGenre), m_byTrack};
    Id3v1Block block = RenderId3v1(fields);
    m_strTitle = fields.title;
    m_strArtist = fields.artist;
    m_strAlbum = fields.album;
    m_strYear = fields.year;
    m_strComment = fields.comment;

    std::int64_t length = 0;
    try {
        bool hasTag = false;
        if (seen && seen->m_nLength >= 0) {
            length = seen->m_nLength;
            hasTag = seen->m_bHasTag;
        } else if ((length = file.GetLength()) >= kTrailerSize) {
            char marker[3];
            hasTag = file.ReadAt(marker, sizeof marker, length - kTrailerSize) == sizeof marker
                && marker[0] == 'T' && marker[1] == 'A' && marker[2] == 'G';
        }
        if (hasTag) {
            // The marker stays; the 125 bytes after it are replaced in one write.
            file.WriteAt(block.data() + 3, block.size() - 3, length - kTrailerSize + 3);
        } else {
            try {
                file.WriteAt(block.data(), block.size(), length);
            } catch (const CException&) {
                // A trailer cut short (disk full) must not stay: back to the old length.
                file.SetLength(length);
                throw;
            }
        }
        file.Close();
    } catch (const CException&) {
        return false;
    }
    return true;
}

bool CMp3File::RemoveId3v2()
{
    if (!m_bValid)
        return false;
    // Work on the file a symbolic link points at, so the link stays a link.
    char resolved[PATH_MAX];
    if (!::realpath(m_strShortPath.c_str(), resolved))
        return false;
    const std::string path = resolved;

    CFile file;
    if (!file.Open(path, CFile::modeRead))
        return false;
    struct stat st;
    if (::fstat(file.Handle(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    // The file must be writable for the change. Opening it read-write asks with the rights
    // the process really has; access() answers for the real user id, and a root process
    // without CAP_DAC_OVERRIDE would be told yes and replace a read-only file.
    {
        CFile probe;
        if (!probe.Open(path, CFile::modeReadWrite))
            return false;
    }
    try {
        const std::int64_t length = st.st_size;
        const std::int64_t cut = Id3v2HeadSize(file, length);
        if (cut == 0)
            return true;
        if (st.st_nlink > 1) {
            file.Close();
            return ShiftInPlace(path, cut, length);
        }
        return RewriteWithoutHead(path, file, cut, length, st);
    } catch (const CException&) {
        return false;
    }
}
