#pragma once

#include <map>
#include <set>
#include <string>

// The name of a song's companion text file: the file name with its extension (from the last
// dot) replaced by ".txt"; a name without a dot gets ".txt" appended.
std::string CompanionTextName(const std::string& fileName);

// Finds the companion text files of songs in their folders without regard to letter case, as
// on a disk that ignores it: the regular file of exactly the companion's name first; otherwise
// the one regular file whose name differs from it in letter case only, unless another MP3 file
// of the folder has that exact companion; none when several differ. One finder serves one batch:
// it lists each folder once, and Renamed keeps its lists current while the batch renames.
class CompanionTextFinder {
public:
    // The companion's full path, empty when the song has none.
    std::string Find(const std::string& songPath);
    // A file of a listed folder now has another name.
    void Renamed(const std::string& from, const std::string& to);

private:
    struct Folder {
        // Text files by their lower-cased names.
        std::multimap<std::string, std::string> m_texts;
        // The MP3 files' names without their extensions: whose companions the texts are.
        std::multiset<std::string> m_songBases;
    };
    Folder& Listing(const std::string& folder);
    static void Add(Folder& listing, const std::string& name);
    static void Remove(Folder& listing, const std::string& name);

    std::map<std::string, Folder> m_folders;
};
