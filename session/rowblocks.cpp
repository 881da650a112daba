#include "session/rowblocks.h"

char* RowBlocks::Allocate(std::size_t size)
{
    // Pieces start on a 4-byte boundary, as the ends in a row's header are read from there.
    size = (size + 3) & ~std::size_t {3};
    if (size > m_nLeft) {
        // A piece too large for a chunk gets one of its own; the current chunk's rest stays.
        if (size > kChunk / 4) {
            m_chunks.push_back(std::make_unique_for_overwrite<char[]>(size));
            return m_chunks.back().get();
        }
        m_chunks.push_back(std::make_unique_for_overwrite<char[]>(kChunk));
        m_pFree = m_chunks.back().get();
        m_nLeft = kChunk;
    }
    char* piece = m_pFree;
    m_pFree += size;
    m_nLeft -= size;
    return piece;
}

void RowBlocks::Clear()
{
    m_chunks = std::vector<std::unique_ptr<char[]>>();
    m_pFree = nullptr;
    m_nLeft = 0;
}
