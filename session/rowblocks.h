#pragma once

#include <cstddef>
#include <memory>
#include <vector>

// Storage for the texts of the rows a load adds: large chunks handed out piece by piece and
// freed all at once by Clear, so that making and dropping a load's rows costs an allocation per
// chunk instead of one per row. A piece is never given back on its own; a row that drops its
// piece leaves it unused until Clear.
class RowBlocks final {
public:
    // size bytes that stay in place until Clear.
    char* Allocate(std::size_t size);
    void Clear();

private:
    static constexpr std::size_t kChunk = 64 * 1024;

    std::vector<std::unique_ptr<char[]>> m_chunks;
    char* m_pFree = nullptr;
    std::size_t m_nLeft = 0;
};
