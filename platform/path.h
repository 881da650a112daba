#pragma once

#include <string>
#include <string_view>

// The path toolkit, on UTF-8 strings; '/' is the separator. Only ShortPathOf, FileExists and
// PathExists touch the disk.

// folder + "/" + name, or folder + name when folder already ends in '/'.
std::string JoinPath(std::string folder, std::string name);
// The characters before the last '/'; empty when there is none.
std::string FolderOf(std::string path);
// The characters after the last '/'; the whole path when there is none.
std::string FileNameOf(std::string path);
// The folder of path to hand to the system: FolderOf, but "." for a bare name and "/" for a
// name at the root.
std::string FolderOfPath(const std::string& path);
// The characters before the last '.' anywhere in the path; empty when there is none.
std::string StripExtension(std::string path);
// The characters after the last '.', lower-cased; empty when there is no dot, when the last
// dot is the first character or when nothing follows it.
std::string ExtensionOf(std::string_view path);
// Linux has no short names: the path itself when it names an existing file or folder, empty
// otherwise.
std::string ShortPathOf(std::string path);
// True when the path (whose last component may hold the wildcards * and ?) names an existing
// file or folder.
bool FileExists(std::string path);
// True for an existing file or folder.
bool PathExists(std::string path);
