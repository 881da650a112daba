#pragma once

#include <cstdint>
#include <string>

// One MP3 file on disk: its paths, the five ID3v1 texts (UTF-8) and the genre code, the track
// list row it stands for, and two flags that gate every file access. Copyable by value; the
// edit journal stores copies.
class CMp3File {
public:
    CMp3File();
    virtual ~CMp3File() = default;
    CMp3File(const CMp3File&) = default;
    CMp3File& operator=(const CMp3File&) = default;

    // Fills the paths and flags from a full path; true when the file exists and its
    // extension is "mp3". The texts, genre and item keep their values.
    bool SetPath(std::string path);

    // True when the record is valid and the file's last 128 bytes begin with "TAG".
    bool HasTag();
    // Empties the five texts, then fills them and the genre from the trailer when the record
    // is valid, longer than 200 bytes and has a tag.
    bool ReadTag();
    // Cuts the texts to their field widths and writes the whole trailer in one write,
    // replacing an existing one or appending a new one. False when nothing was written.
    bool WriteTag();
    // Cuts a leading ID3v2 tag (and any that follow it directly) off the file. False when the
    // record is not valid or the file cannot be changed; true otherwise, also when there was
    // nothing to remove.
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
};
