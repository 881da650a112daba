#include "platform/filefind.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace {

bool HasWildcard(const std::string& text)
{
    return text.find_first_of("*?") != std::string::npos;
}

} // namespace

CFileFind::~CFileFind()
{
    Close();
}

void CFileFind::Close()
{
    if (m_dir) {
        closedir(m_dir);
        m_dir = nullptr;
    }
    m_bHaveNext = false;
}

bool CFileFind::FindFile(const std::string& path)
{
    Close();
    auto slash = path.rfind('/');
    m_strFolder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    m_strPattern = slash == std::string::npos ? path : path.substr(slash + 1);
    m_bMatchAll = m_strPattern == "*" || m_strPattern == "*.*";
    if (m_strPattern.empty())
        return false;

    if (!HasWildcard(m_strPattern)) {
        // A plain name: one status query, no folder read.
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            return false;
        m_next.name = m_strPattern;
        m_next.directory = S_ISDIR(st.st_mode);
        m_next.linkToDirectory = false;
        if (S_ISLNK(st.st_mode)) {
            struct stat target;
            m_next.linkToDirectory = stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        }
        m_bHaveNext = true;
        return true;
    }

    m_dir = opendir(m_strFolder.empty() ? "." : m_strFolder.c_str());
    if (!m_dir)
        return false;
    m_bHaveNext = ReadNextMatch(m_next);
    return m_bHaveNext;
}

bool CFileFind::FindNextFile()
{
    if (!m_bHaveNext)
        return false;
    m_strName = m_next.name;
    m_bDirectory = m_next.directory;
    m_bLinkToDirectory = m_next.linkToDirectory;
    m_bHaveNext = m_dir ? ReadNextMatch(m_next) : false;
    return m_bHaveNext;
}

int CFileFind::FolderDescriptor() const
{
    return m_dir ? dirfd(m_dir) : AT_FDCWD;
}

std::string CFileFind::GetFilePath() const
{
    return m_strFolder + m_strName;
}

bool CFileFind::ReadNextMatch(Entry& entry)
{
    while (dirent* d = readdir(m_dir)) {
        if (!m_bMatchAll && fnmatch(m_strPattern.c_str(), d->d_name, 0) != 0)
            continue;
        entry.name = d->d_name;
        entry.directory = d->d_type == DT_DIR;
        entry.linkToDirectory = false;
        if (d->d_type == DT_UNKNOWN || d->d_type == DT_LNK) {
            struct stat st;
            std::string full = m_strFolder + entry.name;
            if (lstat(full.c_str(), &st) == 0) {
                entry.directory = S_ISDIR(st.st_mode);
                if (S_ISLNK(st.st_mode)) {
                    struct stat target;
                    entry.linkToDirectory
                        = stat(full.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
                }
            }
        }
        return true;
    }
    return false;
}
