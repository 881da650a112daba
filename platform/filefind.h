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

    std::string GetFileName() const { return m_strName; }
    std::string GetFilePath() const;
    bool IsDirectory() const { return m_bDirectory; }
    bool IsDots() const { return m_strName == "." || m_strName == ".."; }

private:
    bool ReadNextMatch(std::string& name, bool& directory);

    DIR* m_dir = nullptr;
    std::string m_strFolder;
    std::string m_strPattern;
    std::string m_strName;
    bool m_bDirectory = false;
    bool m_bHaveNext = false;
    std::string m_strNextName;
    bool m_bNextDirectory = false;
    bool m_bSingle = false; // the pattern had no wildcard: one stat, no folder read
};
