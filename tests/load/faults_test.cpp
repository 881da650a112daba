// Folder trees that try the walk: link loops, unreadable folders, paths near and past the
// system's limit, names that are not UTF-8 or hold newlines or leading dashes. The walk must
// end, list what it can reach, and the rows it gives must address their files for a command.
#include <algorithm>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include "edit/removeid3v2.h"
#include "edit/renamecommands.h"
#include "edit/tagcommands.h"
#include "load/rowdecoder.h"
#include "load/scanfolder.h"
#include "load/scanworker.h"
#include "platform/path.h"
#include "res/resource.h"
#include "session/batch.h"
#include "session/selectioncommands.h"
#include "session/session.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"
#include "support/unprivileged.h"

namespace {

class ToSession final : public ScanSink {
public:
    explicit ToSession(Session& session) : m_session(session) { }
    void OnFile(const FoundFile& file, int) override
    {
        m_session.List().AddRow(CellsOfFound(file));
    }

private:
    Session& m_session;
};

class ScanFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetBatchPause(false);
        SetRowFailureHandler(
            [this](const std::string& path, const std::string&) { m_failures.push_back(path); });
    }
    void TearDown() override { SetRowFailureHandler(nullptr); }

    void Scan(const std::string& folder)
    {
        g_bCancelScan = false;
        g_nLoadedCount = 0;
        ToSession sink(m_session);
        ScanFolder(folder, sink);
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < m_list.GetItemCount(); ++row)
            names.push_back(m_list.GetItemText(row, TrackList::ColFile));
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string PathOfRow(const std::string& name) const
    {
        for (int row = 0; row < m_list.GetItemCount(); ++row) {
            if (m_list.GetItemText(row, TrackList::ColFile) == name)
                return RowPath(m_list, row);
        }
        return {};
    }
    void SetArtistOfAll(const std::string& artist)
    {
        OnSelectAll(m_session);
        m_ui.AnswerInput(artist);
        OnChangeTagField(m_session, ID_TAG_ARTIST);
    }

    TempDir m_dir;
    ScriptedUi m_ui;
    Session m_session {m_ui};
    TrackList& m_list = m_session.List();
    std::vector<std::string> m_failures;
};

const std::string kAudio = FakeAudio(2000);

std::string Song(const std::string& title)
{
    return kAudio + Id3v1Bytes(title, "Old", "", "", "", 1);
}

std::string Retagged(const std::string& title, const std::string& artist)
{
    return kAudio + Id3v1Bytes(title, artist, "", "", "", 1);
}

} // namespace

TEST_F(ScanFaults, LinkLoopsDanglingLinksAndLinksToFoldersNamedLikeSongs)
{
    const std::string top = m_dir / "top";
    MakeFolder(top + "/a/b");
    WriteFileBytes(top + "/a/b/song.mp3", Song("Song"));
    // Folders that link to each other and to the top, a link chain that never resolves, a
    // dangling link and a link to a folder, both named like songs.
    ASSERT_EQ(symlink("../..", (top + "/a/b/up").c_str()), 0);
    ASSERT_EQ(symlink((top + "/a").c_str(), (top + "/a/b/side").c_str()), 0);
    ASSERT_EQ(symlink("loop2.mp3", (top + "/loop1.mp3").c_str()), 0);
    ASSERT_EQ(symlink("loop1.mp3", (top + "/loop2.mp3").c_str()), 0);
    ASSERT_EQ(symlink("nowhere.mp3", (top + "/dangling.mp3").c_str()), 0);
    ASSERT_EQ(symlink((top + "/a").c_str(), (top + "/folder.mp3").c_str()), 0);
    // A link to a real file is a file of the list.
    ASSERT_EQ(symlink("a/b/song.mp3", (top + "/alias.mp3").c_str()), 0);

    Scan(top);
    // Links that resolve to no file still get rows (the walk lists names); a link to a folder
    // is walked, never listed, and no folder is entered twice.
    EXPECT_EQ(Files(),
        (std::vector<std::string> {
            "alias.mp3", "dangling.mp3", "loop1.mp3", "loop2.mp3", "song.mp3"}));

    SetArtistOfAll("New");
    EXPECT_EQ(ReadFileBytes(top + "/a/b/song.mp3"), Retagged("Song", "New"));
    std::sort(m_failures.begin(), m_failures.end());
    EXPECT_EQ(m_failures,
        (std::vector<std::string> {top + "/dangling.mp3", top + "/loop1.mp3", top + "/loop2.mp3"}));
    // Nothing was created behind the dangling link.
    EXPECT_FALSE(PathExists(top + "/nowhere.mp3"));

    m_failures.clear();
    OnRemoveId3v2(m_session);
    EXPECT_EQ(ReadFileBytes(top + "/a/b/song.mp3"), Retagged("Song", "New"));
    struct stat st { };
    ASSERT_EQ(lstat((top + "/alias.mp3").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

TEST_F(ScanFaults, UnreadableFoldersAreSkippedAndTheirSiblingsListed)
{
    Unprivileged user;
    if (!user.PermissionsApply())
        GTEST_SKIP() << "file permissions do not apply to this process";
    const std::string top = m_dir / "top";
    for (const char* folder : {"/closed", "/noexec", "/open"}) {
        MakeFolder(top + folder);
        WriteFileBytes(top + folder + "/in.mp3", Song(folder + 1));
    }
    ASSERT_EQ(chmod((top + "/closed").c_str(), 0), 0);
    // Listable but not enterable: the name is seen, the file cannot be opened.
    ASSERT_EQ(chmod((top + "/noexec").c_str(), 0644), 0);
    WriteFileBytes(top + "/top.mp3", Song("Top"));
    Scan(top);
    EXPECT_EQ(Files(), (std::vector<std::string> {"in.mp3", "in.mp3", "top.mp3"}));
    SetArtistOfAll("New");
    EXPECT_EQ(m_failures, std::vector<std::string> {top + "/noexec/in.mp3"});
    EXPECT_EQ(ReadFileBytes(top + "/open/in.mp3"), Retagged("open", "New"));
    EXPECT_EQ(ReadFileBytes(top + "/top.mp3"), Retagged("Top", "New"));
    chmod((top + "/noexec").c_str(), 0755);
    chmod((top + "/closed").c_str(), 0755);
    EXPECT_EQ(ReadFileBytes(top + "/noexec/in.mp3"), Song("noexec"));
    EXPECT_EQ(ReadFileBytes(top + "/closed/in.mp3"), Song("closed"));
}

TEST_F(ScanFaults, PathsNearAndBeyondTheSystemLimit)
{
    // Folders of 200 bytes each: a song whose path is about 4,000 bytes long, then deeper
    // folders whose paths pass PATH_MAX (4,096) and cannot be named by the system.
    const std::string segment(200, 'd');
    std::string near = m_dir.Path();
    while (near.size() + segment.size() + 1 <= 3800)
        near += "/" + segment;
    if (near.size() + 1 < 3800)
        near += "/" + std::string(3800 - near.size() - 1, 'e');
    MakeFolder(near);
    const std::string nearSong = near + "/" + std::string(195, 's') + ".mp3";
    ASSERT_EQ(nearSong.size(), 4000u);
    ASSERT_LT(nearSong.size(), static_cast<std::size_t>(PATH_MAX));
    WriteFileBytes(nearSong, Song("Near"));

    // The deeper part is made relative to an open folder, as no single path can reach it.
    int fd = open(near.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    for (int level = 0; level < 2; ++level) {
        ASSERT_EQ(mkdirat(fd, segment.c_str(), 0755), 0);
        const int next = openat(fd, segment.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(fd);
        ASSERT_GE(next, 0);
        fd = next;
    }
    const int song = openat(fd, "deep.mp3", O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(song, 0);
    const std::string bytes = Song("Deep");
    ASSERT_EQ(write(song, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(song);
    close(fd);
    // The removal of the temporary folder cannot name the deepest entries either.
    struct CleanDeep {
        std::string near, segment;
        ~CleanDeep()
        {
            const int top = open(near.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const int mid = openat(top, segment.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const int low = openat(mid, segment.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            unlinkat(low, "deep.mp3", 0);
            unlinkat(mid, segment.c_str(), AT_REMOVEDIR);
            unlinkat(top, segment.c_str(), AT_REMOVEDIR);
            for (int open : {low, mid, top})
                close(open);
        }
    } clean {near, segment};

    Scan(m_dir.Path());
    // The song within the limit is listed with its tag; the one beyond is out of reach.
    ASSERT_EQ(Files(), std::vector<std::string> {FileNameOf(nearSong)});
    EXPECT_EQ(m_list.GetItemText(0, TrackList::ColName), "Near");
    EXPECT_EQ(PathOfRow(FileNameOf(nearSong)), nearSong);
    SetArtistOfAll("Long");
    EXPECT_TRUE(m_failures.empty());
    EXPECT_EQ(ReadFileBytes(nearSong), Retagged("Near", "Long"));
    const std::string head = std::string("ID3\x03\0\0\0\0\0\x10", 10) + std::string(16, 'h');
    WriteFileBytes(nearSong, head + Retagged("Near", "Long"));
    OnRemoveId3v2(m_session);
    EXPECT_TRUE(m_failures.empty());
    EXPECT_EQ(ReadFileBytes(nearSong), Retagged("Near", "Long"));
}

TEST_F(ScanFaults, NamesWithInvalidUtf8NewlinesAndLeadingDashes)
{
    const std::vector<std::string> names {"\xff\xfe bad \xc3.mp3", "two\nlines.mp3", "-rf.mp3",
        "--help.mp3", " spaced .mp3", "tab\there.MP3"};
    const std::string top = m_dir / "-top\n\xe9";
    MakeFolder(top);
    for (const std::string& name : names)
        WriteFileBytes(top + "/" + name, Song("T"));
    Scan(top);
    std::vector<std::string> expected = names;
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(Files(), expected);
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        EXPECT_EQ(m_list.GetItemText(row, TrackList::ColFolder), top);

    SetArtistOfAll("A\xff");
    EXPECT_TRUE(m_failures.empty());
    for (const std::string& name : names)
        EXPECT_EQ(ReadFileBytes(top + "/" + name).substr(0, kAudio.size()), kAudio) << name;

    // Renamed after their (odd) names: each file keeps its bytes under the new name.
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        m_list.SetItemText(row, TrackList::ColName, "-n\n" + std::to_string(row));
    const std::string before = ReadFileBytes(top + "/-rf.mp3");
    const int rfRow = [&] {
        for (int row = 0; row < m_list.GetItemCount(); ++row) {
            if (m_list.GetItemText(row, TrackList::ColFile) == "-rf.mp3")
                return row;
        }
        return -1;
    }();
    OnNameToFileName(m_session);
    EXPECT_TRUE(m_failures.empty());
    EXPECT_EQ(ReadFileBytes(top + "/-n\n" + std::to_string(rfRow) + ".mp3"), before);
    for (const std::string& name : names)
        EXPECT_FALSE(PathExists(top + "/" + name)) << name;
}

// The walk recurses once per level: a tree as deep as a path can reach (2,000 levels of
// one-letter folders) must fit the stack of the scan thread as well as the main thread's.
TEST_F(ScanFaults, TheDeepestTreeAPathCanNameOnTheScanThread)
{
    std::string deep = m_dir / "t";
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    while (deep.size() + 2 < 4000) {
        deep += "/a";
        ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    }
    WriteFileBytes(deep + "/bottom.mp3", Song("Bottom"));
    WriteFileBytes(m_dir / "t/top.mp3", Song("Top"));

    Scan(m_dir / "t");
    EXPECT_EQ(Files(), (std::vector<std::string> {"bottom.mp3", "top.mp3"}));

    ScanWorker worker;
    std::vector<TrackList::Cells> rows;
    worker.Start([this](ScanSink& sink) { ScanFolder(m_dir / "t", sink); });
    QElapsedTimer timer;
    timer.start();
    bool more = true;
    while (more && timer.elapsed() < 60000) {
        FoundBatch batch;
        more = worker.TakeFiles(batch, std::chrono::milliseconds(50));
        for (std::size_t i = 0; i < batch.Size(); ++i)
            rows.push_back(CellsOfFound(batch.At(i)));
    }
    EXPECT_FALSE(more);
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows) {
        if (row[TrackList::ColFile] == "bottom.mp3") {
            EXPECT_EQ(row[TrackList::ColFolder], deep);
            EXPECT_EQ(row[TrackList::ColName], "Bottom");
        }
    }
}
