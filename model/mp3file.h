#pragma once

#include <cstdint>
#include <string>

class CFile;
struct TrailerFile;

// One MP3 file on disk: its paths, the five ID3v1 texts (UTF-8), the genre code and the
// ID3v1.1 track number, the track list row it stands for, and two flags that gate every file
// access. Copyable by value; the edit journal stores copies.
class CMp3File {
public:
    CMp3File();
    virtual ~CMp3File() = default;
    CMp3File(const CMp3File&) = default;
    CMp3File& operator=(const CMp3File&) = default;
    // Moves keep the journal's growth cheap (a declared destructor would otherwise turn them
    // into copies).
    CMp3File(CMp3File&&) = default;
    CMp3File& operator=(CMp3File&&) = default;

    // Fills the paths and flags from a full path; true when the file exists and its
    // extension is "mp3". The texts, genre and item keep their values.
    bool SetPath(std::string path);

    // True when the record is valid and the file's last 128 bytes begin with "TAG".
    bool HasTag();
    // Empties the five texts, then fills them, the genre and the track from the trailer when
    // the record is valid, longer than 200 bytes and has a tag.
    bool ReadTag();
    // SetPath followed by ReadTag, with the same results, asking the disk once: the file is
    // opened once (as name in the folder open as folderFd) and its status taken from the open
    // file. For the folder scan, which has the folder open; folderFd AT_FDCWD opens path.
    bool Load(const std::string& path, int folderFd, const std::string& name);
    // SetPath followed by ReadTag, with the same results, leaving the file open in disk (for
    // reading and writing where the file allows it, never waiting on a named pipe), so that
    // WriteTag(disk) needs no second open. For the tag commands, which read a trailer and then
    // write it back.
    bool LoadForUpdate(const std::string& path, TrailerFile& disk);
    // Cuts the texts to their field widths (the comment to 28 bytes when there is a track
    // number) and writes the whole trailer in one write,
    // replacing an existing one or appending a new one. False when nothing was written.
    bool WriteTag();
    // WriteTag only when the path still names the file of that device and inode (the file the
    // record was read from); otherwise nothing is written and m_nLastError is
    // kErrorReplacedFile.
    bool WriteTagToSameFile(std::uint64_t device, std::uint64_t inode);
    // WriteTag through the file LoadForUpdate left open, which it closes; when that file is
    // not open for writing, exactly as WriteTag().
    bool WriteTag(TrailerFile& disk);
    // Cuts a leading ID3v2 tag (and any that follow it directly) off the file. False when the
    // record is not valid or the file cannot be changed (also when it has other hard links);
    // true otherwise, also when there was nothing to remove. The new file takes the old one's
    // place only when complete, so an interruption leaves the old bytes.
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
    // Why the last SetPath, WriteTag or RemoveId3v2 failed: an errno value or one of the
    // platform's own causes (FileErrorText); 0 when it gave none.
    int m_nLastError = 0;

private:
    void ClearTexts();
    // Load over file, opened as name in folderFd with flags; SetPath and ReadTag when it
    // cannot be opened.
    bool LoadFrom(CFile& file, const std::string& path, int folderFd, const std::string& name,
        unsigned flags);
    // Fills paths, flags, texts and genre from a file open at path; what the read saw goes to
    // seen when given.
    bool LoadOpened(CFile& file, const std::string& path, TrailerFile* seen = nullptr);
    // Renders the trailer and writes it into the open file, then closes it. The file's length
    // and marker are looked at unless seen holds them.
    bool WriteTrailer(CFile& file, const TrailerFile* seen = nullptr);
    // Fills the texts and genre from the trailer of the open file of that length; false when
    // it has none. What the read saw goes to seen when given.
    bool ReadTrailer(CFile& file, std::int64_t length, TrailerFile* seen = nullptr);
};
