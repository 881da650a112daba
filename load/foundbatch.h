#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "load/foundfile.h"

// Files a walk found, on their way from the walking thread to the list's: the names in one
// text, each folder's text once per run of its files, the trailers as their bytes. Clear keeps
// the storage, so that a batch passed back and forth allocates nothing once it has grown.
class FoundBatch final {
public:
    void Add(const FoundFile& file);
    std::size_t Size() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }
    // The file added i-th; its views hold until the batch changes.
    FoundFile At(std::size_t i) const;
    void Clear();

private:
    struct Entry {
        std::uint32_t m_nNameStart;
        std::uint32_t m_nNameSize;
        std::uint32_t m_nFolder;
        // Index into m_trailers; kNoTrailer when the file gave no texts.
        std::uint32_t m_nTrailer;
    };
    static constexpr std::uint32_t kNoTrailer = UINT32_MAX;

    std::vector<Entry> m_entries;
    std::string m_names;
    std::vector<FolderText> m_folders;
    std::vector<Id3v1Block> m_trailers;
};
