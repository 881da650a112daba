#include "model/mp3file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "model/id3v1.h"
#include "model/id3v2.h"
#include "platform/file.h"
#include "platform/path.h"

namespace {

constexpr std::int64_t kTrailerSize = 128;
constexpr std::int64_t kMinimumReadableSize = 200;

// The cause of a failed status query or open of a song at path: the system's, or ours for a
// link whose target is not named .mp3; 0 when path may be read and written as a song.
int SongPathError(const std::string& path, struct stat& st)
{
    if (::lstat(path.c_str(), &st) != 0)
        return errno;
    if (S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(path.c_str(), resolved))
            return errno;
        if (ExtensionOf(resolved) != "mp3")
            return kErrorLinkNotSong;
        if (::stat(resolved, &st) != 0)
            return errno;
    }
    return S_ISREG(st.st_mode) ? 0 : kErrorNotRegularFile;
}

// Opens the song at path (name in the folder open as folderFd) with flags. Only a regular
// file is opened, never waiting, and through a symbolic link only when the link's final
// target is named .mp3 itself, so that a link cannot lead a write into another kind of file.
// Returns 0 or the cause.
int OpenSong(
    CFile& file, int folderFd, const std::string& name, const std::string& path, unsigned flags)
{
    int error = 0;
    if (file.OpenAt(folderFd, name, path, flags | CFile::modeNoFollow, &error))
        return 0;
    if (error != ELOOP)
        return error;
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return errno;
    if (ExtensionOf(resolved) != "mp3")
        return kErrorLinkNotSong;
    if (file.OpenAt(AT_FDCWD, resolved, path, flags | CFile::modeNoFollow, &error))
        return 0;
    return error;
}

// OpenSong for reading and writing, holding the file's advisory lock: a second writer (another
// command, another process) waits from its read of the trailer to its write. Returns 0 or the
// cause. beforeLock, when given, learns each file opened before it is locked.
int OpenSongLocked(CFile& file, int folderFd, const std::string& name, const std::string& path,
    unsigned flags, const CMp3File::BeforeLock& beforeLock = {})
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (int error = OpenSong(file, folderFd, name, path, flags))
            return error;
        if (beforeLock)
            beforeLock(file.Device(), file.Inode());
        try {
            // An ID3v2 removal that held the lock may have put a new file in its place.
            if (file.LockNamed(folderFd, name))
                return 0;
        } catch (const CFileException& error) {
            file.Close();
            return error.m_lOsError;
        }
        file.Close();
    }
    return EAGAIN;
}

} // namespace

CMp3File::CMp3File()
    : m_byGenre(static_cast<char>(255)), m_nItem(-1), m_bLongEnough(0), m_bValid(0), m_byTrack(0)
{
}

int CMp3File::Descriptor() const
{
    return m_kept.m_pFile ? m_kept.m_pFile->Handle() : -1;
}

bool CMp3File::KeptIdentity(dev_t& device, ino_t& inode) const
{
    if (!m_kept.m_pFile || !m_kept.m_pFile->IsOpen())
        return false;
    device = m_kept.m_pFile->Device();
    inode = m_kept.m_pFile->Inode();
    return true;
}

bool CMp3File::IsWritable() const
{
    return m_kept.m_pFile && m_kept.m_pFile->IsWritable();
}

bool CMp3File::Load(const std::string& path, LoadMode mode, int folderFd, const std::string& name,
    const BeforeLock& beforeLock)
{
    m_kept.m_pFile.reset();
    m_strPath = path;
    m_strOrigPath = path;
    m_bValid = 0;
    m_bLongEnough = 0;
    m_nLastError = 0;
    m_nLength = -1;
    m_bHasTag = false;
    // A record whose trailer is not read carries empty texts, "no genre" and no track.
    m_strTitle.clear();
    m_strArtist.clear();
    m_strAlbum.clear();
    m_strYear.clear();
    m_strComment.clear();
    m_byGenre = static_cast<char>(255);
    m_byTrack = 0;
    CFile scanned;
    if (mode == kForUpdate)
        m_kept.m_pFile = std::make_shared<CFile>();
    CFile& file = mode == kForUpdate ? *m_kept.m_pFile : scanned;
    if (const int error = OpenToLoad(file, path, mode, folderFd, name, beforeLock))
        return LoadStatus(path, error);
    return LoadOpened(file, path);
}

int CMp3File::OpenToLoad(CFile& file, const std::string& path, LoadMode mode, int folderFd,
    const std::string& name, const BeforeLock& beforeLock)
{
    if (path.empty() || ExtensionOf(path) != "mp3")
        return kErrorNotRegularFile;
    const std::string& nameInFolder = folderFd == AT_FDCWD ? path : name;
    if (mode == kRead)
        return OpenSong(file, folderFd, nameInFolder, path, CFile::modeRead);
    // The trailer is read only to be written back: the write sets the times that matter, and
    // an access time set by the read as well would cost a second inode update.
    if (OpenSongLocked(file, folderFd, nameInFolder, path,
            CFile::modeReadWrite | CFile::modeNoAccessTime, beforeLock)
        == 0)
        return 0;
    // A file that cannot be written is still read; the write then fails as it would anyway.
    return OpenSong(file, folderFd, nameInFolder, path, CFile::modeRead);
}

bool CMp3File::ReadTrailerAt(
    int folderFd, const std::string& folder, const std::string& name, Id3v1Block& block)
{
    CFile file;
    int error = 0;
    if (folderFd == AT_FDCWD) {
        const std::string path = JoinPath(folder, name);
        error = OpenSong(file, AT_FDCWD, path, path, CFile::modeRead);
    } else if (!file.OpenAt(
                   folderFd, name, std::string(), CFile::modeRead | CFile::modeNoFollow, &error)) {
        // A symbolic link is followed only to a song: its path is needed to see where it leads.
        error = error == ELOOP
            ? OpenSong(file, folderFd, name, JoinPath(folder, name), CFile::modeRead)
            : error;
    }
    const std::int64_t length = file.KnownLength();
    if (error != 0 || length <= kMinimumReadableSize)
        return false;
    try {
        return file.ReadAt(block.data(), block.size(), length - kTrailerSize) == block.size()
            && IsId3v1Block(block);
    } catch (const CException&) {
        return false;
    }
}

bool CMp3File::LoadStatus(const std::string& path, int openError)
{
    // The file may still exist: its status says whether it is a song at all (one status
    // query, two for a symbolic link).
    struct stat st;
    if (path.empty() || (m_nLastError = SongPathError(path, st)) != 0 || ExtensionOf(path) != "mp3")
        return false;
    m_strShortPath = path;
    m_bValid = 1;
    m_bLongEnough = st.st_size > kMinimumReadableSize ? 1 : 0;
    if (!m_bLongEnough)
        return false;
    // A song that cannot be opened has no texts to give.
    m_nLastError = openError;
    return true;
}

bool CMp3File::LoadOpened(CFile& file, const std::string& path)
{
    // The open measured the file, and an open for writing measured it again under its lock
    // (another writer may have changed its length before the lock was granted).
    const std::int64_t length = file.KnownLength();
    m_strShortPath = path;
    m_bValid = 1;
    m_bLongEnough = length > kMinimumReadableSize ? 1 : 0;
    try {
        Id3v1Block block;
        if (!ReadEnd(file, length, block) || !m_bLongEnough)
            return false;
        ParseFields(block);
    } catch (const CException&) {
        // A read error leaves the texts empty.
        return m_bLongEnough;
    }
    return true;
}

bool CMp3File::ReadEnd(CFile& file, std::int64_t length, Id3v1Block& block)
{
    if (length >= kTrailerSize
        && file.ReadAt(block.data(), block.size(), length - kTrailerSize) != block.size())
        return false;
    m_nLength = length;
    m_bHasTag = length >= kTrailerSize && IsId3v1Block(block);
    return m_bHasTag;
}

std::shared_ptr<CFile> CMp3File::FileForWriting()
{
    std::shared_ptr<CFile> file = std::move(m_kept.m_pFile);
    if (!m_bValid)
        return nullptr;
    if (file && file->IsWritable())
        return file;
    m_nLength = -1;
    file = std::make_shared<CFile>();
    if ((m_nLastError
            = OpenSongLocked(*file, AT_FDCWD, m_strShortPath, m_strShortPath, CFile::modeReadWrite))
        != 0)
        return nullptr;
    return file;
}

bool CMp3File::WriteTag()
{
    const std::shared_ptr<CFile> file = FileForWriting();
    return file && WriteTrailer(*file);
}

bool CMp3File::WriteTagToSameFile(std::uint64_t device, std::uint64_t inode)
{
    const std::shared_ptr<CFile> file = FileForWriting();
    if (!file)
        return false;
    struct stat st;
    if (::fstat(file->Handle(), &st) != 0 || st.st_dev != device || st.st_ino != inode) {
        m_nLastError = kErrorReplacedFile;
        return false;
    }
    return WriteTrailer(*file);
}

void CMp3File::ParseFields(const Id3v1Block& block)
{
    // The record's strings are lent to the parse, which decodes into the room they have.
    Id3v1Fields fields {std::move(m_strTitle), std::move(m_strArtist), std::move(m_strAlbum),
        std::move(m_strYear), std::move(m_strComment)};
    ParseId3v1(block, fields);
    TakeFields(std::move(fields));
}

void CMp3File::TakeFields(Id3v1Fields&& fields)
{
    m_strTitle = std::move(fields.title);
    m_strArtist = std::move(fields.artist);
    m_strAlbum = std::move(fields.album);
    m_strYear = std::move(fields.year);
    m_strComment = std::move(fields.comment);
    m_byGenre = static_cast<char>(fields.genre);
    m_byTrack = fields.track;
}

bool CMp3File::WriteTrailer(CFile& file)
{
    // The record's strings go through the render (which cuts them) and come back as a read
    // of the trailer gives them, decoded into the room they have.
    Id3v1Fields fields {std::move(m_strTitle), std::move(m_strArtist), std::move(m_strAlbum),
        std::move(m_strYear), std::move(m_strComment), static_cast<std::uint8_t>(m_byGenre),
        m_byTrack};
    const Id3v1Block block = RenderId3v1(fields);
    ParseId3v1(block, fields);
    TakeFields(std::move(fields));

    std::int64_t length = m_nLength;
    try {
        if (length < 0) {
            Id3v1Block old;
            length = file.GetLength();
            ReadEnd(file, length, old);
        }
        if (m_nLength >= 0 && m_bHasTag) {
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
    } catch (const CFileException& error) {
        m_nLastError = error.m_lOsError;
        return false;
    } catch (const CException&) {
        return false;
    }
    return true;
}

bool CMp3File::RemoveId3v2()
{
    // Opening it read-write asks with the rights the process really has; access() answers for
    // the real user id, and a root process without CAP_DAC_OVERRIDE would be told yes and
    // replace a read-only file.
    const std::shared_ptr<CFile> file = FileForWriting();
    return file && (m_nLastError = RemoveId3v2Head(*file, m_strShortPath)) == 0;
}
