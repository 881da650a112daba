#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The ID3v2 header at the start of a file: "ID3", version (< 0xFF), revision, flags, four
// synchsafe size bytes (each < 0x80).
inline constexpr std::size_t kId3v2HeaderSize = 10;

// The whole size of the tag that header (10 bytes) starts: 10 + size, plus 10 when the
// footer flag of a version 4 tag is set. 0 when the header is not well-formed.
std::uint64_t Id3v2TagSize(const std::uint8_t* header);

class CFile;

// Bytes taken by the ID3v2 tags at the start of the open file of that length: the first tag
// and every one that follows it directly, each only while it ends inside the file. 0 when the
// file does not start with one.
std::int64_t Id3v2HeadSize(CFile& file, std::int64_t length);

// Cuts those tags off the song open as file (for reading and writing, its lock held) at path:
// the bytes after them go to a new file that takes the old one's place only when complete, or,
// for a file with other hard links, over this one through a journal that survives an
// interruption. 0, also when there was nothing to cut, or an errno.
int RemoveId3v2Head(CFile& file, const std::string& path);
