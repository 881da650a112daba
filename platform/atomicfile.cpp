#include "platform/atomicfile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/path.h"

namespace {

constexpr std::size_t kNameMax = 255;
constexpr const char* kMarker = ".sonivar-";
constexpr std::size_t kMarkerSize = 9;
constexpr std::size_t kRandomSize = 6;
constexpr const char kRandomLetters[]
    = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

std::atomic<int> g_nKillAt {0};
std::atomic<int> g_nStep {0};
std::atomic<bool> g_bNamedOnly {false};

// A fault test's chosen moment to die, as a power cut or SIGKILL would end the process.
void Step()
{
    const int at = g_nKillAt.load();
    if (at > 0 && g_nStep.fetch_add(1) + 1 == at)
        ::raise(SIGKILL);
}

// The named temporary files that exist now, for the signal handler to remove. Fixed slots of
// plain characters: the handler may only read memory, never allocate.
struct TempSlot {
    std::atomic<bool> m_bClaimed {false};
    std::atomic<bool> m_bUsed {false};
    char m_szPath[PATH_MAX] {};
};
std::array<TempSlot, 16> g_slots;
const std::array<int, 3> kSignals {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, 3> g_previous {};

void RemoveOnSignal(int sig)
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        if (kSignals[i] != sig)
            continue;
        const struct sigaction& before = g_previous[i];
        if (before.sa_handler == SIG_IGN)
            return;
        if (before.sa_handler != SIG_DFL) {
            // Somebody else handles it (the command line's cancel): the running operation stops
            // at its next step and removes its own temporary file.
            before.sa_handler(sig);
            return;
        }
    }
    for (TempSlot& slot : g_slots) {
        if (slot.m_bUsed.load())
            ::unlink(slot.m_szPath);
    }
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void EnsureSignalHandlers()
{
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction now { };
        ::sigaction(kSignals[i], nullptr, &now);
        if (now.sa_handler == RemoveOnSignal)
            continue;
        g_previous[i] = now;
        struct sigaction ours { };
        ours.sa_handler = RemoveOnSignal;
        sigemptyset(&ours.sa_mask);
        ::sigaction(kSignals[i], &ours, nullptr);
    }
}

int Register(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;
    EnsureSignalHandlers();
    for (std::size_t i = 0; i < g_slots.size(); ++i) {
        bool expected = false;
        TempSlot& slot = g_slots[i];
        if (!slot.m_bClaimed.compare_exchange_strong(expected, true))
            continue;
        // Filled while the handler still passes it over, then shown to the handler.
        std::memcpy(slot.m_szPath, path.c_str(), path.size() + 1);
        slot.m_bUsed.store(true);
        return static_cast<int>(i);
    }
    return -1;
}

void Unregister(int slot)
{
    if (slot < 0)
        return;
    TempSlot& entry = g_slots[static_cast<std::size_t>(slot)];
    entry.m_bUsed.store(false);
    entry.m_bClaimed.store(false);
}

std::string RandomLetters()
{
    unsigned char bytes[kRandomSize];
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        static std::atomic<unsigned> counter {0};
        const unsigned seed = static_cast<unsigned>(::getpid()) * 2654435761u + counter++;
        for (std::size_t i = 0; i < sizeof bytes; ++i)
            bytes[i] = static_cast<unsigned char>(seed >> (i * 5));
    }
    std::string letters;
    for (unsigned char b : bytes)
        letters += kRandomLetters[b % (sizeof kRandomLetters - 1)];
    return letters;
}

std::string TemporaryName(const std::string& name)
{
    std::string pattern = AtomicFile::TemporaryPattern(name);
    return pattern.replace(pattern.size() - kRandomSize, kRandomSize, RandomLetters());
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

constexpr const char* kRedoPrefix = ".sonivar-redo-";

// The journal of an in-place rewrite of the file with that inode, in the file's folder.
std::string RedoName(ino_t inode)
{
    return kRedoPrefix + std::to_string(inode);
}

// The inode a journal's name is for; 0 when the name is not a journal's.
ino_t RedoInode(const char* name)
{
    const std::size_t prefix = std::strlen(kRedoPrefix);
    if (std::strncmp(name, kRedoPrefix, prefix) != 0 || !name[prefix])
        return 0;
    ino_t inode = 0;
    for (const char* c = name + prefix; *c; ++c) {
        if (*c < '0' || *c > '9')
            return 0;
        inode = inode * 10 + static_cast<ino_t>(*c - '0');
    }
    return inode;
}

// Copies the whole of from over to (the same bytes, the same length) and flushes it. 0 or an
// errno.
int CopyOver(int from, int to)
{
    std::vector<char> buffer(1 << 20);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            break;
        Step();
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::pwrite(
                to, buffer.data() + done, static_cast<std::size_t>(got - done), offset + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return put < 0 ? errno : EIO;
            done += put;
        }
        offset += got;
    }
    Step();
    if (::ftruncate(to, offset) != 0 || ::fsync(to) != 0)
        return errno;
    return 0;
}

// Finishes the journal named redo in the folder over the file open as target (whose lock the
// caller holds), then removes the journal. 0 or an errno.
int FinishRedo(int folderFd, const char* redo, int target)
{
    const int journal = ::openat(folderFd, redo, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (journal < 0)
        return errno == ENOENT ? 0 : errno;
    const int error = CopyOver(journal, target);
    ::close(journal);
    if (error)
        return error;
    Step();
    ::unlinkat(folderFd, redo, 0);
    ::fsync(folderFd);
    return 0;
}

// Finishes the rewrite a killed process left journaled in the folder, when no running process
// holds its file; a journal whose file is gone is removed.
// Ctrl+C, SIGTERM and SIGHUP wait while it lives: from the journal's creation to the end of
// the copy over the file (a second or so for a large file), so that they never leave a file
// half copied or a journal behind; only a kill or a crash leaves the copy to the journal.
class DeferredSignals {
public:
    DeferredSignals()
    {
        sigset_t deferred;
        sigemptyset(&deferred);
        for (int sig : kSignals)
            sigaddset(&deferred, sig);
        ::pthread_sigmask(SIG_BLOCK, &deferred, &m_before);
    }
    ~DeferredSignals() { ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr); }
    DeferredSignals(const DeferredSignals&) = delete;
    DeferredSignals& operator=(const DeferredSignals&) = delete;

private:
    sigset_t m_before;
};

void FinishAbandonedRedo(int folderFd, const char* redo, ino_t inode,
    const std::vector<std::pair<std::string, ino_t>>& entries)
{
    // The folder listing's inode numbers first; a file system whose listing numbers differ from
    // the files' own (some overlays) is asked entry by entry.
    std::string name;
    for (const auto& [entryName, entryInode] : entries) {
        if (entryInode == inode && entryName != redo)
            name = entryName;
    }
    for (std::size_t i = 0; name.empty() && i < entries.size(); ++i) {
        struct stat st { };
        if (entries[i].first != redo
            && ::fstatat(folderFd, entries[i].first.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(st.st_mode) && st.st_ino == inode)
            name = entries[i].first;
    }
    if (name.empty()) {
        ::unlinkat(folderFd, redo, 0);
        return;
    }
    const int target
        = ::openat(folderFd, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (target < 0)
        return;
    struct stat st { };
    if (::fstat(target, &st) == 0 && S_ISREG(st.st_mode) && st.st_ino == inode
        && ::flock(target, LOCK_EX | LOCK_NB) == 0) {
        const DeferredSignals deferred;
        FinishRedo(folderFd, redo, target);
    }
    ::close(target);
}

int RemoveStaleIn(int folderFd)
{
    const int listFd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0)
        return 0;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return 0;
    }
    int removed = 0;
    std::vector<std::string> redos;
    while (const dirent* entry = ::readdir(dir)) {
        if (RedoInode(entry->d_name))
            redos.emplace_back(entry->d_name);
        if (!AtomicFile::IsTemporaryName(entry->d_name))
            continue;
        const int fd
            = ::openat(folderFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat held { };
        struct stat named { };
        // A running writer holds its lock until the file is in place or gone.
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0
            && ::fstatat(folderFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0
            && SameFile(held, named) && ::unlinkat(folderFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    // Journals are rare: only then is the whole listing kept, to find their files.
    std::vector<std::pair<std::string, ino_t>> entries;
    if (!redos.empty()) {
        ::rewinddir(dir);
        while (const dirent* entry = ::readdir(dir))
            entries.emplace_back(entry->d_name, entry->d_ino);
    }
    ::closedir(dir);
    for (const std::string& redo : redos)
        FinishAbandonedRedo(folderFd, redo.c_str(), RedoInode(redo.c_str()), entries);
    return removed;
}

// The folders cleaned within the batch of writes open on this thread (see AtomicFileBatch).
thread_local int g_nBatchDepth = 0;
thread_local std::set<std::pair<dev_t, ino_t>> g_cleanedInBatch;

void CleanFolder(int folderFd)
{
    struct stat folder { };
    if (g_nBatchDepth > 0 && ::fstat(folderFd, &folder) == 0
        && !g_cleanedInBatch.insert({folder.st_dev, folder.st_ino}).second)
        return;
    RemoveStaleIn(folderFd);
}

int FlushFolder(int folderFd)
{
    // A file system that cannot flush a folder has still put the file in place.
    ::fsync(folderFd);
    return 0;
}

} // namespace

AtomicFile::~AtomicFile()
{
    Discard();
}

std::string AtomicFile::TemporaryPattern(const std::string& name)
{
    const std::size_t room = kNameMax - 1 - kMarkerSize - kRandomSize;
    std::size_t cut = std::min(name.size(), room);
    // Never end inside a UTF-8 character: back up over continuation bytes.
    while (cut > 0 && cut < name.size() && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
        --cut;
    return "." + name.substr(0, cut) + kMarker + std::string(kRandomSize, 'X');
}

bool AtomicFile::IsTemporaryName(const std::string& name)
{
    const std::size_t tail = kMarkerSize + kRandomSize;
    if (name.size() < 1 + tail || name.size() > kNameMax || name[0] != '.')
        return false;
    if (name.compare(name.size() - tail, kMarkerSize, kMarker) != 0)
        return false;
    for (std::size_t i = name.size() - kRandomSize; i < name.size(); ++i) {
        if (!std::strchr(kRandomLetters, name[i]) || name[i] == '\0')
            return false;
    }
    return true;
}

int AtomicFile::RemoveStaleTemporaries(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    const int removed = RemoveStaleIn(fd);
    ::close(fd);
    return removed;
}

void AtomicFile::KillAtStepForTesting(int step)
{
    g_nStep.store(0);
    g_nKillAt.store(step);
}

void AtomicFile::UseNamedTemporariesForTesting(bool on)
{
    g_bNamedOnly.store(on);
}

int AtomicFile::Create(const std::string& path)
{
    Discard();
    m_strPath = path;
    m_strName = FileNameOf(path);
    m_nFolderFd = ::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nFolderFd < 0) {
        const int error = errno;
        Forget();
        return error;
    }
    CleanFolder(m_nFolderFd);
    // An anonymous file can only be named later through /proc (or with a capability).
    if (!g_bNamedOnly.load() && ::access("/proc/self/fd", X_OK) == 0) {
        m_fd = ::openat(m_nFolderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            // Locked as a named one is, so the name it gets for a moment at Commit is not
            // taken for a stale one.
            ::flock(m_fd, LOCK_EX);
            return 0;
        }
    }
    const int error = CreateNamed(m_nFolderFd);
    if (error)
        Forget();
    return error;
}

int AtomicFile::CreateNamed(int folderFd)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = TemporaryName(m_strName);
        // A signal between the creation and the registration would leave the file behind.
        const DeferredSignals deferred;
        const int fd
            = ::openat(folderFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return errno;
        }
        struct stat held { };
        struct stat named { };
        // Another process's clean-up may have taken the new file for a stale one before the
        // lock was held: then it is gone, and another name is tried.
        if (::flock(fd, LOCK_EX) == 0 && ::fstat(fd, &held) == 0
            && ::fstatat(folderFd, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0
            && SameFile(held, named)) {
            m_fd = fd;
            m_strTempName = name;
            m_nSlot = Register(FolderOfPath(m_strPath) + "/" + name);
            return 0;
        }
        ::close(fd);
    }
    return EEXIST;
}

int AtomicFile::Write(const void* buffer, std::size_t count)
{
    Step();
    const char* in = static_cast<const char*>(buffer);
    for (std::size_t done = 0; done < count;) {
        const ssize_t n = ::write(m_fd, in + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int AtomicFile::LinkAnonymous(const std::string& name)
{
    char proc[64];
    std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", m_fd);
    if (::linkat(AT_FDCWD, proc, m_nFolderFd, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return 0;
    const int error = errno;
    if (error == EEXIST)
        return error;
    if (::linkat(m_fd, "", m_nFolderFd, name.c_str(), AT_EMPTY_PATH) == 0)
        return 0;
    return error;
}

int AtomicFile::Commit(bool replace)
{
    if (m_fd < 0)
        return EBADF;
    Step();
    int error = ::fsync(m_fd) == 0 ? 0 : errno;
    if (!error && m_strTempName.empty()) {
        if (!replace) {
            // Linked straight under its name, which fails when the name is taken.
            Step();
            error = LinkAnonymous(m_strName);
        } else {
            // A name of its own for a moment, then renamed over the old file in one step. The
            // name is registered for the signal handler before a signal can be taken.
            const DeferredSignals deferred;
            for (int attempt = 0; attempt < 100; ++attempt) {
                m_strTempName = TemporaryName(m_strName);
                error = LinkAnonymous(m_strTempName);
                if (error != EEXIST)
                    break;
            }
            if (error)
                m_strTempName.clear();
            else
                m_nSlot = Register(FolderOfPath(m_strPath) + "/" + m_strTempName);
        }
    }
    if (!error && !m_strTempName.empty()) {
        Step();
        if (replace)
            error = ::renameat(m_nFolderFd, m_strTempName.c_str(), m_nFolderFd, m_strName.c_str())
                    == 0
                ? 0
                : errno;
        else
            error = RenameNoReplace(FolderOfPath(m_strPath) + "/" + m_strTempName,
                FolderOfPath(m_strPath) + "/" + m_strName);
        if (!error)
            m_strTempName.clear();
    }
    if (error) {
        Discard();
        return error;
    }
    FlushFolder(m_nFolderFd);
    error = ::close(m_fd) == 0 || errno == EINTR ? 0 : errno;
    m_fd = -1;
    Forget();
    return error;
}

void AtomicFile::Discard()
{
    if (!m_strTempName.empty() && m_nFolderFd >= 0)
        ::unlinkat(m_nFolderFd, m_strTempName.c_str(), 0);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    Forget();
}

void AtomicFile::Forget()
{
    Unregister(m_nSlot);
    m_nSlot = -1;
    m_strTempName.clear();
    if (m_nFolderFd >= 0)
        ::close(m_nFolderFd);
    m_nFolderFd = -1;
}

int ReplaceFileContents(const std::string& path, const std::string& bytes)
{
    // An existing file we may not write is refused as opening it for writing would be. The
    // check uses the effective rights: access() answers for the real user, which tells a root
    // process without CAP_DAC_OVERRIDE that it may replace a read-only file.
    struct stat existing { };
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return errno;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    // A replaced file keeps its permissions, as a file rewritten in place would.
    const mode_t mode = exists ? existing.st_mode & 07777 : 0666 & ~mask;
    AtomicFile file;
    if (int error = file.Create(path))
        return error;
    if (::fchmod(file.Handle(), mode) != 0)
        return errno;
    if (int error = file.Write(bytes.data(), bytes.size()))
        return error;
    return file.Commit(true);
}

int AtomicFile::FinishInterruptedRewrite(const std::string& path, int fd)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return errno;
    const int folderFd = ::open(FolderOfPath(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd < 0)
        return errno;
    const DeferredSignals deferred;
    const int error = FinishRedo(folderFd, RedoName(st.st_ino).c_str(), fd);
    ::close(folderFd);
    return error;
}

int AtomicFile::RewriteInPlace(
    const std::string& path, int fd, const std::function<int(AtomicFile&)>& produce)
{
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return errno;
    AtomicFile journal;
    if (int error = journal.Create(path))
        return error;
    if (int error = produce(journal))
        return error;
    // From here on the new bytes are safe on the disk under the journal's name.
    const DeferredSignals deferred;
    journal.m_strName = RedoName(st.st_ino);
    if (int error = journal.Commit(true))
        return error;
    return FinishInterruptedRewrite(path, fd);
}

AtomicFileBatch::AtomicFileBatch()
{
    ++g_nBatchDepth;
}

AtomicFileBatch::~AtomicFileBatch()
{
    if (--g_nBatchDepth == 0)
        g_cleanedInBatch.clear();
}
