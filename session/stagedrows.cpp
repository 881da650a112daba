#include "session/stagedrows.h"

#include <algorithm>
#include <cstring>

namespace {

bool EntryLess(const StagedRows::Entry& a, const StagedRows::Entry& b)
{
    const std::size_t common = std::min(a.m_nKeySize, b.m_nKeySize);
    if (const int c = common == 0 ? 0 : std::memcmp(a.m_pKey, b.m_pKey, common); c != 0)
        return c < 0;
    if (a.m_nKeySize != b.m_nKeySize)
        return a.m_nKeySize < b.m_nKeySize;
    return RowTexts::FileCellOfKey({a.m_pKey, a.m_nKeySize})
        < RowTexts::FileCellOfKey({b.m_pKey, b.m_nKeySize});
}

} // namespace

StagedRows::Entry StagedRows::EntryOf(const RowTexts& texts, std::uint32_t slot)
{
    const std::string_view key = texts.FileKey();
    return {key.data(), static_cast<std::uint32_t>(key.size()), slot};
}

void StagedRows::Add(std::span<const Entry> batch)
{
    if (batch.empty())
        return;
    const std::size_t start = m_entries.size();
    m_entries.insert(m_entries.end(), batch.begin(), batch.end());
    std::stable_sort(m_entries.begin() + start, m_entries.end(), EntryLess);
    m_runStarts.push_back(start);
    // Runs shrink by more than half from the oldest to the newest: at most a logarithm of them
    // stay, and each row takes part in a logarithm of merges.
    while (m_runStarts.size() >= 2) {
        const std::size_t last = m_runStarts.back();
        const std::size_t before = m_runStarts[m_runStarts.size() - 2];
        if (last - before > 2 * (m_entries.size() - last))
            break;
        MergeTopRuns();
    }
}

void StagedRows::MergeTopRuns()
{
    const std::size_t first = m_runStarts[m_runStarts.size() - 2];
    const std::size_t middle = m_runStarts.back();
    m_runStarts.pop_back();
    // The newer run waits in a buffer while the merge fills the space of both from its end. The
    // rows' keys lie scattered in memory: those of the entries a few steps on are fetched ahead.
    constexpr std::size_t kAhead = 8;
    const std::vector<Entry> newer(m_entries.begin() + middle, m_entries.end());
    std::size_t olderEnd = middle;
    std::size_t newerEnd = newer.size();
    std::size_t out = m_entries.size();
    while (newerEnd > 0) {
        if (olderEnd > first + kAhead)
            __builtin_prefetch(m_entries[olderEnd - 1 - kAhead].m_pKey);
        if (newerEnd > kAhead)
            __builtin_prefetch(newer[newerEnd - 1 - kAhead].m_pKey);
        // Of equal rows the newer goes last.
        if (olderEnd > first && EntryLess(newer[newerEnd - 1], m_entries[olderEnd - 1]))
            m_entries[--out] = m_entries[--olderEnd];
        else
            m_entries[--out] = newer[--newerEnd];
    }
}

std::vector<std::uint32_t> StagedRows::Take()
{
    while (m_runStarts.size() >= 2)
        MergeTopRuns();
    std::vector<std::uint32_t> slots;
    slots.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        slots.push_back(entry.m_nSlot);
    Clear();
    return slots;
}

void StagedRows::Clear()
{
    m_entries = std::vector<Entry>();
    m_runStarts.clear();
}
