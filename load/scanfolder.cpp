#include "load/scanfolder.h"

#include <memory>
#include <set>
#include <string_view>
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

// What a walk keeps across its folders.
struct WalkState {
    ScanSink& sink;
    TrailerReaders* readers;
    TagReads reads;
    // Folders reached again through a symbolic link are not entered a second time, so a link
    // loop ends and no file is listed twice.
    std::set<FolderId> entered;
    // Folder listings in a row that took the disk's time.
    int slowFolders = 0;
    // The trailer of the file read last on the walking thread.
    Id3v1Block trailer {};
};

// A name whose extension, lower-cased, is "mp3": the test ExtensionOf gives the file's path (a
// name that is only ".mp3" counts, as its dot does not start the path). No other letters lower
// to those of "mp3".
bool IsSongName(std::string_view name)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return name.size() >= 4 && name[name.size() - 4] == '.' && lower(name[name.size() - 3]) == 'm'
        && lower(name[name.size() - 2]) == 'p' && name.back() == '3';
}

// Opens folder's listing. A walk without tag reads reads them after all once a few listings in
// a row came from the disk: on a cold disk the command's own reads, one by one, would then wait
// for it each time, while the walk's readers have many reads in flight.
bool OpenListing(CFileFind& finder, const std::string& folder, WalkState& state)
{
    const auto start = std::chrono::steady_clock::now();
    const bool opened = finder.FindFile(JoinPath(folder, "*.*"));
    if (state.reads == TagReads::kSkip) {
        const bool slow = std::chrono::steady_clock::now() - start > kColdFolderTime;
        state.slowFolders = slow ? state.slowFolders + 1 : 0;
        if (state.slowFolders == kColdFoldersInARow)
            state.reads = TagReads::kRead;
    }
    return opened;
}

// The walk of ScanFolder. With readers, the trailers are read there; without, here, one after
// the other.
void Walk(const std::string& folder, WalkState& state)
{
    CFileFind finder;
    if (!OpenListing(finder, folder, state))
        return;
    struct stat st;
    if (::fstat(finder.FolderDescriptor(), &st) == 0
        && !state.entered.insert({st.st_dev, st.st_ino}).second)
        return;
    // The folder's text for the rows of its files, made at the first of them.
    FolderText folderText;
    // The folder's descriptor for the reader threads, made when they first need it.
    TrailerReaders::SharedFolder shared;
    bool more = true;
    while (more && !g_bCancelScan.load(std::memory_order_relaxed)) {
        more = finder.FindNextFile();
        const std::string& name = finder.GetFileName();
        // A link to a folder is walked like the folder, never listed as a song, even when its
        // name ends in ".mp3".
        if (finder.IsSymlinkToDirectory()) {
            Walk(finder.GetFilePath(), state);
            continue;
        }
        if (!finder.IsDirectory() && IsSongName(name)) {
            if (!folderText)
                folderText = std::make_shared<const std::string>(folder);
            if (state.reads == TagReads::kRead && state.readers) {
                state.readers->Read(finder.FolderDescriptor(), shared, name, folderText);
                continue;
            }
            // Without tag reads the row stays blank: no texts, no genre.
            const bool read = state.reads == TagReads::kRead
                && CMp3File::ReadTrailerAt(finder.FolderDescriptor(), folder, name, state.trailer);
            const int loaded = g_nLoadedCount.fetch_add(1, std::memory_order_relaxed) + 1;
            state.sink.OnFile({name, folderText, read ? &state.trailer : nullptr}, loaded);
        } else if (finder.IsDirectory() && !finder.IsDots()) {
            Walk(finder.GetFilePath(), state);
        }
    }
}

} // namespace

void ScanFolder(std::string folder, ScanSink& sink, int readers, std::chrono::microseconds diskRead,
    TagReads reads)
{
    if (readers <= 1) {
        WalkState state {sink, nullptr, reads, {}, 0, {}};
        Walk(folder, state);
        return;
    }
    // Rows without tag reads go to the sink at once while no read is in flight; once the walk
    // reads tags it never goes back, so the pool keeps the rows in walk order.
    TrailerReaders pool(sink, readers, kReadWindow, diskRead);
    WalkState state {sink, &pool, reads, {}, 0, {}};
    Walk(folder, state);
    pool.Finish();
}
