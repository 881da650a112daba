#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

class RowBlocks;

// The texts of one track list row in one block: the sort key of the File cell and the cells of
// every column but Folder, behind a header with the end of each part. The Folder cell is a
// text shared with the other rows of the folder (see TextPool), so a row costs one allocation
// (or a piece of a RowBlocks chunk) and a folder's path is kept once.
class RowTexts final {
public:
    static constexpr int kColumns = 8;
    static constexpr int kFileColumn = 0;
    static constexpr int kFolderColumn = 6;
    using Cells = std::array<std::string, kColumns>;
    // A row's cells as views of texts kept elsewhere.
    using CellViews = std::array<std::string_view, kColumns>;

    RowTexts() = default;
    // The Folder cell of cells is not kept: folder stands for it and must outlive the row. With
    // blocks, the block is a piece of theirs, which must outlive the row too.
    RowTexts(const CellViews& cells, std::string_view fileKey, const std::string* folder,
        RowBlocks* blocks = nullptr);

    std::string_view Cell(int column) const;
    // Every cell at once.
    void CellsInto(CellViews& cells) const;
    std::string_view FileKey() const { return Part(kKeyPart); }
    // The File cell of the row whose FileKey is key: code that compares rows by views of their
    // keys reaches the cell, stored after the key, without a visit to the row.
    static std::string_view FileCellOfKey(std::string_view key);
    // A cell other than Folder; fileKey is the new File cell's key when column is File.
    void SetCell(int column, std::string_view text, std::string_view fileKey);
    // Several cells other than Folder (column, text) in one new block, from the heap.
    using ColumnText = std::pair<int, std::string_view>;
    void SetCells(std::span<const ColumnText> cells, std::string_view fileKey);
    void SetFolder(const std::string* folder) { m_pFolder = folder; }
    bool IsEmpty() const { return !m_pBlock; }
    // Starts fetching the block into the cache, for a read soon after.
    void Prefetch() const;

private:
    // The key comes first, beside the header, so that comparing two rows' keys mostly reads
    // one cache line of each; then columns 0 to 5 and the Genre column.
    static constexpr int kParts = 8;
    static constexpr int kKeyPart = 0;
    using Parts = std::array<std::string_view, kParts>;

    // Frees a block from the heap; a piece of a RowBlocks chunk stays for them to free.
    struct Release {
        void operator()(char* block) const;
    };

    static int PartOf(int column) { return column < kFolderColumn ? column + 1 : kParts - 1; }
    std::string_view Part(int part) const;
    void Build(const Parts& parts, RowBlocks* blocks = nullptr);

    std::unique_ptr<char[], Release> m_pBlock;
    const std::string* m_pFolder = nullptr;
};
