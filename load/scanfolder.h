#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "load/foundfile.h"
#include "session/tracklist.h"

class CMp3File;

// Raised by the Loading dialog's Cancel (or the CLI on a signal); polled before every entry.
extern std::atomic<bool> g_bCancelScan;
// MP3 files found by the running walk.
extern std::atomic<int> g_nLoadedCount;

// The threads that read trailers during a load: a cold disk answers faster with many reads in
// flight.
constexpr int kTrailerReaders = 16;
// A trailer read slower than this may have waited for the disk (from the page cache it takes a
// few microseconds); after two in a row the next files go to the reader threads.
constexpr std::chrono::microseconds kDiskReadTime {50};

// Whether a walk reads each file's tag for its row, or gives rows with only the File and
// Folder cells (for a command that reads the files itself; on a cold disk the walk reads them
// after all, see kColdFolderTime).
enum class TagReads { kRead, kSkip };
// A folder listing slower than this came from the disk, not the cache (from the cache one of
// 50 files takes some 25 microseconds, one in a hundred over 100 when other work runs; from a
// disk mostly 250 and more); after kColdFoldersInARow of them a walk without tag reads reads
// them, with its readers, for the command that reads the files next to find them in the cache.
constexpr std::chrono::microseconds kColdFolderTime {200};
constexpr int kColdFoldersInARow = 3;

// Receives what the walk finds, on the walking thread.
class ScanSink {
public:
    virtual ~ScanSink() = default;
    // One MP3 file, the source of its row (RowDecoder) and of the Loading dialog's texts, and
    // g_nLoadedCount after it was counted.
    virtual void OnFile(const FoundFile& file, int loaded) = 0;
};

// Walks folder depth first in the order the file system returns the entries. Every file whose
// lower-cased extension is "mp3" is found, with its trailer (CMp3File::ReadTrailerAt, unless
// reads is kSkip) and its folder's text as passed here (sub-folders by the full path the walk
// built); every other folder is walked, and so is every symbolic link to a folder, each folder
// (by device and inode) only once.
// Stops before the next entry of every level once g_bCancelScan is raised.
// With more than one reader, once two reads in a row are slower than diskRead, that many threads
// read the trailers with several reads in flight while the walk goes on; the sink still gets the
// same files in the same order, on the walking thread, and none after a cancel. Every reader has
// ended when ScanFolder returns.
void ScanFolder(std::string folder, ScanSink& sink, int readers = kTrailerReaders,
    std::chrono::microseconds diskRead = kDiskReadTime, TagReads reads = TagReads::kRead);

// The row of a loaded file: its name, the five texts of its record (moved out of it, to be
// refilled by the next Load), its folder and genre name; the row a walk gives the same file.
TrackList::Cells RowOfFile(CMp3File&& file, const std::string& name, const std::string& folder);
