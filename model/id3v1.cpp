#include "model/id3v1.h"

#include <cstring>
#include <utility>

#include "platform/codepage.h"
#include "platform/strutil.h"

namespace {

constexpr int kTitleOffset = 3;
constexpr int kArtistOffset = kTitleOffset + kTitleWidth;
constexpr int kAlbumOffset = kArtistOffset + kArtistWidth;
constexpr int kYearOffset = kAlbumOffset + kAlbumWidth;
constexpr int kCommentOffset = kYearOffset + kYearWidth;
constexpr int kGenreOffset = kCommentOffset + kCommentWidth;
// The ID3v1.1 track: a NUL at offset 125, the track byte at 126.
constexpr int kTrackMarkOffset = kCommentOffset + kTrackCommentWidth;
constexpr int kTrackOffset = kTrackMarkOffset + 1;

void ReadField(const Id3v1Block& block, int offset, int width, std::string& text)
{
    const char* start = reinterpret_cast<const char*>(block.data()) + offset;
    const void* nul = std::memchr(start, 0, static_cast<std::size_t>(width));
    std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - start)
                             : static_cast<std::size_t>(width);
    TagCodePage::DecodeInto(start, length, text);
    text = TrimRight(std::move(text));
}

void WriteField(Id3v1Block& block, int offset, int width, std::string& text)
{
    char* field = reinterpret_cast<char*>(block.data()) + offset;
    std::memset(field, 0, static_cast<std::size_t>(width));
    text.resize(TagCodePage::EncodeTo(text, static_cast<std::size_t>(width), field));
}

} // namespace

bool IsId3v1Block(const Id3v1Block& block)
{
    return block[0] == 'T' && block[1] == 'A' && block[2] == 'G';
}

Id3v1Fields ParseId3v1(const Id3v1Block& block)
{
    Id3v1Fields fields;
    ParseId3v1(block, fields);
    return fields;
}

void ParseId3v1(const Id3v1Block& block, Id3v1Fields& fields)
{
    ReadField(block, kTitleOffset, kTitleWidth, fields.title);
    ReadField(block, kArtistOffset, kArtistWidth, fields.artist);
    ReadField(block, kAlbumOffset, kAlbumWidth, fields.album);
    ReadField(block, kYearOffset, kYearWidth, fields.year);
    fields.track
        = block[kTrackMarkOffset] == 0 && block[kTrackOffset] != 0 ? block[kTrackOffset] : 0;
    ReadField(
        block, kCommentOffset, fields.track ? kTrackCommentWidth : kCommentWidth, fields.comment);
    fields.genre = block[kGenreOffset];
}

Id3v1Block RenderId3v1(Id3v1Fields& fields)
{
    Id3v1Block block {};
    block[0] = 'T';
    block[1] = 'A';
    block[2] = 'G';
    WriteField(block, kTitleOffset, kTitleWidth, fields.title);
    WriteField(block, kArtistOffset, kArtistWidth, fields.artist);
    WriteField(block, kAlbumOffset, kAlbumWidth, fields.album);
    WriteField(block, kYearOffset, kYearWidth, fields.year);
    WriteField(
        block, kCommentOffset, fields.track ? kTrackCommentWidth : kCommentWidth, fields.comment);
    if (fields.track != 0)
        block[kTrackOffset] = fields.track; // offset 125 stays the NUL after the comment
    block[kGenreOffset] = fields.genre;
    return block;
}
