#include "cli/listwriter.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/codepage.h"
#include "session/tracklist.h"

namespace {

// The bytes AppendEscaped may have to write otherwise: tab, newline, carriage return, backslash
// and the first byte of the marks of undefined bytes.
constexpr std::array<bool, 256> kMayEscape = [] {
    std::array<bool, 256> table {};
    for (unsigned char c : {'\t', '\n', '\r', '\\', '\xEE'})
        table[c] = true;
    return table;
}();

constexpr std::uint64_t kEveryByte = 0x0101010101010101;
constexpr std::uint64_t kHighBits = 0x8080808080808080;

// Whether one of the eight bytes of word may be one of those: below 0x0E (tab, newline and
// carriage return are), a backslash or 0xEE. Texts are scanned a word at a time, as nearly all
// of their bytes need no escape.
bool WordMayEscape(std::uint64_t word)
{
    const auto hasZero = [](std::uint64_t v) { return ((v - kEveryByte) & ~v & kHighBits) != 0; };
    const bool hasLow = ((word - kEveryByte * 0x0E) & ~word & kHighBits) != 0;
    return hasLow || hasZero(word ^ (kEveryByte * '\\')) || hasZero(word ^ (kEveryByte * 0xEE));
}

// The position of the next byte at or after i that may need escaping; npos when none does.
std::size_t NextMayEscape(std::string_view text, std::size_t i)
{
    while (i < text.size()) {
        if (i + sizeof(std::uint64_t) <= text.size()) {
            std::uint64_t word;
            std::memcpy(&word, text.data() + i, sizeof word);
            if (!WordMayEscape(word)) {
                i += sizeof word;
                continue;
            }
        }
        for (const std::size_t end = std::min(i + sizeof(std::uint64_t), text.size()); i < end;
             ++i) {
            if (kMayEscape[static_cast<unsigned char>(text[i])])
                return i;
        }
    }
    return std::string_view::npos;
}

} // namespace

void AppendEscaped(std::string& out, std::string_view text, bool tagText)
{
    std::size_t plain = 0;
    for (std::size_t i = NextMayEscape(text, 0); i != std::string_view::npos;
         i = NextMayEscape(text, i + 1)) {
        const char c = text[i];
        if (const int raw = tagText && c == '\xEE' ? RawByteAt(text, i) : -1; raw >= 0) {
            // A byte the tag code page does not define: \xHH, the byte in hexadecimal.
            static constexpr char kHex[] = "0123456789ABCDEF";
            out.append(text.substr(plain, i - plain));
            out += {'\\', 'x', kHex[raw >> 4], kHex[raw & 0xF]};
            plain = i + 3;
            i += 2;
            continue;
        }
        const char* escape = c == '\t' ? "\\t"
            : c == '\n'                ? "\\n"
            : c == '\r'                ? "\\r"
            : c == '\\'                ? "\\\\"
                                       : nullptr;
        if (!escape)
            continue;
        out.append(text.substr(plain, i - plain));
        out.append(escape, 2);
        plain = i + 1;
    }
    out.append(text.substr(plain));
}

void AppendRowLine(std::string& out, const TrackList& list, int row)
{
    TrackList::CellViews cells;
    list.ItemTexts(row, cells);
    bool first = true;
    for (int column : TrackList::kDisplayOrder) {
        if (!first)
            out.push_back('\t');
        first = false;
        AppendEscaped(out, cells[column], TrackList::IsTagColumn(column));
    }
    out.push_back('\n');
}

bool WriteList(const TrackList& list, std::FILE* out)
{
    // Lines are gathered into blocks of about 64 KiB, one write each.
    constexpr std::size_t kBlock = 1 << 16;
    std::string block;
    block.reserve(kBlock + 4096);
    // Rows in sorted order lie scattered in memory: each row's texts are fetched some rows ahead.
    constexpr int kAhead = 8;
    const int rows = list.GetItemCount();
    for (int row = 0; row < rows; ++row) {
        list.PrefetchRow(row + kAhead);
        AppendRowLine(block, list, row);
        if (block.size() >= kBlock || row + 1 == rows) {
            if (std::fwrite(block.data(), 1, block.size(), out) != block.size())
                return false;
            block.clear();
        }
    }
    if (std::fflush(out) != 0)
        return false;
    if (std::ferror(out)) {
        errno = EIO;
        return false;
    }
    return true;
}
