#include "platform/shellop.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/atomicfile.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/shellui.h"

namespace {

std::vector<std::string> SplitList(const char* list)
{
    std::vector<std::string> paths;
    if (!list)
        return paths;
    while (*list) {
        paths.emplace_back(list);
        list += paths.back().size() + 1;
    }
    return paths;
}

std::string Reason(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return "There is not enough free space on the disk.";
    case EACCES:
    case EPERM:
        return "Access is denied.";
    case EROFS:
        return "The disk is write-protected.";
    case ENOENT:
        return "The system cannot find the file specified.";
    case EEXIST:
        return "A file with the name you specified already exists.";
    case kErrorNotRegularFile:
        return "It is not a regular file.";
    default:
        return std::strerror(error);
    }
}

int ResultOf(int error)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    default:
        return SHOP_ERROR_SYSTEM + error;
    }
}

int MakeFolders(const std::string& folder)
{
    struct stat st;
    if (stat(folder.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    const std::string parent = FolderOfPath(folder);
    if (parent != folder) {
        if (int error = MakeFolders(parent))
            return error;
    }
    return mkdir(folder.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

// Percent-encodes a path for a .trashinfo file; letters, digits, "/-_.~" stay.
std::string PercentEncoded(const std::string& path)
{
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-_.~", c))
            out += static_cast<char>(c);
        else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// The name of the n-th try to put a file named stem + ext into the trash: the file's own name
// first, then stem.n.ext. Cut, keeping the extension and never splitting a UTF-8 character, so
// that its info file (the name + ".trashinfo") fits NAME_MAX; the info file keeps the whole
// original path, which is what a restore gives back.
std::string TrashName(std::string stem, std::string ext, int n)
{
    constexpr std::size_t kRoom = 255 - std::char_traits<char>::length(".trashinfo");
    if (ext.size() > 32) {
        stem += ext;
        ext.clear();
    }
    const std::string number = n == 1 ? "" : "." + std::to_string(n);
    const std::size_t keep = kRoom - ext.size() - number.size();
    if (stem.size() > keep) {
        std::size_t cut = keep;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.resize(cut);
    }
    return stem + number + ext;
}

class Operation {
public:
    Operation(SHFILEOPSTRUCTA& op, ShellUi& ui)
        : m_op(op)
        , m_ui(ui)
        , m_bShowProgress(!(op.fFlags & FOF_SILENT))
        , m_bYesToAll(op.fFlags & FOF_NOCONFIRMATION)
        , m_bMkdirToAll(op.fFlags & (FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR))
    {
    }

    int Run();

private:
    bool Cancelled() { return m_bShowProgress && m_ui.IsCancelRequested(); }
    // Records a No or Cancel to a confirmation as an aborted item (Cancel stops the batch);
    // false for Yes and Yes to all.
    bool Refused(ShellUi::Answer answer);
    // Records a failure of one item; false when the user stops the batch.
    bool Fail(const std::string& path, int result, const std::string& reason, bool more);
    int CopyFile(const std::string& source, const std::string& target, bool replace);
    bool DoTransfer(const std::string& source, std::string target, bool more);
    bool DoDelete(const std::string& source, bool more);
    int Trash(const std::string& path, bool& noTrash);
    std::string Verb() const;

    SHFILEOPSTRUCTA& m_op;
    ShellUi& m_ui;
    bool m_bShowProgress;
    bool m_bYesToAll;
    bool m_bMkdirToAll;
    bool m_bPermanentToAll = false;
    bool m_bStopped = false;
    int m_nResult = 0;
};

std::string Operation::Verb() const
{
    switch (m_op.wFunc) {
    case FO_MOVE:
        return "move";
    case FO_COPY:
        return "copy";
    case FO_DELETE:
        return "delete";
    default:
        return "rename";
    }
}

bool Operation::Refused(ShellUi::Answer answer)
{
    if (answer != ShellUi::Answer::Cancel && answer != ShellUi::Answer::No)
        return false;
    m_op.fAnyOperationsAborted = true;
    if (!m_nResult)
        m_nResult = ERROR_CANCELLED;
    m_bStopped = answer == ShellUi::Answer::Cancel;
    return true;
}

bool Operation::Fail(const std::string& path, int result, const std::string& reason, bool more)
{
    m_op.fAnyOperationsAborted = true;
    if (!m_nResult)
        m_nResult = result;
    std::string caption = Verb();
    caption[0] = static_cast<char>(std::toupper(caption[0]));
    caption = "Error " + caption.substr(0, caption.size() - (caption.back() == 'e' ? 1 : 0))
        + "ing File or Folder";
    m_ui.NoteFailure(path, reason);
    const bool skip = m_ui.ShowError(
        caption, "Cannot " + Verb() + " '" + FileNameOf(path) + "': " + reason, more);
    if (!more || !skip) {
        m_bStopped = more;
        return false;
    }
    return true;
}

// Copies source's bytes, mode and times into a new file that takes target's place only when
// complete and flushed; on any failure or cancel nothing is left of it. Only a regular file is
// read, and its open never waits (a named pipe). Returns 0, an errno, or -1 when cancelled.
int Operation::CopyFile(const std::string& source, const std::string& target, bool replace)
{
    const int in = open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0)
        return errno;
    struct stat st;
    const int statError = fstat(in, &st) != 0 ? errno
        : S_ISREG(st.st_mode)                 ? 0
        : S_ISDIR(st.st_mode)                 ? EISDIR
                                              : kErrorNotRegularFile;
    if (statError) {
        close(in);
        return statError;
    }
    AtomicFile out;
    int error = out.Create(target);
    std::vector<char> buffer(error ? 0 : 1 << 20);
    for (off_t copied = 0; !error;) {
        // Between blocks of a file that is not yet fully copied, so a small file is never cut.
        if (copied > 0 && copied < st.st_size && Cancelled()) {
            error = -1;
            break;
        }
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = errno;
            break;
        }
        if (got == 0)
            break;
        copied += got;
        error = out.Write(buffer.data(), static_cast<std::size_t>(got));
        if (!error && m_bShowProgress)
            m_ui.StepBytes(copied, st.st_size);
    }
    close(in);
    if (!error) {
        fchmod(out.Handle(), st.st_mode & 01777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        futimens(out.Handle(), times);
        error = out.Commit(replace);
    }
    return error;
}

bool Operation::DoTransfer(const std::string& source, std::string target, bool more)
{
    struct stat from;
    if (lstat(source.c_str(), &from) != 0)
        return Fail(source, ResultOf(errno), Reason(errno), more);
    const std::string folder = FolderOfPath(target);
    if (m_op.wFunc == FO_RENAME && FolderOfPath(source) != folder)
        return Fail(source, DE_DIFFDIR, "The new name must stay in the same folder.", more);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) {
        if (!m_bMkdirToAll) {
            const ShellUi::Answer answer = m_ui.ConfirmCreateFolder(folder);
            if (Refused(answer))
                return !m_bStopped;
            m_bMkdirToAll = answer == ShellUi::Answer::YesToAll;
        }
        if (int error = MakeFolders(folder))
            return Fail(folder, ResultOf(error), Reason(error), more);
    } else if (!S_ISDIR(st.st_mode)) {
        return Fail(source, DE_FLDDESTISFILE, "The destination folder is a file.", more);
    }
    bool replace = false;
    struct stat to;
    for (int n = 1; lstat(target.c_str(), &to) == 0; ++n) {
        struct stat real;
        if (stat(target.c_str(), &real) == 0 && real.st_dev == from.st_dev
            && real.st_ino == from.st_ino)
            return Fail(
                source, DE_SAMEFILE, "The source and destination file names are the same.", more);
        if (S_ISDIR(to.st_mode))
            return Fail(source, DE_FILEDESTISFLD, "A folder with that name already exists.", more);
        if ((m_op.fFlags & FOF_RENAMEONCOLLISION) && m_op.wFunc != FO_RENAME) {
            target = folder + "/" + (n == 1 ? "Copy of " : "Copy (" + std::to_string(n) + ") of ")
                + FileNameOf(source);
            continue;
        }
        if (m_op.wFunc == FO_RENAME)
            return Fail(source, ResultOf(EEXIST), Reason(EEXIST), more);
        if (!m_bYesToAll) {
            const ShellUi::Answer answer = m_ui.ConfirmReplace(target, source);
            if (Refused(answer))
                return !m_bStopped;
            m_bYesToAll = answer == ShellUi::Answer::YesToAll;
        }
        replace = true;
        break;
    }
    int error = 0;
    if (m_op.wFunc != FO_COPY) {
        error = replace ? (rename(source.c_str(), target.c_str()) == 0 ? 0 : errno)
                        : RenameNoReplace(source, target);
        if (error == 0)
            return true;
        if (error != EXDEV || m_op.wFunc == FO_RENAME)
            return Fail(source, ResultOf(error), Reason(error), more);
    }
    error = CopyFile(source, target, replace);
    if (error < 0) {
        m_op.fAnyOperationsAborted = true;
        m_nResult = m_nResult ? m_nResult : ERROR_CANCELLED;
        m_bStopped = true;
        return false;
    }
    if (error)
        return Fail(source, ResultOf(error), Reason(error), more);
    if (m_op.wFunc == FO_MOVE && unlink(source.c_str()) != 0)
        return Fail(source, ResultOf(errno),
            "The copy was made but the original could not be removed: " + Reason(errno), more);
    return true;
}

// Moves path into the freedesktop.org trash of its file system: the home trash, or
// $topdir/.Trash/$uid (sticky, not a symlink) or $topdir/.Trash-$uid on another mount. The info
// file is created first and exclusively, so no two files ever share a trash name. noTrash is set
// when no trash can take the file.
int Operation::Trash(const std::string& path, bool& noTrash)
{
    noTrash = false;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return errno;
    char* real = realpath(FolderOfPath(path).c_str(), nullptr);
    if (!real)
        return errno;
    std::string folder = real;
    free(real);
    const std::string absolute = (folder == "/" ? "" : folder) + "/" + FileNameOf(path);

    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string homeTrash = dataHome && *dataHome
        ? std::string(dataHome) + "/Trash"
        : std::string(home && *home ? home : "/") + "/.local/share/Trash";
    std::string probe = homeTrash;
    struct stat hs;
    while (stat(probe.c_str(), &hs) != 0 && probe != FolderOfPath(probe))
        probe = FolderOfPath(probe);

    std::string trash;
    std::string infoPath = absolute;
    if (hs.st_dev == st.st_dev) {
        trash = homeTrash;
    } else {
        std::string top = folder;
        struct stat ps;
        while (top != "/" && stat(FolderOfPath(top).c_str(), &ps) == 0 && ps.st_dev == st.st_dev)
            top = FolderOfPath(top);
        const std::string uid = std::to_string(getuid());
        const std::string shared = (top == "/" ? "" : top) + "/.Trash";
        struct stat ts;
        if (lstat(shared.c_str(), &ts) == 0 && S_ISDIR(ts.st_mode) && (ts.st_mode & S_ISVTX)
            && (mkdir((shared + "/" + uid).c_str(), 0700) == 0 || errno == EEXIST))
            trash = shared + "/" + uid;
        else
            trash = (top == "/" ? "" : top) + "/.Trash-" + uid;
        infoPath = top == "/" ? absolute.substr(1) : absolute.substr(top.size() + 1);
    }
    if (MakeFolders(FolderOfPath(trash)) != 0
        || (mkdir(trash.c_str(), 0700) != 0 && errno != EEXIST)
        || (mkdir((trash + "/files").c_str(), 0700) != 0 && errno != EEXIST)
        || (mkdir((trash + "/info").c_str(), 0700) != 0 && errno != EEXIST)) {
        noTrash = true;
        return errno;
    }
    struct stat ts;
    if (lstat(trash.c_str(), &ts) != 0 || !S_ISDIR(ts.st_mode) || ts.st_dev != st.st_dev) {
        noTrash = true;
        return EXDEV;
    }
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string ext = stem.size() == name.size() ? "" : name.substr(dot);
    char date[32];
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string text
        = "[Trash Info]\nPath=" + PercentEncoded(infoPath) + "\nDeletionDate=" + date + "\n";
    for (int n = 1; n < 10000; ++n) {
        const std::string trashName = TrashName(stem, ext, n);
        const std::string info = trash + "/info/" + trashName + ".trashinfo";
        const int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            noTrash = true;
            return errno;
        }
        errno = 0;
        const bool written
            = write(fd, text.data(), text.size()) == ssize_t(text.size()) && fsync(fd) == 0;
        const int writeError = errno ? errno : EIO;
        close(fd);
        if (!written) {
            // Without its info file the trash could not give the file back (a full disk).
            unlink(info.c_str());
            noTrash = true;
            return writeError;
        }
        int error = RenameNoReplace(path, trash + "/files/" + trashName);
        if (error == 0)
            return 0;
        unlink(info.c_str());
        if (error == EEXIST)
            continue;
        noTrash = error == EXDEV;
        return error;
    }
    return EEXIST;
}

bool Operation::DoDelete(const std::string& source, bool more)
{
    struct stat st;
    if (lstat(source.c_str(), &st) != 0)
        return Fail(source, ResultOf(errno), Reason(errno), more);
    if (m_op.fFlags & FOF_ALLOWUNDO) {
        bool noTrash = false;
        const int error = Trash(source, noTrash);
        if (!error)
            return true;
        if (!noTrash)
            return Fail(source, ResultOf(error), Reason(error), more);
        // Never deleted for good without asking, whatever the flags say.
        if (!m_bPermanentToAll) {
            const ShellUi::Answer answer = m_ui.ConfirmDelete(
                {source}, true, "It cannot be moved to the Trash: " + Reason(error));
            if (Refused(answer))
                return !m_bStopped;
            m_bPermanentToAll = answer == ShellUi::Answer::YesToAll;
        }
    }
    if ((S_ISDIR(st.st_mode) ? rmdir(source.c_str()) : unlink(source.c_str())) != 0)
        return Fail(source, ResultOf(errno), Reason(errno), more);
    return true;
}

int Operation::Run()
{
    m_op.fAnyOperationsAborted = false;
    // A destination folder is searched for stale temporary files once for the whole batch.
    const AtomicFileBatch batch;
    const std::vector<std::string> sources = SplitList(m_op.pFrom);
    if (m_op.wFunc < FO_MOVE || m_op.wFunc > FO_RENAME || sources.empty())
        return DE_INVALIDFILES;
    std::vector<std::string> targets;
    if (m_op.wFunc != FO_DELETE) {
        const std::vector<std::string> to = SplitList(m_op.pTo);
        if (to.empty())
            return DE_INVALIDFILES;
        struct stat st;
        const bool intoFolder = !(m_op.fFlags & FOF_MULTIDESTFILES) && m_op.wFunc != FO_RENAME
            && to.size() == 1
            && (sources.size() > 1 || (stat(to[0].c_str(), &st) == 0 && S_ISDIR(st.st_mode)));
        if (intoFolder) {
            for (const std::string& source : sources)
                targets.push_back(to[0] + "/" + FileNameOf(source));
        } else if (to.size() == sources.size()) {
            targets = to;
        } else {
            return DE_MANYDEST;
        }
    } else if (!(m_op.fFlags & FOF_NOCONFIRMATION)) {
        const ShellUi::Answer answer
            = m_ui.ConfirmDelete(sources, !(m_op.fFlags & FOF_ALLOWUNDO), std::string());
        if (answer != ShellUi::Answer::Yes && answer != ShellUi::Answer::YesToAll) {
            m_op.fAnyOperationsAborted = true;
            return ERROR_CANCELLED;
        }
    }
    if (m_bShowProgress)
        m_ui.BeginProgress(m_op.lpszProgressTitle ? m_op.lpszProgressTitle : "");
    const int count = static_cast<int>(sources.size());
    for (int i = 0; i < count && !m_bStopped; ++i) {
        if (Cancelled()) {
            m_op.fAnyOperationsAborted = true;
            m_nResult = m_nResult ? m_nResult : ERROR_CANCELLED;
            break;
        }
        if (m_bShowProgress)
            m_ui.StepProgress(m_op.fFlags & FOF_SIMPLEPROGRESS ? "" : sources[i], i, count);
        const bool more = i + 1 < count;
        if (m_op.wFunc == FO_DELETE)
            DoDelete(sources[i], more);
        else
            DoTransfer(sources[i], targets[i], more);
    }
    if (m_bShowProgress)
        m_ui.EndProgress();
    return m_nResult;
}

} // namespace

int SHFileOperationA(SHFILEOPSTRUCTA* op, ShellUi& ui)
{
    if (!op)
        return DE_INVALIDFILES;
    return Operation(*op, ui).Run();
}
