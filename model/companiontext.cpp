#include "model/companiontext.h"

#include <dirent.h>
#include <sys/stat.h>

#include "platform/path.h"
#include "platform/strutil.h"

namespace {

bool IsRegularFile(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsTextName(const std::string& name)
{
    return name.size() > 4 && MakeLower(name.substr(name.size() - 4)) == ".txt";
}

std::string BaseOf(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

} // namespace

std::string CompanionTextName(const std::string& fileName)
{
    return BaseOf(fileName) + ".txt";
}

std::string CompanionTextFinder::Find(const std::string& songPath)
{
    const std::string folder = FolderOf(songPath);
    const std::string name = CompanionTextName(FileNameOf(songPath));
    if (name == FileNameOf(songPath))
        return {};
    const std::string exact = JoinPath(folder, name);
    if (IsRegularFile(exact))
        return exact;
    if (folder.empty())
        return {};
    Folder& listing = Listing(folder);
    std::string found;
    const auto [first, last] = listing.m_texts.equal_range(MakeLower(name));
    for (auto it = first; it != last; ++it) {
        const std::string& candidate = it->second;
        if (candidate == name || candidate == FileNameOf(songPath)
            || listing.m_songBases.count(BaseOf(candidate))
            || !IsRegularFile(JoinPath(folder, candidate)))
            continue;
        if (!found.empty())
            return {};
        found = JoinPath(folder, candidate);
    }
    return found;
}

void CompanionTextFinder::Renamed(const std::string& from, const std::string& to)
{
    auto it = m_folders.find(FolderOf(from));
    if (it != m_folders.end())
        Remove(it->second, FileNameOf(from));
    it = m_folders.find(FolderOf(to));
    if (it != m_folders.end())
        Add(it->second, FileNameOf(to));
}

CompanionTextFinder::Folder& CompanionTextFinder::Listing(const std::string& folder)
{
    auto it = m_folders.find(folder);
    if (it != m_folders.end())
        return it->second;
    Folder& listing = m_folders[folder];
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                Add(listing, name);
        }
        closedir(dir);
    }
    return listing;
}

void CompanionTextFinder::Add(Folder& listing, const std::string& name)
{
    if (IsTextName(name))
        listing.m_texts.emplace(MakeLower(name), name);
    else if (ExtensionOf(name) == "mp3")
        listing.m_songBases.insert(BaseOf(name));
}

void CompanionTextFinder::Remove(Folder& listing, const std::string& name)
{
    if (IsTextName(name)) {
        const auto [first, last] = listing.m_texts.equal_range(MakeLower(name));
        for (auto it = first; it != last; ++it) {
            if (it->second == name) {
                listing.m_texts.erase(it);
                return;
            }
        }
    } else if (auto it = listing.m_songBases.find(BaseOf(name)); it != listing.m_songBases.end()) {
        listing.m_songBases.erase(it);
    }
}
