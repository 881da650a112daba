// sonivar-cli end to end: the real binary over real files in temporary folders.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include "cli/listwriter.h"
#include "fileops/pathchecks.h"
#include "platform/codepage.h"
#include "support/fixtures.h"
#include "support/tmpfsmount.h"

namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

struct Tag {
    std::string title, artist, album, year, comment;
    int genre = 255;
};

std::string TrailerOf(const Tag& tag)
{
    return Id3v1Bytes(tag.title, tag.artist, tag.album, tag.year, tag.comment,
        static_cast<std::uint8_t>(tag.genre));
}

std::string LastBytes(const std::string& bytes, std::size_t count)
{
    return bytes.size() < count ? bytes : bytes.substr(bytes.size() - count);
}

// Every entry under a folder with its bytes, mode and modification time.
std::map<std::string, std::string> Snapshot(const std::string& root)
{
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        struct stat st;
        ::lstat(entry.path().c_str(), &st);
        std::string state = std::to_string(st.st_mode) + ":" + std::to_string(st.st_mtim.tv_sec)
            + "." + std::to_string(st.st_mtim.tv_nsec);
        if (entry.is_regular_file())
            state += ":" + ReadFileBytes(entry.path());
        entries[fs::relative(entry.path(), root)] = state;
    }
    return entries;
}

// An ID3v2 tag of size bytes in all.
std::string Id3v2Bytes(std::uint32_t size)
{
    std::string tag = "ID3\x03";
    tag += std::string(2, '\0');
    const std::uint32_t body = size - 10;
    for (int shift = 21; shift >= 0; shift -= 7)
        tag += static_cast<char>((body >> shift) & 0x7F);
    return tag + std::string(body, 'x');
}

class SonivarCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_audio = ToneMp3Bytes(0.3);
        if (m_audio.empty())
            m_audio = FakeAudio(4000);
    }

    // With interruptAfterMs, the run gets SIGINT that long after it has started.
    CliRun Run(const std::vector<std::string>& args, int interruptAfterMs = -1)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(m_config.Path()));
        env.insert("XDG_DATA_HOME", QString::fromStdString(m_data.Path()));
        env.insert("LC_ALL", "C.UTF-8");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString(m_dir.Path()));
        QStringList list;
        for (const std::string& arg : args)
            list << QString::fromStdString(arg);
        process.start(SONIVAR_CLI, list);
        process.closeWriteChannel();
        if (interruptAfterMs >= 0 && process.waitForStarted()) {
            ::usleep(interruptAfterMs * 1000);
            ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        }
        CliRun run;
        if (!process.waitForFinished(60000))
            return run;
        run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput().toStdString();
        run.err = process.readAllStandardError().toStdString();
        return run;
    }

    // Writes an MP3 file (the tone, optionally after head bytes and before a trailer).
    void Add(const std::string& name, const std::string& trailer = {}, const std::string& head = {})
    {
        const std::string path = m_dir / name;
        fs::create_directories(fs::path(path).parent_path());
        WriteFileBytes(path, head + m_audio + trailer);
    }
    std::string Bytes(const std::string& name) { return ReadFileBytes(m_dir / name); }
    // The folder's path as the CLI's rows hold it (absolute, links resolved as getcwd does).
    std::string Dir() { return fs::canonical(m_dir.Path()); }
    std::string Trailer(const std::string& name) { return LastBytes(Bytes(name), 128); }
    void WriteSettings(const std::string& values)
    {
        fs::create_directories(m_config / "Sonivar");
        WriteFileBytes(m_config / "Sonivar/Sonivar.reg",
            "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Sonivar]\n" + values);
    }

    TempDir m_dir;
    TempDir m_config;
    TempDir m_data;
    std::string m_audio;
};

TEST_F(SonivarCli, ListWalksTheTreeAndPrintsEightCellsPerRow)
{
    Add("b.mp3", TrailerOf({"Name B", "Artist B", "Album B", "1999", "note", 17}));
    Add("a.MP3");
    Add("sub/deeper/c.mp3", TrailerOf({"Song", "X", "", "", "", 0}));
    Add("folder.mp3/inside.mp3");
    WriteFileBytes(m_dir / "cover.jpg", "not audio");
    WriteFileBytes(m_dir / "d.mp3.bak", m_audio);

    const CliRun run = Run({"list", "."});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Rows in the list's order (by file name), cells File, Artist, Name, Album, Year, Comment,
    // Genre, Folder; an untagged file shows the blank genre " ".
    // Folders are absolute, as the folder picker gives them.
    EXPECT_EQ(run.out,
        "a.MP3\t\t\t\t\t\t \t" + Dir() + "\n"
            + "b.mp3\tArtist B\tName B\tAlbum B\t1999\tnote\tRock\t" + Dir() + "\n"
            + "c.mp3\tX\tSong\t\t\t\tBlues\t" + Dir() + "/sub/deeper\n"
            + "inside.mp3\t\t\t\t\t\t \t" + Dir() + "/folder.mp3\n");
    EXPECT_EQ(Run({"list", "./sub/../sub//deeper/"}).out,
        "c.mp3\tX\tSong\t\t\t\tBlues\t" + Dir() + "/sub/../sub/deeper\n");

    // A file named on its own is taken as it is, whatever its extension; a folder path's
    // trailing slash is not doubled into the Folder cell.
    const CliRun files = Run({"list", "b.mp3", m_dir / "sub/"});
    EXPECT_EQ(files.status, 0) << files.err;
    EXPECT_EQ(files.out,
        "b.mp3\tArtist B\tName B\tAlbum B\t1999\tnote\tRock\t" + Dir() + "\n"
            + "c.mp3\tX\tSong\t\t\t\tBlues\t" + m_dir.Path() + "/sub/deeper\n");
}

TEST_F(SonivarCli, ListEscapesTabNewlineReturnAndBackslash)
{
    Add("tab\there.mp3");
    Add("new\nline.mp3");
    Add("cr\rret.mp3");
    Add("back\\slash.mp3", TrailerOf({"t\tt", "a\\b", "", "", "x\ny", 255}));
    const CliRun run = Run({"list", "."});
    EXPECT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::string> lines;
    std::size_t start = 0;
    int count = 0;
    for (std::size_t end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = run.out.substr(start, end - start);
        lines[line.substr(0, line.find('\t'))] = line;
        ++count;
    }
    EXPECT_EQ(count, 4);
    EXPECT_TRUE(lines.count("tab\\there.mp3"));
    EXPECT_TRUE(lines.count("new\\nline.mp3"));
    EXPECT_TRUE(lines.count("cr\\rret.mp3"));
    EXPECT_EQ(
        lines["back\\\\slash.mp3"], "back\\\\slash.mp3\ta\\\\b\tt\\tt\t\t\tx\\ny\t \t" + Dir());

    // Bytes the code page does not define print as \xHH, and stay as they are when another
    // field is set.
    Add("raw/r.mp3", TrailerOf({"\x81", "a\x98\\", "", "", "", 255}));
    const CliRun raw = Run({"list", "raw"});
    EXPECT_EQ(raw.out, "r.mp3\ta\\x98\\\\\t\\x81\t\t\t\t \t" + Dir() + "/raw\n");
    EXPECT_EQ(Run({"set", "year", "2024", "raw"}).status, 0);
    EXPECT_EQ(Trailer("raw/r.mp3"), TrailerOf({"\x81", "a\x98\\", "", "2024", "", 255}));
}

// The writer looks at texts eight bytes at a time: an escape must be found wherever it stands,
// and the bytes that only look like one (other control bytes, a private-use character that is
// no undefined byte, an undefined byte's mark outside a tag text) must stay as they are.
TEST(ListWriter, EscapesWhereverTheByteStandsInALongText)
{
    const std::vector<std::pair<std::string, std::string>> escapes = {{"\t", "\\t"}, {"\n", "\\n"},
        {"\r", "\\r"}, {"\\", "\\\\"}, {RawByteChar(0x98), "\\x98"},
        {"\x01\x0B\x0C\x0D\x0E", "\x01\x0B\x0C\\r\x0E"}, {"\xEE\x80\x80", "\xEE\x80\x80"}};
    for (const auto& [special, escaped] : escapes) {
        for (std::size_t at = 0; at <= 20; ++at) {
            const std::string before(at, 'a');
            const std::string after(20 - at, 'b');
            std::string out = "|";
            AppendEscaped(out, before + special + after + special);
            EXPECT_EQ(out, "|" + before + escaped + after + escaped) << at;
        }
    }
    std::string out;
    AppendEscaped(out, "folder " + RawByteChar(0x98) + " name", false);
    EXPECT_EQ(out, "folder " + RawByteChar(0x98) + " name");
}

TEST_F(SonivarCli, SetWritesEachFieldIntoTheTrailer)
{
    const Tag old {"Old title", "Old artist", "Old album", "1990", "old", 17};
    Add("tagged.mp3", TrailerOf(old));
    Add("sub/plain.mp3");

    EXPECT_EQ(Run({"set", "artist", "Đorđe Balašević", "."}).status, 0);
    EXPECT_EQ(Run({"set", "album", "-live-", "."}).status, 0);
    EXPECT_EQ(Run({"set", "year", "2024", "."}).status, 0);
    EXPECT_EQ(Run({"set", "comment", "", "."}).status, 0);
    const CliRun name = Run({"set", "name", "Same for every row", "."});
    EXPECT_EQ(name.status, 0) << name.err;
    EXPECT_EQ(name.out, "");

    // windows-1250 bytes for the artist; the other fields of a tagged file stay.
    Tag expected {"Same for every row",
        "\xD0or\xF0"
        "e Bala\x9A"
        "evi\xE6",
        "-live-", "2024", "", 17};
    EXPECT_EQ(Trailer("tagged.mp3"), TrailerOf(expected));
    expected.genre = 255;
    EXPECT_EQ(Bytes("sub/plain.mp3"), m_audio + TrailerOf(expected));

    if (HaveProgram("id3v2")) {
        const std::string listing = m_dir / "listing.txt";
        ASSERT_EQ(
            RunCommand("id3v2 -l " + ShellQuote(m_dir / "tagged.mp3") + " >" + ShellQuote(listing)),
            0);
        const std::string text = ReadFileBytes(listing);
        EXPECT_NE(text.find("Title  : Same for every row"), std::string::npos) << text;
        EXPECT_NE(text.find("Album  : -live-"), std::string::npos) << text;
        EXPECT_NE(text.find("Year: 2024"), std::string::npos) << text;
    }
}

// Ctrl+C while the paths are walked: status 130, one line that says so, and no file changed.
// A signal may also come before the handler is set or after the walk, so the delay grows until
// one lands in the walk; each run sets its own artist, so that a change it made would show.
TEST_F(SonivarCli, InterruptWhileLoadingChangesNothingAndSaysSo)
{
    const std::string audio = FakeAudio(200);
    for (int f = 0; f < 40; ++f) {
        const std::string folder = m_dir / ("f" + std::to_string(f));
        MakeFolder(folder);
        for (int i = 0; i < 100; ++i)
            WriteFileBytes(folder + "/s" + std::to_string(i) + ".mp3", audio);
    }
    int landed = 0;
    for (int delay = 0; delay < 1000 && landed == 0; ++delay) {
        const std::string artist = "Run " + std::to_string(delay);
        const CliRun run = Run({"set", "artist", artist, "."}, delay);
        if (run.status != 130 || run.err.find("while loading") == std::string::npos)
            continue;
        ++landed;
        EXPECT_EQ(run.err, "sonivar-cli: interrupted while loading; nothing was changed\n");
        EXPECT_EQ(run.out, "");
        int changed = 0;
        for (const auto& entry : fs::recursive_directory_iterator(m_dir.Path()))
            if (entry.is_regular_file()
                && LastBytes(ReadFileBytes(entry.path()), 128).find(artist) != std::string::npos)
                ++changed;
        EXPECT_EQ(changed, 0) << delay;
    }
    EXPECT_EQ(landed, 1);
}

TEST_F(SonivarCli, GenreByNameOrCodeAndTheTagPeerAgrees)
{
    Add("a.mp3", TrailerOf({"T", "A", "Al", "2000", "c", 0}));
    EXPECT_EQ(Run({"genre", "rOcK", "a.mp3"}).status, 0);
    EXPECT_EQ(Trailer("a.mp3"), TrailerOf({"T", "A", "Al", "2000", "c", 17}));
    if (std::system("/usr/bin/python3 -c 'import mutagen' 2>/dev/null") == 0) {
        const std::string out = m_dir / "peer.txt";
        const std::string script = "import sys; from mutagen.id3 import ID3; t = ID3(sys.argv[1]);"
                                   " print(t['TCON'].text[0], t['TPE1'].text[0])";
        ASSERT_EQ(RunCommand("/usr/bin/python3 -c " + ShellQuote(script) + " "
                      + ShellQuote(m_dir / "a.mp3") + " >" + ShellQuote(out)),
            0);
        EXPECT_EQ(ReadFileBytes(out), "Rock A\n");
    }
    EXPECT_EQ(Run({"genre", "147", "a.mp3"}).status, 0);
    EXPECT_EQ(static_cast<unsigned char>(Trailer("a.mp3")[127]), 147);
    EXPECT_EQ(Run({"genre", "255", "a.mp3"}).status, 0);
    EXPECT_EQ(static_cast<unsigned char>(Trailer("a.mp3")[127]), 255);
    const CliRun list = Run({"list", "a.mp3"});
    EXPECT_EQ(list.out, "a.mp3\tA\tT\tAl\t2000\tc\t \t" + Dir() + "\n");
}

TEST_F(SonivarCli, RecasingAndFileNameCommands)
{
    Add("the beatles - let it be.mp3",
        TrailerOf({"let it BE", "the beatles", "abbey road", "1970", "keep me", 24}));
    EXPECT_EQ(Run({"upper-words", "."}).status, 0);
    EXPECT_EQ(Trailer("the beatles - let it be.mp3"),
        TrailerOf({"Let It Be", "The Beatles", "Abbey Road", "1970", "keep me", 24}));
    EXPECT_EQ(Run({"upper-first", "."}).status, 0);
    EXPECT_EQ(Trailer("the beatles - let it be.mp3"),
        TrailerOf({"Let it be", "The Beatles", "Abbey Road", "1970", "keep me", 24}));

    Add("sub/pink floyd - time.mp3");
    EXPECT_EQ(Run({"name-from-file", "sub"}).status, 0);
    EXPECT_EQ(Run({"artist-from-file", "sub"}).status, 0);
    EXPECT_EQ(Bytes("sub/pink floyd - time.mp3"),
        m_audio + TrailerOf({"Time", "Pink Floyd", "", "", "", 255}));
}

TEST_F(SonivarCli, RenameCommandsTakeTheCompanionTextAlong)
{
    Add("track01.mp3", TrailerOf({"Money", "Pink Floyd", "", "", "", 255}));
    WriteFileBytes(m_dir / "track01.txt", "lyrics");
    Add("untitled.mp3");
    const std::string bytes = Bytes("track01.mp3");

    EXPECT_EQ(Run({"rename-name", "."}).status, 0);
    EXPECT_EQ(Bytes("Money.mp3"), bytes);
    // The second run finds the names given: silent, status 0.
    const CliRun again = Run({"rename-name", "."});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(Bytes("Money.txt"), "lyrics");
    EXPECT_FALSE(fs::exists(m_dir / "track01.mp3"));
    // A row without a Name keeps its file name.
    EXPECT_TRUE(fs::exists(m_dir / "untitled.mp3"));

    EXPECT_EQ(Run({"rename-artist-name", "Money.mp3"}).status, 0);
    EXPECT_EQ(Bytes("Pink Floyd - Money.mp3"), bytes);
    EXPECT_EQ(Bytes("Pink Floyd - Money.txt"), "lyrics");

    // A name already taken is never replaced: the failure is reported, both files stay.
    Add("other.mp3", TrailerOf({"Pink Floyd - Money", "", "", "", "", 255}));
    const CliRun clash = Run({"rename-name", "other.mp3"});
    EXPECT_EQ(clash.status, 1);
    EXPECT_EQ(clash.err,
        "sonivar-cli: " + Dir()
            + "/other.mp3: not renamed to 'Pink Floyd - Money.mp3': File exists\n");
    // A name that would leave the folder names the row's file, never the place it points to.
    Add("up.mp3", TrailerOf({"../../up", "", "", "", "", 255}));
    const CliRun up = Run({"rename-name", "up.mp3"});
    EXPECT_EQ(up.status, 1);
    EXPECT_EQ(up.err,
        "sonivar-cli: " + Dir() + "/up.mp3: not renamed to '../../up.mp3': Invalid argument\n");
    EXPECT_EQ(Bytes("Pink Floyd - Money.mp3"), bytes);
    EXPECT_TRUE(fs::exists(m_dir / "other.mp3"));
}

TEST_F(SonivarCli, StripId3v2CutsTheHeaderAndKeepsTheRest)
{
    // An ID3v2.3 tag of 20 bytes of frame data (synchsafe size) before the audio.
    const std::string head
        = std::string("ID3\x03\x00\x00\x00\x00\x00\x14", 10) + std::string(20, 'x');
    const std::string trailer = TrailerOf({"T", "A", "", "", "", 1});
    Add("v2.mp3", trailer, head);
    Add("plain.mp3", trailer);
    EXPECT_EQ(Run({"strip-id3v2", "."}).status, 0);
    EXPECT_EQ(Bytes("v2.mp3"), m_audio + trailer);
    EXPECT_EQ(Bytes("plain.mp3"), m_audio + trailer);

    if (HaveProgram("id3v2")) {
        Add("peer.mp3");
        ASSERT_EQ(RunCommand("id3v2 -2 -a Someone " + ShellQuote(m_dir / "peer.mp3")), 0);
        ASSERT_TRUE(Bytes("peer.mp3").starts_with("ID3"));
        EXPECT_EQ(Run({"strip-id3v2", "peer.mp3"}).status, 0);
        EXPECT_EQ(Bytes("peer.mp3"), m_audio);
    }
}

TEST_F(SonivarCli, PlayListAndTitlesWriteTheirFilesAndReplaceOnlyWithYes)
{
    Add("a.mp3", TrailerOf({"One", "Ann", "", "", "", 255}));
    Add("b.mp3");
    const CliRun list = Run({"playlist", "out.m3u", "a.mp3", "b.mp3"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(Bytes("out.m3u"),
        "#EXTM3U\r\n#EXTINF:,Ann - One\r\n" + Dir() + "/a.mp3\r\n" + Dir() + "/b.mp3\r\n");

    EXPECT_EQ(Run({"titles", "titles.txt", "."}).status, 0);
    EXPECT_EQ(Bytes("titles.txt"), "Ann - One\r\n");

    // The save dialog would ask before replacing a file: without --yes the answer is no.
    WriteFileBytes(m_dir / "titles.txt", "mine");
    const CliRun refused = Run({"titles", "titles.txt", "."});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("titles.txt: exists"), std::string::npos) << refused.err;
    EXPECT_EQ(Bytes("titles.txt"), "mine");
    EXPECT_EQ(Run({"--yes", "titles", "titles.txt", "."}).status, 0);
    EXPECT_EQ(Bytes("titles.txt"), "Ann - One\r\n");

    // A play list in another folder, made from a relative PATH, names files that exist.
    MakeFolder(m_dir / "lists");
    Add("music/c.mp3", TrailerOf({"Three", "Cy", "", "", "", 255}));
    EXPECT_EQ(Run({"playlist", "lists/a.m3u", "music"}).status, 0);
    EXPECT_EQ(
        Bytes("lists/a.m3u"), "#EXTM3U\r\n#EXTINF:,Cy - Three\r\n" + Dir() + "/music/c.mp3\r\n");

    // A file whose name holds a line feed is left out of the play list, and said so.
    Add("nl/n\nl.mp3", TrailerOf({"Four", "Dee", "", "", "", 255}));
    const CliRun newline = Run({"playlist", "lists/nl.m3u", "nl", "music"});
    EXPECT_EQ(newline.status, 1);
    EXPECT_EQ(newline.err,
        "sonivar-cli: " + Dir()
            + "/nl/n\\nl.mp3: putanja ima znak za novi red (CR ili LF), izostavljena je iz play "
              "liste\n");
    EXPECT_EQ(Bytes("lists/nl.m3u"), Bytes("lists/a.m3u"));

    // A file that cannot be created is a failure with the command's message.
    const CliRun missing = Run({"playlist", "no/such/folder/x.m3u", "."});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos) << missing.err;
}

TEST_F(SonivarCli, FailuresGiveStatusOneWithOneLinePerPath)
{
    Add("good.mp3");
    WriteFileBytes(m_dir / "notes.txt", "text");
    MakeFolder(m_dir / "empty");

    const CliRun run = Run({"set", "artist", "X", "good.mp3", "missing.mp3", "notes.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(
        run.err.find("sonivar-cli: missing.mp3: No such file or directory\n"), std::string::npos)
        << run.err;
    EXPECT_NE(
        run.err.find("sonivar-cli: " + Dir() + "/notes.txt: not an MP3 file"), std::string::npos)
        << run.err;
    // The other paths were still handled; the text file is untouched.
    EXPECT_EQ(Bytes("good.mp3"), m_audio + TrailerOf({"", "X", "", "", "", 255}));
    EXPECT_EQ(Bytes("notes.txt"), "text");

    // No row at all: the command's nothing-selected message, status 1.
    const CliRun none = Run({"upper-words", "empty"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "sonivar-cli: Nista nije oznaceno. Nema sanse da prodje.\n");
    // list of nothing prints nothing and succeeds.
    const CliRun empty = Run({"list", "empty"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.out, "");

    // A pipe is refused rather than read (a read would wait for a writer for ever).
    ASSERT_EQ(::mkfifo((m_dir / "pipe.mp3").c_str(), 0600), 0);
    const CliRun pipe = Run({"list", "pipe.mp3"});
    EXPECT_EQ(pipe.status, 1);
    EXPECT_EQ(pipe.err, "sonivar-cli: pipe.mp3: not a regular file or folder\n");
}

TEST_F(SonivarCli, WritesRefusedByAReadOnlyFileSystemAreReported)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a tmpfs needs root";
    const std::string mountPoint = m_dir / "ro";
    MakeFolder(mountPoint);
    if (::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    WriteFileBytes(mountPoint + "/a.mp3", m_audio);
    ASSERT_EQ(::mount("tmpfs", mountPoint.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=1m"), 0);
    const CliRun set = Run({"set", "artist", "X", "ro"});
    const CliRun strip = Run({"strip-id3v2", "ro"});
    const CliRun rename = Run({"artist-from-file", "ro"});
    const std::string after = ReadFileBytes(mountPoint + "/a.mp3");
    ::umount(mountPoint.c_str());
    EXPECT_EQ(set.status, 1);
    EXPECT_EQ(set.err, "sonivar-cli: " + Dir() + "/ro/a.mp3: Read-only file system\n");
    EXPECT_EQ(strip.status, 1);
    EXPECT_EQ(strip.err, "sonivar-cli: " + Dir() + "/ro/a.mp3: Read-only file system\n");
    EXPECT_EQ(rename.status, 1);
    EXPECT_EQ(after, m_audio);
}

TEST_F(SonivarCli, UsageErrorsTouchNothing)
{
    Add("a.mp3", TrailerOf({"T", "A", "", "", "", 3}));
    Add("sub/b.mp3");
    const auto before = Snapshot(m_dir.Path());
    const auto configBefore = Snapshot(m_config.Path());
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate", "."},
        {"set", "artist"},
        {"set", "title", "X", "."},
        {"genre", "Polka-ish", "."},
        {"genre", "148", "."},
        {"set", "artist", "X"},
        {"--codepage", "NO-SUCH-PAGE", "set", "artist", "X", "."},
        {"--codepage", "UTF-16", "set", "artist", "X", "."},
        {"--codepage=UTF-7", "set", "artist", "X", "."},
        {"--codepage"},
        {"--force", "list", "."},
        {"list", "-x"},
        {"--", "list", "."},
        {"playlist", "", "."},
        {"copy", "no-such-folder", "."},
        {"move", "a.mp3", "."},
        {"move-artist", "", "."},
    };
    for (const auto& args : bad) {
        const CliRun run = Run(args);
        std::string joined;
        for (const std::string& arg : args)
            joined += arg + " ";
        EXPECT_EQ(run.status, 2) << joined;
        EXPECT_EQ(run.out, "") << joined;
        EXPECT_TRUE(run.err.starts_with("sonivar-cli: ")) << joined << run.err;
        EXPECT_NE(run.err.find("\nUsage: sonivar-cli"), std::string::npos) << joined;
    }
    EXPECT_EQ(Snapshot(m_dir.Path()), before);
    EXPECT_EQ(Snapshot(m_config.Path()), configBefore);

    const CliRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage: sonivar-cli")) << help.out;
    EXPECT_EQ(help.err, "");
}

TEST_F(SonivarCli, PathsAfterDoubleDashAreNeverOptions)
{
    Add("-x/--yes.mp3", TrailerOf({"T", "A", "", "", "", 255}));
    const CliRun list = Run({"list", "--", "-x"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out, "--yes.mp3\tA\tT\t\t\t\t \t" + Dir() + "/-x\n");
    // A TEXT that looks like an option is still the text.
    const CliRun set = Run({"set", "comment", "--yes", "--", "-x/--yes.mp3"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(Trailer("-x/--yes.mp3"), TrailerOf({"T", "A", "", "", "--yes", 255}));
}

TEST_F(SonivarCli, CodePageFromTheOptionOrTheSetting)
{
    // 0xE8 is "č" in windows-1250 and "è" in ISO-8859-1.
    Add("a.mp3", TrailerOf({"\xE8", "", "", "", "", 255}));
    EXPECT_EQ(Run({"list", "a.mp3"}).out, "a.mp3\t\t\u010d\t\t\t\t \t" + Dir() + "\n");
    EXPECT_EQ(Run({"--codepage", "ISO-8859-1", "list", "a.mp3"}).out,
        "a.mp3\t\t\u00e8\t\t\t\t \t" + Dir() + "\n");
    WriteSettings("\"CodePage\"=\"ISO-8859-1\"\n");
    EXPECT_EQ(Run({"list", "a.mp3"}).out, "a.mp3\t\t\u00e8\t\t\t\t \t" + Dir() + "\n");
    EXPECT_EQ(Run({"list", "--codepage=windows-1250", "a.mp3"}).out,
        "a.mp3\t\t\u010d\t\t\t\t \t" + Dir() + "\n");
    // Writing goes through the same code page; a letter it lacks is transliterated.
    EXPECT_EQ(Run({"set", "artist", "\u00e8\u010d", "a.mp3"}).status, 0);
    EXPECT_EQ(Trailer("a.mp3"),
        TrailerOf({"\xE8",
            "\xE8"
            "c",
            "", "", "", 255}));

    // A setting iconv does not know is warned about, and the default applies.
    WriteSettings("\"CodePage\"=\"KLINGON\"\n");
    const CliRun run = Run({"list", "a.mp3"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out,
        "a.mp3\t\u010d"
        "c\t\u010d\t\t\t\t \t"
            + Dir() + "\n");
    EXPECT_NE(run.err.find("KLINGON"), std::string::npos);
    // So is one that is not ASCII-compatible.
    WriteSettings("\"CodePage\"=\"UTF-16\"\n");
    const CliRun wide = Run({"list", "a.mp3"});
    EXPECT_EQ(wide.out, run.out);
    EXPECT_NE(wide.err.find("code page 'UTF-16' is not ASCII-compatible"), std::string::npos);
}

TEST_F(SonivarCli, CopyIntoAFolderReplacesOnlyWithYes)
{
    Add("music/a.mp3", TrailerOf({"A", "Ann", "", "", "", 255}));
    Add("music/b.mp3");
    MakeFolder(m_dir / "copies");
    const CliRun copy = Run({"copy", "copies", "music"});
    EXPECT_EQ(copy.status, 0) << copy.err;
    EXPECT_EQ(Bytes("copies/a.mp3"), Bytes("music/a.mp3"));
    EXPECT_EQ(Bytes("copies/b.mp3"), Bytes("music/b.mp3"));
    EXPECT_TRUE(fs::exists(m_dir / "music/a.mp3"));

    // A second copy meets the first: without --yes the copies stay and the status says so.
    WriteFileBytes(m_dir / "copies/a.mp3", "older copy");
    const CliRun refused = Run({"copy", "copies", "music/a.mp3"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("copies/a.mp3: exists"), std::string::npos) << refused.err;
    EXPECT_EQ(Bytes("copies/a.mp3"), "older copy");
    EXPECT_EQ(Run({"--yes", "copy", "copies", "music/a.mp3"}).status, 0);
    EXPECT_EQ(Bytes("copies/a.mp3"), Bytes("music/a.mp3"));

    // A folder where a copy should land is reported with the source's path.
    MakeFolder(m_dir / "copies2/b.mp3");
    const CliRun blocked = Run({"copy", "copies2", "music"});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.err.find("sonivar-cli: " + Dir()
                  + "/music/b.mp3: A folder with that name already exists.\n"),
        std::string::npos)
        << blocked.err;
    EXPECT_EQ(Bytes("copies2/a.mp3"), Bytes("music/a.mp3"));
}

TEST_F(SonivarCli, MovesTakeTheCompanionTextAndCreateArtistFoldersOnlyWithYes)
{
    Add("in/MY sONG.mp3", TrailerOf({"S", "Band", "", "", "", 255}));
    WriteFileBytes(m_dir / "in/MY sONG.txt", "lyrics");
    Add("in/nobody.mp3");
    const std::string song = Bytes("in/MY sONG.mp3");
    MakeFolder(m_dir / "out");
    const CliRun move = Run({"move", "out", "in/MY sONG.mp3"});
    EXPECT_EQ(move.status, 0) << move.err;
    // The file name is recased word by word; the companion keeps its name.
    EXPECT_EQ(Bytes("out/my Song.mp3"), song);
    EXPECT_EQ(Bytes("out/MY sONG.txt"), "lyrics");
    EXPECT_FALSE(fs::exists(m_dir / "in/MY sONG.mp3"));
    EXPECT_FALSE(fs::exists(m_dir / "in/MY sONG.txt"));

    // The artist's folder does not exist: asked, and without --yes nothing moves. A row
    // without an Artist is skipped either way.
    MakeFolder(m_dir / "root");
    const CliRun refused = Run({"move-artist", "root", "out", "in"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("root/Band: no such folder"), std::string::npos) << refused.err;
    EXPECT_TRUE(fs::exists(m_dir / "out/my Song.mp3"));
    EXPECT_FALSE(fs::exists(m_dir / "root/Band"));

    const CliRun moved = Run({"--yes", "move-artist", "root", "out", "in"});
    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_NE(moved.err.find(
                  "sonivar-cli: " + m_dir / "in/nobody.mp3" + ": skipped: its Artist is empty\n"),
        std::string::npos)
        << moved.err;
    EXPECT_EQ(Bytes("root/Band/my Song.mp3"), song);
    // The companion is found without regard to letter case, though the first move recased the
    // MP3 file's name only.
    EXPECT_EQ(Bytes("root/Band/MY sONG.txt"), "lyrics");
    EXPECT_FALSE(fs::exists(m_dir / "out/MY sONG.txt"));
    EXPECT_TRUE(fs::exists(m_dir / "in/nobody.mp3"));
}

TEST_F(SonivarCli, TrashOnlyWithYesAndIntoTheUsersTrash)
{
    Add("a.mp3");
    Add("sub/a.mp3");
    const CliRun refused = Run({"trash", "."});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("move to the trash 2 files? [no"), std::string::npos) << refused.err;
    EXPECT_TRUE(fs::exists(m_dir / "a.mp3"));
    EXPECT_TRUE(fs::exists(m_dir / "sub/a.mp3"));

    const CliRun trashed = Run({"--yes", "trash", "."});
    EXPECT_EQ(trashed.status, 0) << trashed.err;
    EXPECT_FALSE(fs::exists(m_dir / "a.mp3"));
    EXPECT_FALSE(fs::exists(m_dir / "sub/a.mp3"));
    // Two files of one name get two trash names, each with its info file.
    const fs::path trash = m_data / "Trash";
    EXPECT_EQ(ReadFileBytes(trash / "files/a.mp3"), m_audio);
    EXPECT_EQ(ReadFileBytes(trash / "files/a.2.mp3"), m_audio);
    EXPECT_TRUE(fs::exists(trash / "info/a.mp3.trashinfo"));
    EXPECT_TRUE(fs::exists(trash / "info/a.2.mp3.trashinfo"));
}

TEST_F(SonivarCli, YesNeverDeletesForGoodWhatTheTrashCannotTake)
{
    TmpfsMount disk(m_dir, "small", 1 << 20);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    WriteFileBytes(disk / "a.mp3", m_audio);
    // No room left for the trash's folders and info file on that file system.
    disk.Fill();
    const CliRun run = Run({"--yes", "trash", "small"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("small/a.mp3: It cannot be moved to the Trash"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("not deleted for good, left in place"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find(".;"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(disk / "a.mp3"), m_audio);
}

// Each refused file is reported with its cause: a full disk, a named pipe, a link to a file
// that is not a song.
TEST_F(SonivarCli, FailedWritesNameTheirCause)
{
    Add("lib/ok.mp3", "", Id3v2Bytes(40));
    ASSERT_EQ(::mkfifo((m_dir / "lib/p.mp3").c_str(), 0644), 0);
    WriteFileBytes(m_dir / "notes.txt", "notes");
    ASSERT_EQ(::symlink("../notes.txt", (m_dir / "lib/evil.mp3").c_str()), 0);
    Add("linked/h.mp3", "", Id3v2Bytes(40));
    ASSERT_EQ(::link((m_dir / "linked/h.mp3").c_str(), (m_dir / "h-too.mp3").c_str()), 0);
    const CliRun set = Run({"set", "artist", "X", "lib"});
    EXPECT_EQ(set.status, 1);
    EXPECT_NE(set.err.find("sonivar-cli: " + m_dir / "lib/p.mp3" + ": not a regular file\n"),
        std::string::npos)
        << set.err;
    EXPECT_NE(set.err.find("sonivar-cli: " + m_dir / "lib/evil.mp3"
                  + ": a symbolic link to a file whose name does not end in .mp3\n"),
        std::string::npos)
        << set.err;
    EXPECT_EQ(ReadFileBytes(m_dir / "notes.txt"), "notes");
    const CliRun strip = Run({"strip-id3v2", "lib", "linked"});
    EXPECT_EQ(strip.status, 1);
    EXPECT_NE(strip.err.find("sonivar-cli: " + m_dir / "lib/p.mp3" + ": not a regular file\n"),
        std::string::npos)
        << strip.err;
    EXPECT_EQ(strip.err.find("linked/h.mp3"), std::string::npos) << strip.err;
    EXPECT_EQ(Bytes("h-too.mp3"), m_audio); // both names see the change
    EXPECT_FALSE(Bytes("lib/ok.mp3").starts_with("ID3"));

    TmpfsMount disk(m_dir, "full", 1 << 20);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    // Whole pages: an appended trailer needs a new one.
    WriteFileBytes(disk / "a.mp3", FakeAudio(8192));
    WriteFileBytes(disk / "b.mp3", Id3v2Bytes(40) + m_audio);
    disk.Fill();
    const CliRun full = Run({"set", "artist", "X", "full/a.mp3"});
    EXPECT_EQ(full.err, "sonivar-cli: " + m_dir / "full/a.mp3" + ": No space left on device\n");
    const CliRun fullStrip = Run({"strip-id3v2", "full/b.mp3"});
    EXPECT_EQ(
        fullStrip.err, "sonivar-cli: " + m_dir / "full/b.mp3" + ": No space left on device\n");
}

// A move from a drive of another type than the system's is made as a copy, and says so once.
TEST_F(SonivarCli, AMoveMadeAsACopySaysSo)
{
    TmpfsMount disk(m_dir, "ram", 1 << 20);
    if (!disk.IsMounted())
        GTEST_SKIP() << disk.Why();
    if (DriveTypeOfFolder(disk.Path()) == DriveTypeOfFolder("/"))
        GTEST_SKIP() << "the root file system is of the same kind as a tmpfs";
    WriteFileBytes(disk / "a.mp3", m_audio);
    WriteFileBytes(disk / "b.mp3", m_audio);
    MakeFolder(m_dir / "out");
    const CliRun move = Run({"move", "out", "ram"});
    EXPECT_EQ(move.status, 0) << move.err;
    // Once, naming the folder the songs came from (as its rows spell it).
    const std::string note = "ram is on a drive of another type than the system's, so the "
                             "originals stay\n";
    EXPECT_TRUE(move.err.starts_with("sonivar-cli: copying instead of moving: ")) << move.err;
    EXPECT_TRUE(move.err.ends_with(note)) << move.err;
    EXPECT_EQ(move.err.find('\n'), move.err.size() - 1) << move.err;
    EXPECT_EQ(Bytes("out/a.mp3"), m_audio);
    EXPECT_EQ(ReadFileBytes(disk / "a.mp3"), m_audio);
}

} // namespace

// The lines of a text, sorted.
std::vector<std::string> SortedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The cells of `list` output by path: File, Artist, Name, Album, Year, Comment, Genre, Folder.
std::map<std::string, std::vector<std::string>> RowsByPath(const std::string& out)
{
    std::map<std::string, std::vector<std::string>> rows;
    for (const std::string& line : SortedLines(out)) {
        std::vector<std::string> cells;
        std::size_t start = 0;
        for (std::size_t end; (end = line.find('\t', start)) != std::string::npos; start = end + 1)
            cells.push_back(line.substr(start, end - start));
        cells.push_back(line.substr(start));
        rows[cells[7] + "/" + cells[0]] = cells;
    }
    return rows;
}

// What a run did to a tree, written as a dry run writes it: the fields whose texts changed,
// trailers added, ID3v2 heads cut, files renamed or copied (matched by their bytes).
std::vector<std::string> EffectLines(const std::string& root,
    const std::map<std::string, std::string>& before, const std::string& listBefore,
    const std::string& listAfter, const std::string& copyFolder = {}, const std::string& trash = {})
{
    std::vector<std::string> lines;
    std::map<std::string, std::string> bytesBefore;
    // Snapshot's state is "mode:time:bytes".
    for (const auto& [name, state] : before)
        bytesBefore[root + "/" + name] = state.substr(state.find(':', state.find(':') + 1) + 1);
    auto rowsBefore = RowsByPath(listBefore);
    auto rowsAfter = RowsByPath(listAfter);
    const char* fields[] = {"", "artist", "name", "album", "year", "comment", "genre"};
    for (const auto& [path, old] : rowsBefore) {
        auto now = rowsAfter.find(path);
        if (now == rowsAfter.end()) {
            // Renamed or moved: the row now on a file with the same bytes; else in the trash.
            bool found = false;
            for (const auto& [other, cells] : rowsAfter) {
                if (rowsBefore.count(other) || ReadFileBytes(other) != bytesBefore[path])
                    continue;
                found = true;
                lines.push_back(cells[7] == old[7]
                        ? path + ": file name: \"" + old[0] + "\" -> \"" + cells[0] + "\""
                        : path + ": move -> " + other);
            }
            if (!found && !trash.empty() && fs::exists(trash + "/" + old[0])
                && ReadFileBytes(trash + "/" + old[0]) == bytesBefore[path])
                lines.push_back(path + ": trash");
            continue;
        }
        const std::string was = bytesBefore[path];
        const std::string is = ReadFileBytes(path);
        if (was.size() > is.size() && was.ends_with(is))
            lines.push_back(path + ": ID3v2 tag: " + std::to_string(was.size() - is.size())
                + " bytes -> removed");
        if (LastBytes(was, 128).rfind("TAG", 0) != 0 && LastBytes(is, 128).rfind("TAG", 0) == 0)
            lines.push_back(path + ": tag: none -> ID3v1");
        for (int column = 1; column <= 6; ++column)
            if (old[column] != now->second[column])
                lines.push_back(path + ": " + fields[column] + ": \"" + old[column] + "\" -> \""
                    + now->second[column] + "\"");
        if (!copyFolder.empty()) {
            const std::string copy = copyFolder + "/" + old[0];
            if (fs::exists(copy) && ReadFileBytes(copy) == is)
                lines.push_back(path + ": copy -> " + copy);
        }
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(SonivarCli, DryRunPrintsWhatTheRealRunDoesOnACopyOfTheTreeAndTouchesNothing)
{
    const std::string head = std::string("ID3\x03\0\0\0\0\0\x20", 10) + std::string(32, 'h');
    Add("tree/a.mp3", TrailerOf({"Song A", "old artist", "Album", "1999", "", 17}));
    Add("tree/sub/b.mp3", {}, head);
    Add("tree/sub/lower case.mp3", TrailerOf({"quiet song", "some band", "", "", "", 255}));
    WriteSettings("\"LastOpen\"=\"/nowhere\"\n");
    const std::vector<std::vector<std::string>> commands = {
        {"set", "artist", "An artist name far too long for its field"},
        {"genre", "Jazz"},
        {"upper-words"},
        {"name-from-file"},
        {"rename-name"},
        {"strip-id3v2"},
        {"copy", "COPY"},
        {"move", "COPY"},
        {"--yes", "trash"},
    };
    int run = 0;
    for (const auto& command : commands) {
        SCOPED_TRACE(command.back());
        // Each command on its own copy of the tree, absolute as the CLI's rows are.
        const std::string work = Dir() + "/work" + std::to_string(run);
        const std::string copyFolder = Dir() + "/copy" + std::to_string(run++);
        fs::copy(m_dir / "tree", work, fs::copy_options::recursive);
        fs::create_directory(copyFolder);
        std::vector<std::string> args = {"--dry-run"};
        for (const std::string& word : command)
            args.push_back(word == "COPY" ? copyFolder : word);
        args.push_back(work);
        const auto tree = Snapshot(work);
        const auto settings = Snapshot(m_config.Path());

        const CliRun dry = Run(args);
        EXPECT_EQ(dry.status, 0) << dry.err;
        EXPECT_EQ(Snapshot(work), tree);
        EXPECT_TRUE(fs::is_empty(copyFolder));
        EXPECT_EQ(Snapshot(m_config.Path()), settings);

        const std::string listBefore = Run({"list", work}).out;
        args.erase(args.begin());
        const CliRun real = Run(args);
        EXPECT_EQ(real.status, 0) << real.err;
        // Rows follow the files a move moved; a trashed file has no row.
        const std::string listAfter
            = Run({"list", command[0] == "move" ? copyFolder : work}).out + Run({"list", work}).out;
        const std::vector<std::string> effect = EffectLines(work, tree, listBefore, listAfter,
            command[0] == "copy" ? copyFolder : std::string(), m_data / "Trash/files");
        EXPECT_FALSE(effect.empty());
        EXPECT_EQ(SortedLines(dry.out), effect);
    }
}

// A file of 200 bytes or fewer keeps its trailer unread, but the write replaces it in place: the
// dry run does not announce a new tag.
TEST_F(SonivarCli, DryRunOfAShortFileWithATrailerAnnouncesNoNewTag)
{
    const std::string bytes = std::string(22, 'x') + TrailerOf({"T", "A", "", "", "", 1});
    WriteFileBytes(m_dir / "short.mp3", bytes);
    const CliRun dry = Run({"--dry-run", "genre", "Jazz", m_dir / "short.mp3"});
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(dry.out, m_dir / "short.mp3" + ": genre: \" \" -> \"Jazz\"\n");
    EXPECT_EQ(Run({"genre", "Jazz", m_dir / "short.mp3"}).status, 0);
    EXPECT_EQ(Bytes("short.mp3").size(), bytes.size()); // replaced in place, not added
}

TEST_F(SonivarCli, HelpListsEveryCommandWithItsArgumentsAndVersionPrintsIt)
{
    const CliRun help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* usage :
        {"list", "set artist|name|album|year|comment TEXT", "genre NAME-OR-CODE", "upper-words",
            "upper-first", "name-from-file", "artist-from-file", "rename-name",
            "rename-artist-name", "strip-id3v2", "playlist FILE", "titles FILE", "copy FOLDER",
            "trash", "move FOLDER", "move-artist ROOT", "--dry-run", "--version"})
        EXPECT_NE(help.out.find(std::string("  ") + usage), std::string::npos) << usage;
    const CliRun version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "sonivar-cli " SONIVAR_VERSION "\n");
}
