#pragma once

#include <array>
#include <cstdint>
#include <string>

// The 128-byte ID3v1 trailer: "TAG", title 30, artist 30, album 30, year 4, comment 30,
// genre 1. An ID3v1.1 trailer holds a track number in the comment's last two bytes (a NUL,
// then the track byte), leaving the comment 28 bytes. Pure functions over the bytes;
// CMp3File does the file access around them.
using Id3v1Block = std::array<std::uint8_t, 128>;

inline constexpr int kTitleWidth = 30;
inline constexpr int kArtistWidth = 30;
inline constexpr int kAlbumWidth = 30;
inline constexpr int kYearWidth = 4;
inline constexpr int kCommentWidth = 30;
inline constexpr int kTrackCommentWidth = 28;

// Texts in UTF-8 as the record holds them.
struct Id3v1Fields {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    std::uint8_t genre = 255;
    // The ID3v1.1 track number; 0 for none (the comment then has all 30 bytes).
    std::uint8_t track = 0;
};

bool IsId3v1Block(const Id3v1Block& block);
// Decodes the fields of a block that begins with "TAG": each text up to its first NUL, in the
// tag code page, trailing white space removed.
Id3v1Fields ParseId3v1(const Id3v1Block& block);
// The same into fields, whose texts keep their storage from one block to the next.
void ParseId3v1(const Id3v1Block& block, Id3v1Fields& fields);
// Encodes the fields, each cut to its width on a character boundary and padded with NULs;
// with a track number, the comment is cut to 28 bytes and the track follows it.
// The texts of fields are replaced by the cut texts actually stored.
Id3v1Block RenderId3v1(Id3v1Fields& fields);
