#include "model/id3v2.h"

#include "platform/file.h"

std::uint64_t Id3v2TagSize(const std::uint8_t* header)
{
    if (header[0] != 'I' || header[1] != 'D' || header[2] != '3')
        return 0;
    if (header[3] == 0xFF || header[4] == 0xFF)
        return 0;
    std::uint64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80)
            return 0;
        size = (size << 7) | header[i];
    }
    const bool footer = header[3] == 4 && (header[5] & 0x10);
    return kId3v2HeaderSize + size + (footer ? kId3v2HeaderSize : 0);
}

std::int64_t Id3v2HeadSize(CFile& file, std::int64_t length)
{
    std::int64_t end = 0;
    while (end + static_cast<std::int64_t>(kId3v2HeaderSize) <= length) {
        std::uint8_t header[kId3v2HeaderSize];
        if (file.ReadAt(header, sizeof header, end) != sizeof header)
            break;
        std::uint64_t size = Id3v2TagSize(header);
        if (size == 0
            || static_cast<std::uint64_t>(end) + size >= static_cast<std::uint64_t>(length))
            break;
        end += static_cast<std::int64_t>(size);
    }
    return end;
}
