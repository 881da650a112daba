#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The files of one folder by name, from one listing of it: tells which names stand for the
// same file at the price of a listing per folder instead of a status query per file.
class FolderFiles final {
public:
    // Lists folder now; a folder that cannot be listed gives no names.
    explicit FolderFiles(const std::string& folder);

    // The same number for every name of one file (its device and inode, symbolic links
    // followed; two files may share a number, though rarely); 0 when the file is not found.
    // A name missing from the listing (the file came since) is looked up by itself.
    std::uint64_t IdOf(std::string_view name) const;

private:
    struct Entry {
        std::uint32_t m_nStart;
        std::uint32_t m_nSize;
        std::uint64_t m_nId;
    };

    std::string_view NameOf(const Entry& entry) const;

    std::string m_strFolder;
    // The entries' names one after the other; the entries sorted by name.
    std::string m_names;
    std::vector<Entry> m_entries;
};
