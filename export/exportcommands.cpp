#include "export/exportcommands.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/session.h"
#include "model/paths.h"
#include "platform/uiservices.h"
#include "res/resource.h"

namespace {

constexpr unsigned kIconError = 0x0010; // MB_ICONERROR
constexpr const char* kNothingSelected = "Nista nije oznaceno. Samo tako mozda i proradi.";

// Lines end in CR LF, as text-mode files on the original platform; texts go out unchanged
// (UTF-8).
constexpr const char* kLineEnd = "\r\n";

void WriteOrReport(Session& session, const std::string& path, const std::string& bytes)
{
    std::string reason;
    if (!WriteFileReplacing(path, bytes, reason))
        session.Ui().MessageBox(
            "Ne mogu napraviti fajl:\n" + path + "\n" + reason, "Greska", MB_OK | kIconError);
}

} // namespace

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& reason)
{
    auto fail = [&reason](int error) {
        reason = std::strerror(error);
        return false;
    };
    // An existing file we may not write is refused as opening it for writing would be. The
    // check uses the effective rights: access() answers for the real user, which tells a root
    // process without CAP_DAC_OVERRIDE that it may replace a read-only file.
    struct stat existing { };
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return fail(errno);
    std::string folder = FolderOf(path);
    if (folder.empty())
        folder = path.starts_with('/') ? "/" : ".";
    std::string temp = JoinPath(folder, "." + FileNameOf(path) + ".XXXXXX");
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return fail(errno);
    const mode_t mask = umask(0);
    umask(mask);
    // A replaced file keeps its permissions, as a file rewritten in place would.
    const mode_t mode = exists ? existing.st_mode & 07777 : 0666 & ~mask;
    int error = 0;
    if (fchmod(fd, mode) != 0)
        error = errno;
    for (std::size_t done = 0; error == 0 && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        else
            done += static_cast<std::size_t>(n);
    }
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        return fail(error);
    }
    return true;
}

void OnMakePlayList(Session& session)
{
    TrackList& list = session.List();
    const int first = list.GetNextSelected(-1);
    if (first < 0) {
        session.Ui().MessageBox(kNothingSelected, "Oznaci nesto", MB_ICONINFORMATION);
        return;
    }
    // The dialog opens in the first selected row's folder and offers its Artist as the name
    // (a '/' cannot be part of a file name).
    std::string name = list.GetItemText(first, TrackList::ColArtist);
    std::replace(name.begin(), name.end(), '/', '-');
    const std::optional<std::string> path = session.Ui().SaveFileDialog(".m3u",
        JoinPath(list.GetItemText(first, TrackList::ColFolder), name),
        "M3U Play List (*.m3u)|*.m3u||");
    if (!path)
        return;
    std::string bytes = std::string("#EXTM3U") + kLineEnd;
    for (int row = first; row != -1; row = list.GetNextSelected(row)) {
        const std::string artist = list.GetItemText(row, TrackList::ColArtist);
        const std::string name = list.GetItemText(row, TrackList::ColName);
        if (!artist.empty() && !name.empty())
            bytes += "#EXTINF:," + artist + " - " + name + kLineEnd;
        bytes += JoinPath(list.GetItemText(row, TrackList::ColFolder),
                     list.GetItemText(row, TrackList::ColFile))
            + kLineEnd;
    }
    WriteOrReport(session, *path, bytes);
}

void OnExportTitles(Session& session)
{
    TrackList& list = session.List();
    const int first = list.GetNextSelected(-1);
    if (first < 0) {
        session.Ui().MessageBox(kNothingSelected, "Oznaci nesto", MB_ICONINFORMATION);
        return;
    }
    const std::optional<std::string> path = session.Ui().SaveFileDialog(".txt",
        JoinPath(list.GetItemText(first, TrackList::ColFolder), ""), "Text files (*.txt)|*.txt||");
    if (!path)
        return;
    std::string bytes;
    for (int row = first; row != -1; row = list.GetNextSelected(row)) {
        const std::string artist = list.GetItemText(row, TrackList::ColArtist);
        const std::string name = list.GetItemText(row, TrackList::ColName);
        if (!artist.empty() && !name.empty())
            bytes += artist + " - " + name + kLineEnd;
    }
    WriteOrReport(session, *path, bytes);
}
