#pragma once

#include <cstdint>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>

#include "model/id3v1.h"

class CFile;

// One MP3 file on disk: its paths, the five ID3v1 texts (UTF-8), the genre code and the
// ID3v1.1 track number, the track list row it stands for, and two flags that gate every file
// access. Copyable by value; the edit journal stores copies.
class CMp3File {
public:
    // How Load opens the file: to read it, or to read it and then write it (WriteTag,
    // RemoveId3v2) through the same open, holding the file's lock from the read to the write.
    enum LoadMode { kRead, kForUpdate };
    // Told which file a load for update opened, its device and inode, before the load locks
    // it: a batch writing on two threads lets a row of a file wait there for an earlier row
    // of the same file.
    using BeforeLock = std::function<void(dev_t, ino_t)>;

    CMp3File();
    virtual ~CMp3File() = default;
    CMp3File(const CMp3File&) = default;
    CMp3File& operator=(const CMp3File&) = default;
    // Moves keep the journal's growth cheap (a declared destructor would otherwise turn them
    // into copies).
    CMp3File(CMp3File&&) = default;
    CMp3File& operator=(CMp3File&&) = default;

    // Opens the file at path once and fills the record from it: the paths; m_bValid when path
    // names a regular file (through a link only to one named .mp3) whose extension is "mp3";
    // m_bLongEnough when it is longer than 200 bytes; then the texts, genre and track from its
    // trailer (empty texts and "no genre" without one). True when a trailer was read.
    // The folder scan, which has the folder open, passes it as folderFd and the file's name in
    // it as name. kForUpdate keeps the file open, for reading and writing where it allows that
    // (never waiting on a named pipe), until the next Load, WriteTag or RemoveId3v2;
    // beforeLock, when given, is called between its open and its lock.
    bool Load(const std::string& path, LoadMode mode = kRead, int folderFd = AT_FDCWD,
        const std::string& name = std::string(), const BeforeLock& beforeLock = {});
    // The folder walk's read of a song whose name ends in ".mp3": the file name in the folder
    // open as folderFd (AT_FDCWD: in the folder at path folder), opened as Load opens it. True,
    // with the trailer in block, when Load would fill a record's texts from it (a trailer, and
    // the file longer than 200 bytes); false when the file gives no texts or cannot be read.
    static bool ReadTrailerAt(
        int folderFd, const std::string& folder, const std::string& name, Id3v1Block& block);
    // True when the file's last 128 bytes began with "TAG" when Load read them.
    bool HasTag() const { return m_bHasTag; }
    // The file Load kept open for update: its descriptor (-1 when none) and whether it is open
    // for writing.
    int Descriptor() const;
    bool IsWritable() const;
    // The device and inode of that file; false when none is kept.
    bool KeptIdentity(dev_t& device, ino_t& inode) const;

    // Cuts the texts to their field widths (the comment to 28 bytes when there is a track
    // number) and writes the whole trailer in one write, replacing an existing one or
    // appending a new one, through the file Load kept for update or else a new open of the
    // file. The record then holds the texts as a read of the file gives them back. False when
    // nothing was written.
    bool WriteTag();
    // WriteTag only when the path still names the file of that device and inode (the file the
    // record was read from); otherwise nothing is written and m_nLastError is
    // kErrorReplacedFile.
    bool WriteTagToSameFile(std::uint64_t device, std::uint64_t inode);
    // Cuts a leading ID3v2 tag (and any that follow it directly) off the file. False when the
    // record is not valid or the file cannot be changed; true otherwise, also when there was
    // nothing to remove. The new file takes the old one's place only when complete, so an
    // interruption leaves the old bytes.
    bool RemoveId3v2();

    char m_byGenre;
    std::string m_strPath;
    std::string m_strOrigPath;
    std::string m_strComment;
    std::string m_strYear;
    std::string m_strAlbum;
    std::string m_strArtist;
    std::string m_strTitle;
    int m_nItem;
    std::uint8_t m_bLongEnough;
    std::uint8_t m_bValid;
    std::string m_strShortPath;
    // The ID3v1.1 track number as read, kept through every write; 0 for none.
    std::uint8_t m_byTrack;
    // Why the last Load, WriteTag or RemoveId3v2 failed: an errno value or one of the
    // platform's own causes (FileErrorText); 0 when it gave none.
    int m_nLastError = 0;

private:
    // The file Load kept open for update. A copy of the record is a snapshot and holds none.
    struct KeptFile {
        KeptFile() = default;
        KeptFile(const KeptFile&) { }
        KeptFile& operator=(const KeptFile&)
        {
            m_pFile.reset();
            return *this;
        }
        KeptFile(KeptFile&&) = default;
        KeptFile& operator=(KeptFile&&) = default;
        std::shared_ptr<CFile> m_pFile;
    };

    // Opens path as Load does; 0 or the cause.
    int OpenToLoad(CFile& file, const std::string& path, LoadMode mode, int folderFd,
        const std::string& name, const BeforeLock& beforeLock);
    // Fills the record from the file open at path; false when no trailer was read.
    bool LoadOpened(CFile& file, const std::string& path);
    // What a Load whose open failed with openError learns from the file's status.
    bool LoadStatus(const std::string& path, int openError);
    // The file to write: the kept file when it is open for writing, else the file opened anew
    // and locked. Null (with m_nLastError) when the record is not valid or the file cannot be
    // opened for writing. The record lets go of its kept file either way.
    std::shared_ptr<CFile> FileForWriting();
    // Reads the last 128 bytes of the open file of that length into block; m_nLength and
    // m_bHasTag then say what the file held. True when they begin with "TAG".
    bool ReadEnd(CFile& file, std::int64_t length, Id3v1Block& block);
    // The texts, genre and track of a parsed trailer.
    void TakeFields(Id3v1Fields&& fields);
    // The texts, genre and track of the trailer block, decoded into the record's own strings.
    void ParseFields(const Id3v1Block& block);
    // Renders the trailer and writes it into the open file, then closes it. The file's length
    // and marker are looked at unless the kept file's read saw them.
    bool WriteTrailer(CFile& file);

    KeptFile m_kept;
    // The file's length and marker as the read of the kept file saw them; -1 when unseen.
    std::int64_t m_nLength = -1;
    bool m_bHasTag = false;
};
