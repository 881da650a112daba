#include "platform/settingskey.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/path.h"

namespace {

std::string LowerName(const std::string& name)
{
    std::string lower = name;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// The text up to its first NUL, as a C caller would pass it.
std::string UpToNul(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && *home)
        return home;
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result
        && result->pw_dir && *result->pw_dir)
        return result->pw_dir;
    return {};
}

// mkdir -p with private permissions for the folders it makes.
bool MakeFolders(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// An exclusive advisory lock on the lock file beside the settings file, held while it lives.
class SaveLock {
public:
    explicit SaveLock(const std::string& settingsPath)
    {
        const std::string lockPath = settingsPath + ".lock";
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) {
            m_nError = errno;
            return;
        }
        int result;
        do {
            result = ::flock(m_fd, LOCK_EX);
        } while (result != 0 && errno == EINTR);
        if (result != 0) {
            m_nError = errno;
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~SaveLock()
    {
        if (m_fd >= 0)
            ::close(m_fd); // releases the lock
    }
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;

    bool Held() const { return m_fd >= 0; }
    int Error() const { return m_nError; }

private:
    int m_fd = -1;
    int m_nError = 0;
};

// Moves a malformed settings file to the first free "<path>.bad", "<path>.bad.1", ... name,
// never replacing an earlier one.
bool MoveAside(const std::string& path)
{
    for (int n = 0; n < 100; ++n) {
        const std::string aside
            = path + ".bad" + (n == 0 ? std::string() : "." + std::to_string(n));
        if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return false;
        // No RENAME_NOREPLACE on this file system: a hard link refuses an existing name too.
        if (::link(path.c_str(), aside.c_str()) == 0)
            return ::unlink(path.c_str()) == 0;
        if (errno != EEXIST)
            return false;
    }
    return false;
}

} // namespace

std::string WidthValueName(int column)
{
    return "W" + std::to_string(column);
}

std::string SettingsFilePath()
{
    std::string config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') {
        config = xdg;
    } else {
        const std::string home = HomeFolder();
        if (home.empty())
            return {};
        config = home + "/.config";
    }
    while (config.size() > 1 && config.back() == '/')
        config.pop_back();
    return config + "/Sonivar/Sonivar.reg";
}

CSettingsKey::~CSettingsKey()
{
    Close();
}

bool CSettingsKey::Open()
{
    Close();
    const std::string path = SettingsFilePath();
    if (path.empty())
        return false;
    RegFile file;
    if (RegFile::Load(path, file) != RegFile::LoadResult::Loaded)
        return false;
    const RegKey* key = file.FindKey(kSettingsKeyPath);
    if (!key)
        return false;
    m_key = *key;
    m_strPath = path;
    m_bOpen = true;
    return true;
}

bool CSettingsKey::Create()
{
    Close();
    const std::string path = SettingsFilePath();
    if (path.empty() || !MakeFolders(FolderOf(path)))
        return false;
    SaveLock lock(path);
    if (!lock.Held())
        return false;
    RegFile file;
    switch (RegFile::Load(path, file)) {
    case RegFile::LoadResult::Loaded:
        break;
    case RegFile::LoadResult::Missing:
        break;
    case RegFile::LoadResult::Malformed:
        if (!MoveAside(path))
            return false;
        break;
    case RegFile::LoadResult::Unreadable:
        return false; // it may hold good values we cannot see; leave it alone
    }
    if (!file.FindKey(kSettingsKeyPath)) {
        file.AddKey(kSettingsKeyPath);
        if (!file.Save(path))
            return false;
    }
    m_key = *file.FindKey(kSettingsKeyPath);
    m_strPath = path;
    m_bOpen = true;
    return true;
}

std::optional<std::string> CSettingsKey::StoredBytes(const std::string& name) const
{
    const RegValue* stored = m_bOpen ? m_key.Find(UpToNul(name)) : nullptr;
    if (!stored)
        return std::nullopt;
    return stored->Bytes();
}

bool CSettingsKey::QueryDword(const std::string& name, std::uint32_t& value) const
{
    const auto bytes = StoredBytes(name);
    if (!bytes || bytes->size() != 4)
        return false;
    std::uint32_t result = 0;
    for (int i = 3; i >= 0; --i)
        result = (result << 8) | static_cast<unsigned char>((*bytes)[i]);
    value = result;
    return true;
}

bool CSettingsKey::QueryString(const std::string& name, std::string& value) const
{
    const auto bytes = StoredBytes(name);
    if (!bytes || bytes->size() > kStringBufferSize)
        return false;
    value = UpToNul(*bytes);
    return true;
}

bool CSettingsKey::SetDword(const std::string& name, std::uint32_t value)
{
    if (!m_bOpen)
        return false;
    const std::string cut = UpToNul(name);
    m_key.Set(RegValue::Dword(cut, value));
    m_pendingNames.insert(LowerName(cut));
    return true;
}

bool CSettingsKey::SetString(const std::string& name, const std::string& value)
{
    if (!m_bOpen)
        return false;
    const std::string cut = UpToNul(name);
    m_key.Set(RegValue::String(cut, UpToNul(value)));
    m_pendingNames.insert(LowerName(cut));
    return true;
}

bool CSettingsKey::Flush()
{
    return m_bOpen && FlushPending() == 0;
}

int CSettingsKey::FlushPending()
{
    if (!m_bOpen || m_pendingNames.empty())
        return 0;
    SaveLock lock(m_strPath);
    if (!lock.Held())
        return lock.Error();
    RegFile file;
    int error = 0;
    switch (RegFile::Load(m_strPath, file, &error)) {
    case RegFile::LoadResult::Loaded:
        break;
    case RegFile::LoadResult::Missing:
        return ENOENT; // the key was deleted
    case RegFile::LoadResult::Unreadable:
        return error != 0 ? error : EIO;
    case RegFile::LoadResult::Malformed:
        return EBADMSG;
    }
    RegKey* key = file.FindKey(kSettingsKeyPath);
    if (!key)
        return ENOENT;
    for (const RegValue& value : m_key.m_values) {
        if (m_pendingNames.count(LowerName(value.m_strName)))
            key->Set(value);
    }
    if (!file.Save(m_strPath, &error))
        return error != 0 ? error : EIO;
    m_pendingNames.clear();
    m_key = *key; // now also showing what others saved meanwhile
    return 0;
}

int CSettingsKey::Close()
{
    if (!m_bOpen)
        return 0;
    int result = FlushPending();
    m_bOpen = false;
    m_strPath.clear();
    m_key = RegKey();
    m_pendingNames.clear();
    return result;
}
