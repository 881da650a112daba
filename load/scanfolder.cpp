#include "load/scanfolder.h"

#include <set>
#include <sys/stat.h>
#include <utility>

#include "load/trailerreaders.h"
#include "model/genres.h"
#include "model/mp3file.h"
#include "platform/filefind.h"
#include "platform/path.h"

std::atomic<bool> g_bCancelScan {false};
std::atomic<int> g_nLoadedCount {0};

TrackList::Cells RowOfFile(CMp3File&& file, const std::string& name, const std::string& folder)
{
    TrackList::Cells cells;
    cells[TrackList::ColFile] = name;
    cells[TrackList::ColArtist] = std::move(file.m_strArtist);
    cells[TrackList::ColAlbum] = std::move(file.m_strAlbum);
    cells[TrackList::ColName] = std::move(file.m_strTitle);
    cells[TrackList::ColYear] = std::move(file.m_strYear);
    cells[TrackList::ColComment] = std::move(file.m_strComment);
    cells[TrackList::ColFolder] = folder;
    cells[TrackList::ColGenre] = GenreName(static_cast<signed char>(file.m_byGenre));
    return cells;
}

namespace {

// A folder by its device and inode, however it was reached.
using FolderId = std::pair<dev_t, ino_t>;

// How many files may wait between the walk and the sink while their trailers are read.
constexpr std::size_t kReadWindow = 256;

// The walk of ScanFolder; a folder already in entered (reached again through a symbolic link)
// is not entered a second time, so a link loop ends and no file is listed twice. With readers,
// the trailers are read there; without, here, one after the other.
void Walk(const std::string& folder, ScanSink& sink, std::set<FolderId>& entered,
    TrailerReaders* readers, TagReads reads)
{
    CFileFind finder;
    if (!finder.FindFile(JoinPath(folder, "*.*")))
        return;
    struct stat st;
    if (::fstat(finder.FolderDescriptor(), &st) == 0
        && !entered.insert({st.st_dev, st.st_ino}).second)
        return;
    // One record serves every file of this level; its texts are refilled by each tag read.
    CMp3File file;
    // The folder's descriptor for the reader threads, made when they first need it.
    TrailerReaders::SharedFolder shared;
    bool more = true;
    while (more && !g_bCancelScan.load(std::memory_order_relaxed)) {
        more = finder.FindNextFile();
        const std::string name = finder.GetFileName();
        const std::string path = finder.GetFilePath();
        // A link to a folder is walked like the folder, never listed as a song, even when its
        // name ends in ".mp3".
        if (finder.IsSymlinkToDirectory()) {
            Walk(path, sink, entered, readers, reads);
            continue;
        }
        if (!finder.IsDirectory() && ExtensionOf(path) == "mp3") {
            if (readers) {
                readers->Read(finder.FolderDescriptor(), shared, name, path, folder);
                continue;
            }
            // Without tag reads the record stays blank: no texts, no genre.
            if (reads == TagReads::kRead)
                file.Load(path, CMp3File::kRead, finder.FolderDescriptor(), name);
            const int loaded = g_nLoadedCount.fetch_add(1, std::memory_order_relaxed) + 1;
            sink.OnFile(RowOfFile(std::move(file), name, folder), folder, name, loaded);
        } else if (finder.IsDirectory() && !finder.IsDots()) {
            Walk(path, sink, entered, readers, reads);
        }
    }
}

} // namespace

void ScanFolder(std::string folder, ScanSink& sink, int readers, std::chrono::microseconds diskRead,
    TagReads reads)
{
    std::set<FolderId> entered;
    if (readers <= 1 || reads == TagReads::kSkip) {
        Walk(folder, sink, entered, nullptr, reads);
        return;
    }
    TrailerReaders pool(sink, readers, kReadWindow, diskRead);
    Walk(folder, sink, entered, &pool, reads);
    pool.Finish();
}
