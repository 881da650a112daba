#include "model/id3v2.h"

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
