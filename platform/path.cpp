#include "platform/path.h"

#include <algorithm>
#include <sys/stat.h>

#include "platform/filefind.h"
#include "platform/strutil.h"

std::string JoinPath(std::string folder, std::string name)
{
    // Built in the folder's own buffer: one growth at most.
    folder.reserve(folder.size() + 1 + name.size());
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    folder += name;
    return folder;
}

std::string FolderOf(std::string path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string FileNameOf(std::string path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOfPath(const std::string& path)
{
    if (path.find('/') == std::string::npos)
        return ".";
    std::string folder = FolderOf(path);
    return folder.empty() ? "/" : folder;
}

std::string StripExtension(std::string path)
{
    auto dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(0, dot);
}

std::string ExtensionOf(std::string_view path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == path.size())
        return std::string();
    std::string extension(path.substr(dot + 1));
    // Plain ASCII, as nearly every extension is, is lowered here; anything else by its letters.
    if (std::any_of(extension.begin(), extension.end(), [](char c) { return c & 0x80; }))
        return MakeLower(extension);
    for (char& c : extension)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return extension;
}

std::string ShortPathOf(std::string path)
{
    return PathExists(path) ? path : std::string();
}

bool FileExists(std::string path)
{
    if (path.find_first_of("*?") == std::string::npos)
        return PathExists(path);
    CFileFind find;
    return find.FindFile(path);
}

bool PathExists(std::string path)
{
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}
