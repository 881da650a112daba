#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "session/rowtexts.h"

// Rows on their way into File order, kept as runs sorted by File sort key, then File text bytes,
// rows that compare equal in the order they came. Each batch becomes a run; runs of similar size
// are merged as batches come, so that taking the whole order at the end merges only a few. An
// entry carries a view of its row's key, so comparing two rows reads their texts and nothing else.
class StagedRows final {
public:
    struct Entry {
        const char* m_pKey;
        std::uint32_t m_nKeySize;
        std::uint32_t m_nSlot;
    };
    // The texts must stay in place and unchanged until Take or Clear.
    static Entry EntryOf(const RowTexts& texts, std::uint32_t slot);

    // Adds a batch, in the order it came, after every row added before.
    void Add(std::span<const Entry> batch);
    // The slots of every row added since the last Take, in order; leaves nothing staged.
    std::vector<std::uint32_t> Take();
    void Clear();

private:
    void MergeTopRuns();

    std::vector<Entry> m_entries;
    // Where each run starts in m_entries; each run goes on to the next start or the end.
    std::vector<std::size_t> m_runStarts;
};
