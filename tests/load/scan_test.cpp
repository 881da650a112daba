#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include "load/rowdecoder.h"
#include "load/scanfolder.h"
#include "load/scanworker.h"
#include "model/mp3file.h"
#include "platform/codepage.h"
#include "support/fixtures.h"

namespace {

struct Found {
    TrackList::Cells row;
    std::string folder;
    std::string file;
    int loaded;
};

class Collect final : public ScanSink {
public:
    void OnFile(const FoundFile& file, int loaded) override
    {
        found.push_back({CellsOfFound(file), *file.m_folder, std::string(file.m_strName), loaded});
        if (cancelAfter > 0 && static_cast<int>(found.size()) == cancelAfter)
            g_bCancelScan = true;
    }
    std::vector<Found> found;
    int cancelAfter = 0;
};

std::vector<Found> Scan(
    const std::string& folder, int cancelAfter = 0, int readers = kTrailerReaders)
{
    g_bCancelScan = false;
    g_nLoadedCount = 0;
    Collect sink;
    sink.cancelAfter = cancelAfter;
    // Every read but one in 257 goes to the threads, however fast the disk answers.
    ScanFolder(folder, sink, readers, std::chrono::microseconds(0));
    g_bCancelScan = false;
    return sink.found;
}

// Name -> row of every file found.
std::map<std::string, TrackList::Cells> ByName(const std::vector<Found>& found)
{
    std::map<std::string, TrackList::Cells> rows;
    for (const Found& f : found)
        rows[f.row[TrackList::ColFile]] = f.row;
    return rows;
}

std::string Tagged(const std::string& title, const std::string& artist, std::uint8_t genre)
{
    return FakeAudio(4000) + Id3v1Bytes(title, artist, "Album", "1999", "Note", genre);
}

} // namespace

TEST(ScanFolder, ListsMp3FilesOfEveryLevelWithTheirFolderAndTag)
{
    TempDir dir;
    MakeFolder(dir / "a");
    MakeFolder(dir / "a/b");
    MakeFolder(dir / "x.mp3");
    WriteFileBytes(dir / "top.mp3", Tagged("Top", "Zdravko", 17));
    WriteFileBytes(dir / "a/LOUD.MP3", Tagged("Loud", "Hari", 0));
    WriteFileBytes(dir / "a/b/Mixed.Mp3", FakeAudio(4000));
    WriteFileBytes(dir / "a/b/keep.mp3.bak", Tagged("Bak", "No", 1));
    WriteFileBytes(dir / "a/notes.txt", "text");
    WriteFileBytes(dir / "x.mp3/inner.mp3", Tagged("Inner", "Dino", 255));

    auto found = Scan(dir.Path());
    auto rows = ByName(found);
    ASSERT_EQ(found.size(), 4u);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_FALSE(rows.count("x.mp3"));
    EXPECT_FALSE(rows.count("keep.mp3.bak"));

    const auto& top = rows.at("top.mp3");
    EXPECT_EQ(top[TrackList::ColFolder], dir.Path());
    EXPECT_EQ(top[TrackList::ColName], "Top");
    EXPECT_EQ(top[TrackList::ColArtist], "Zdravko");
    EXPECT_EQ(top[TrackList::ColAlbum], "Album");
    EXPECT_EQ(top[TrackList::ColYear], "1999");
    EXPECT_EQ(top[TrackList::ColComment], "Note");
    EXPECT_EQ(top[TrackList::ColGenre], "Rock");
    EXPECT_EQ(rows.at("LOUD.MP3")[TrackList::ColFolder], dir / "a");
    EXPECT_EQ(rows.at("LOUD.MP3")[TrackList::ColGenre], "Blues");
    // No trailer: empty texts and the blank genre.
    EXPECT_EQ(rows.at("Mixed.Mp3")[TrackList::ColFolder], dir / "a/b");
    EXPECT_EQ(rows.at("Mixed.Mp3")[TrackList::ColName], "");
    EXPECT_EQ(rows.at("Mixed.Mp3")[TrackList::ColGenre], " ");
    EXPECT_EQ(rows.at("inner.mp3")[TrackList::ColFolder], dir / "x.mp3");

    // The progress texts name each file's folder and name; the count runs 1..n.
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].loaded, static_cast<int>(i) + 1);
        EXPECT_EQ(found[i].file, found[i].row[TrackList::ColFile]);
        EXPECT_EQ(found[i].folder, found[i].row[TrackList::ColFolder]);
    }
    EXPECT_EQ(g_nLoadedCount.load(), 4);
}

TEST(ScanFolder, TopFolderTextIsKeptAsGivenAndWalkIsDepthFirst)
{
    TempDir dir;
    MakeFolder(dir / "sub");
    WriteFileBytes(dir / "sub/one.mp3", FakeAudio(300));
    WriteFileBytes(dir / "two.mp3", FakeAudio(300));
    WriteFileBytes(dir / "sub/three.mp3", FakeAudio(300));

    auto found = Scan(dir.Path() + "/");
    ASSERT_EQ(found.size(), 3u);
    for (const Found& f : found) {
        if (f.row[TrackList::ColFile] == "two.mp3")
            EXPECT_EQ(f.row[TrackList::ColFolder], dir.Path() + "/");
        else
            EXPECT_EQ(f.row[TrackList::ColFolder], dir / "sub");
    }
    // The two files of the sub-folder come one right after the other.
    auto pos = [&](const std::string& name) {
        return std::find_if(found.begin(), found.end(), [&](const Found& f) {
            return f.row[TrackList::ColFile] == name;
        }) - found.begin();
    };
    EXPECT_EQ(std::abs(pos("one.mp3") - pos("three.mp3")), 1);
}

TEST(ScanFolder, MissingEmptyAndUnreadableFoldersGiveNoRowsAndALinkLoopEnds)
{
    TempDir dir;
    EXPECT_TRUE(Scan(dir / "missing").empty());
    MakeFolder(dir / "empty");
    EXPECT_TRUE(Scan(dir / "empty").empty());
    // A link back up leads into folders the walk has entered already.
    MakeFolder(dir / "loop");
    WriteFileBytes(dir / "loop/song.mp3", FakeAudio(300));
    ASSERT_EQ(::symlink(dir.Path().c_str(), (dir / "loop/up").c_str()), 0);
    auto found = Scan(dir / "loop");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].row[TrackList::ColFile], "song.mp3");

    // An unreadable sub-folder is skipped (root reads everything, so only check no crash).
    MakeFolder(dir / "loop/closed");
    WriteFileBytes(dir / "loop/closed/hidden.mp3", FakeAudio(300));
    ::chmod((dir / "loop/closed").c_str(), 0);
    auto again = Scan(dir / "loop");
    EXPECT_GE(again.size(), 1u);
    ::chmod((dir / "loop/closed").c_str(), 0755);
}

TEST(ScanFolder, LinksToFoldersAreWalkedAndEveryFolderOnlyOnce)
{
    TempDir dir;
    MakeFolder(dir / "top/real");
    MakeFolder(dir / "elsewhere/deep");
    WriteFileBytes(dir / "top/real/a.mp3", FakeAudio(300));
    WriteFileBytes(dir / "elsewhere/deep/b.mp3", FakeAudio(300));
    // A folder outside the tree, one the walk also reaches directly, a loop back to the top
    // and a loop inside the linked folder.
    ASSERT_EQ(::symlink((dir / "elsewhere").c_str(), (dir / "top/outside.mp3").c_str()), 0);
    ASSERT_EQ(::symlink("real", (dir / "top/again").c_str()), 0);
    ASSERT_EQ(::symlink("..", (dir / "top/real/up").c_str()), 0);
    ASSERT_EQ(::symlink("..", (dir / "elsewhere/deep/self").c_str()), 0);
    const auto found = Scan(dir / "top");
    ASSERT_EQ(found.size(), 2u);
    const auto rows = ByName(found);
    ASSERT_EQ(rows.count("a.mp3"), 1u);
    EXPECT_TRUE(rows.at("a.mp3")[TrackList::ColFolder] == dir / "top/real"
        || rows.at("a.mp3")[TrackList::ColFolder] == dir / "top/again");
    ASSERT_EQ(rows.count("b.mp3"), 1u);
    EXPECT_EQ(rows.at("b.mp3")[TrackList::ColFolder], dir / "top/outside.mp3/deep");
}

TEST(ScanFolder, ParallelReadsGiveTheRowsOfTheSingleThreadedWalkInItsOrder)
{
    // Equal names in every folder, and tagged, untagged, short and empty files, more of them
    // than wait between the walk and the list at once.
    TempDir dir;
    const std::vector<std::string> bodies = {Tagged("Title", "Artist", 17),
        Tagged("Other", "Someone", 200), FakeAudio(4000), std::string(100, 'x'),
        std::string("TAG") + std::string(60, 'y'), std::string(), Tagged("Z", "", 255).substr(3)};
    int n = 0;
    for (int f = 0; f < 12; ++f) {
        const std::string folder = dir / ("f" + std::to_string(f));
        MakeFolder(folder);
        MakeFolder(folder + "/inner");
        for (int i = 0; i < 60; ++i) {
            const std::string name = "song" + std::to_string(i) + ".mp3";
            const std::string& body = bodies[(n++ * 5 + f) % bodies.size()];
            WriteFileBytes(folder + "/" + name, body + Tagged(name, folder, i));
            WriteFileBytes(folder + "/inner/" + name, body);
        }
    }
    const auto single = Scan(dir.Path(), 0, 1);
    ASSERT_EQ(single.size(), 12u * 120u);
    for (int readers : {2, 4, 16, 64}) {
        const auto parallel = Scan(dir.Path(), 0, readers);
        ASSERT_EQ(parallel.size(), single.size()) << readers << " readers";
        for (std::size_t i = 0; i < single.size(); ++i) {
            ASSERT_EQ(parallel[i].row, single[i].row) << readers << " readers, row " << i;
            ASSERT_EQ(parallel[i].folder, single[i].folder) << readers << " readers, row " << i;
            ASSERT_EQ(parallel[i].file, single[i].file) << readers << " readers, row " << i;
            ASSERT_EQ(parallel[i].loaded, static_cast<int>(i) + 1) << readers << " readers";
        }
    }
}

// The walk reads a trailer on its own, without a record: each row must still hold what a
// record's read of the same file gives, in every code page, whichever thread read it.
TEST(ScanFolder, RowsHoldWhatARecordReadOfTheFileGives)
{
    TempDir dir;
    const std::string high = "\xC0\xE8\xF0\x9A\x80\x98 \xD0\xB0";
    const std::string track = Id3v1Bytes("T", "A", "B", "2001", std::string(28, 'c'), 3);
    std::string trackTag = track;
    trackTag[125] = '\0';
    trackTag[126] = '\x07';
    const std::vector<std::pair<std::string, std::string>> files = {
        {"plain.mp3", Tagged("Title", "Artist", 17)},
        {"high.mp3", FakeAudio(500) + Id3v1Bytes(high, high + "  \t", high, "19\xE9", high, 80)},
        {"track.MP3", FakeAudio(500) + trackTag},
        {"padded.mp3", FakeAudio(500) + Id3v1Bytes("Sp  ", " x\t ", "", "", "  ", 254)},
        {"exactly200.mp3", FakeAudio(72) + Tagged("Short", "S", 1).substr(4000)},
        {"just201.mp3", FakeAudio(73) + Tagged("Long", "L", 2).substr(4000)},
        {"tiny.mp3", "TAG"},
        {"empty.mp3", ""},
        {"notag.mp3", FakeAudio(4000)},
        {".mp3", Tagged("Hidden", "H", 3)},
        {"target.txt", Tagged("Txt", "T", 4)},
    };
    for (const auto& [name, bytes] : files)
        WriteFileBytes(dir / name, bytes);
    ASSERT_EQ(::symlink("plain.mp3", (dir / "link.mp3").c_str()), 0);
    ASSERT_EQ(::symlink("target.txt", (dir / "totext.mp3").c_str()), 0);
    ASSERT_EQ(::symlink("missing.mp3", (dir / "dangling.mp3").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "pipe.mp3").c_str(), 0644), 0);

    for (const char* codePage : {"windows-1250", "windows-1251", "UTF-8", "GB18030"}) {
        ASSERT_TRUE(TagCodePage::Set(codePage));
        for (int readers : {1, 16}) {
            const auto found = Scan(dir.Path(), 0, readers);
            ASSERT_EQ(found.size(), 14u) << codePage;
            for (const Found& f : found) {
                CMp3File record;
                record.Load(dir / f.file);
                EXPECT_EQ(f.row, RowOfFile(std::move(record), f.file, dir.Path()))
                    << codePage << ", " << readers << " readers, " << f.file;
            }
        }
    }
    TagCodePage::Set("windows-1250");
}

TEST(ScanFolder, CancelStopsEveryLevelAndKeepsTheRowsSoFar)
{
    TempDir dir;
    for (int f = 0; f < 3; ++f) {
        std::string folder = dir / ("f" + std::to_string(f));
        MakeFolder(folder);
        MakeFolder(folder + "/deeper");
        for (int i = 0; i < 10; ++i) {
            WriteFileBytes(folder + "/s" + std::to_string(i) + ".mp3", FakeAudio(300));
            WriteFileBytes(folder + "/deeper/d" + std::to_string(i) + ".mp3", FakeAudio(300));
        }
    }
    auto found = Scan(dir.Path(), 7);
    EXPECT_EQ(found.size(), 7u);
    EXPECT_EQ(g_nLoadedCount.load(), 7);
    EXPECT_EQ(found.back().loaded, 7);
}

namespace {

ScanWorker::Walk WalkOf(const std::string& folder)
{
    return [folder](ScanSink& sink) { ScanFolder(folder, sink); };
}

// Runs a worker over folder and takes its rows until the end; returns the rows in arrival
// order, the number of batches, whether the end came and the wakes of the walking thread.
struct WorkerRun {
    std::vector<TrackList::Cells> rows;
    int batches = 0;
    int finishes = 0;
    int wakes = 0;
};

WorkerRun RunWorker(const std::string& folder, bool waitBeforeTaking)
{
    WorkerRun run;
    std::atomic<int> wakes {0};
    ScanWorker worker;
    worker.Start(WalkOf(folder), [&wakes] { ++wakes; });
    // The walk may end before anyone takes a row: its end must still arrive.
    if (waitBeforeTaking)
        worker.Wait();
    QElapsedTimer timer;
    timer.start();
    FoundBatch files;
    bool more = true;
    while (more && timer.elapsed() < 20000) {
        more = worker.TakeFiles(files, std::chrono::milliseconds(50));
        run.batches += files.IsEmpty() ? 0 : 1;
        for (std::size_t i = 0; i < files.Size(); ++i)
            run.rows.push_back(CellsOfFound(files.At(i)));
    }
    run.finishes = more ? 0 : 1;
    // The end, once seen, stays: no rows come after it.
    EXPECT_FALSE(worker.TakeFiles(files, std::chrono::milliseconds(0)));
    EXPECT_TRUE(files.IsEmpty()) << "rows after the end";
    worker.Wait();
    run.wakes = wakes;
    return run;
}

} // namespace

TEST(ScanWorker, DeliversEveryRowInBatchesThenTheEndExactlyOnce)
{
    TempDir dir;
    for (int f = 0; f < 6; ++f) {
        std::string folder = dir / ("f" + std::to_string(f));
        MakeFolder(folder);
        for (int i = 0; i < 100; ++i)
            WriteFileBytes(folder + "/t" + std::to_string(i) + ".mp3", FakeAudio(250));
    }
    WorkerRun run = RunWorker(dir.Path(), false);
    EXPECT_EQ(run.finishes, 1);
    EXPECT_EQ(run.rows.size(), 600u);
    // Never one hand-over per row, and no batch larger than the limit; the walking thread
    // tells of each batch and of the end.
    EXPECT_GE(run.batches, 3);
    EXPECT_LE(run.batches, 600 / 2);
    EXPECT_GE(run.wakes, 3);
    EXPECT_LE(run.wakes, 600 / 2 + 1);
    std::set<std::string> unique;
    for (const auto& row : run.rows)
        unique.insert(row[TrackList::ColFolder] + "/" + row[TrackList::ColFile]);
    EXPECT_EQ(unique.size(), 600u);
}

TEST(ScanWorker, AnEndBeforeTheReceiverWaitsIsNotLost)
{
    TempDir dir;
    WorkerRun empty = RunWorker(dir / "missing", true);
    EXPECT_EQ(empty.finishes, 1);
    EXPECT_TRUE(empty.rows.empty());

    WriteFileBytes(dir / "one.mp3", FakeAudio(300));
    WorkerRun one = RunWorker(dir.Path(), true);
    EXPECT_EQ(one.finishes, 1);
    EXPECT_EQ(one.rows.size(), 1u);
}

TEST(ScanWorker, ProgressNamesTheLastFileAndCancelFromAnotherThreadStops)
{
    TempDir dir;
    for (int i = 0; i < 2000; ++i)
        WriteFileBytes(dir / ("n" + std::to_string(i) + ".mp3"), FakeAudio(250));
    ScanWorker worker;
    worker.Start(WalkOf(dir.Path()));
    g_bCancelScan = true;
    worker.Wait();
    std::size_t received = 0;
    FoundBatch files;
    for (bool more = true; more;) {
        more = worker.TakeFiles(files, std::chrono::milliseconds(0));
        received += files.Size();
    }
    const int loaded = g_nLoadedCount.load();
    EXPECT_LT(loaded, 2000);
    EXPECT_EQ(received, static_cast<std::size_t>(loaded));
    ScanWorker::Progress progress = worker.CurrentProgress();
    EXPECT_EQ(progress.m_nLoaded, loaded);
    if (loaded > 0) {
        EXPECT_EQ(progress.m_strFolder, dir.Path());
        EXPECT_EQ(progress.m_strFile.substr(0, 1), "n");
    }

    // A new start clears the flag and walks everything.
    worker.Start(WalkOf(dir.Path()));
    worker.Wait();
    EXPECT_EQ(g_nLoadedCount.load(), 2000);
    EXPECT_EQ(worker.CurrentProgress().m_nLoaded, 2000);
}
