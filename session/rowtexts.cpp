#include "session/rowtexts.h"

#include <cstring>

#include "session/rowblocks.h"

// Block layout: kParts ends (std::uint32_t, offsets after the header), then the parts' bytes.
// The top bit of the last end tells a piece of a RowBlocks chunk from a block of the heap.
namespace {

constexpr std::size_t kHeader = 8 * sizeof(std::uint32_t);
constexpr std::uint32_t kPiece = 0x80000000u;

std::uint32_t HeaderWord(const char* block, int part)
{
    std::uint32_t word;
    std::memcpy(&word, block + part * sizeof word, sizeof word);
    return word;
}

std::uint32_t EndAt(const char* block, int part)
{
    return HeaderWord(block, part) & ~kPiece;
}

} // namespace

void RowTexts::Release::operator()(char* block) const
{
    if (!(HeaderWord(block, kParts - 1) & kPiece))
        delete[] block;
}

RowTexts::RowTexts(
    const CellViews& cells, std::string_view fileKey, const std::string* folder, RowBlocks* blocks)
    : m_pFolder(folder)
{
    Parts parts;
    for (int column = 0; column < kColumns; ++column) {
        if (column != kFolderColumn)
            parts[PartOf(column)] = cells[column];
    }
    parts[kKeyPart] = fileKey;
    Build(parts, blocks);
}

std::string_view RowTexts::Part(int part) const
{
    if (!m_pBlock)
        return {};
    const std::uint32_t start = part == 0 ? 0 : EndAt(m_pBlock.get(), part - 1);
    return std::string_view(m_pBlock.get() + kHeader + start, EndAt(m_pBlock.get(), part) - start);
}

void RowTexts::Prefetch() const
{
    // The header, the key and the first cells; a row's texts rarely reach past the second line.
    if (!m_pBlock)
        return;
    __builtin_prefetch(m_pBlock.get());
    __builtin_prefetch(m_pBlock.get() + 64);
}

std::string_view RowTexts::FileCellOfKey(std::string_view key)
{
    const char* block = key.data() - kHeader;
    const std::uint32_t start = EndAt(block, kKeyPart);
    return std::string_view(block + kHeader + start, EndAt(block, PartOf(kFileColumn)) - start);
}

std::string_view RowTexts::Cell(int column) const
{
    if (column == kFolderColumn)
        return m_pFolder ? std::string_view(*m_pFolder) : std::string_view();
    return Part(PartOf(column));
}

void RowTexts::CellsInto(CellViews& cells) const
{
    cells[kFolderColumn] = m_pFolder ? std::string_view(*m_pFolder) : std::string_view();
    if (!m_pBlock) {
        for (int column = 0; column < kColumns; ++column) {
            if (column != kFolderColumn)
                cells[column] = {};
        }
        return;
    }
    std::array<std::uint32_t, kParts> ends;
    std::memcpy(ends.data(), m_pBlock.get(), sizeof ends);
    ends[kParts - 1] &= ~kPiece;
    const char* texts = m_pBlock.get() + kHeader;
    for (int column = 0; column < kColumns; ++column) {
        if (column == kFolderColumn)
            continue;
        const int part = PartOf(column);
        cells[column] = std::string_view(texts + ends[part - 1], ends[part] - ends[part - 1]);
    }
}

void RowTexts::SetCell(int column, std::string_view text, std::string_view fileKey)
{
    const ColumnText cell(column, text);
    SetCells({&cell, 1}, fileKey);
}

void RowTexts::SetCells(std::span<const ColumnText> cells, std::string_view fileKey)
{
    Parts parts;
    for (int part = 0; part < kParts; ++part)
        parts[part] = Part(part);
    for (const auto& [column, text] : cells) {
        parts[PartOf(column)] = text;
        if (column == kFileColumn)
            parts[kKeyPart] = fileKey;
    }
    Build(parts);
}

void RowTexts::Build(const Parts& parts, RowBlocks* blocks)
{
    std::size_t total = 0;
    for (std::string_view part : parts)
        total += part.size();
    // The new block is filled before the old one goes: a part may be a view into the old.
    std::unique_ptr<char[], Release> block(
        blocks ? blocks->Allocate(kHeader + total) : new char[kHeader + total]);
    std::uint32_t end = 0;
    for (int part = 0; part < kParts; ++part) {
        if (!parts[part].empty())
            std::memcpy(block.get() + kHeader + end, parts[part].data(), parts[part].size());
        end += static_cast<std::uint32_t>(parts[part].size());
        const std::uint32_t word = part == kParts - 1 && blocks ? end | kPiece : end;
        std::memcpy(block.get() + part * sizeof word, &word, sizeof word);
    }
    m_pBlock = std::move(block);
}
