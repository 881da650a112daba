#pragma once

#include <dirent.h>
#include <string>

// Finds the entries of one folder that match a name pattern with the wildcards * and ?, like
// the framework's file finder: FindFile, then FindNextFile until it returns false; the entry
// found is described by the getters after each FindNextFile. "*.*" matches every name.
class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search for path, whose last component may hold wildcards. False when nothing
    // matches (a missing or empty folder, or no such file).
    bool FindFile(const std::string& path);
    // Advances to the next match; returns whether another match follows it.
    bool FindNextFile();
    void Close();

    const std::string& GetFileName() const { return m_strName; }
    std::string GetFilePath() const;
    // A real folder. A symbolic link to a folder is no folder here but IsSymlinkToDirectory;
    // a walk that follows such links must keep itself from going round a loop.
    bool IsDirectory() const { return m_bDirectory; }
    bool IsSymlinkToDirectory() const { return m_bLinkToDirectory; }
    // The descriptor of the folder being read, for opening its entries by name; AT_FDCWD when
    // no folder is open (a plain name was found).
    int FolderDescriptor() const;
    bool IsDots() const { return m_strName == "." || m_strName == ".."; }

private:
    struct Entry {
        std::string name;
        bool directory = false;
        bool linkToDirectory = false;
    };
    bool ReadNextMatch(Entry& entry);

    DIR* m_dir = nullptr;
    std::string m_strFolder;
    std::string m_strPattern;
    bool m_bMatchAll = false;
    std::string m_strName;
    bool m_bDirectory = false;
    bool m_bLinkToDirectory = false;
    bool m_bHaveNext = false;
    Entry m_next;
};
