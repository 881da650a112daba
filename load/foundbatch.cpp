#include "load/foundbatch.h"

void FoundBatch::Add(const FoundFile& file)
{
    if (m_folders.empty() || m_folders.back() != file.m_folder)
        m_folders.push_back(file.m_folder);
    Entry entry {static_cast<std::uint32_t>(m_names.size()),
        static_cast<std::uint32_t>(file.m_strName.size()),
        static_cast<std::uint32_t>(m_folders.size() - 1), kNoTrailer};
    m_names.append(file.m_strName);
    if (file.m_pTrailer) {
        entry.m_nTrailer = static_cast<std::uint32_t>(m_trailers.size());
        m_trailers.push_back(*file.m_pTrailer);
    }
    m_entries.push_back(entry);
}

FoundFile FoundBatch::At(std::size_t i) const
{
    const Entry& entry = m_entries[i];
    return {std::string_view(m_names).substr(entry.m_nNameStart, entry.m_nNameSize),
        m_folders[entry.m_nFolder],
        entry.m_nTrailer == kNoTrailer ? nullptr : &m_trailers[entry.m_nTrailer]};
}

void FoundBatch::Clear()
{
    m_entries.clear();
    m_names.clear();
    m_folders.clear();
    m_trailers.clear();
}
