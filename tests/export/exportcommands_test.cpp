#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "../edit/library.h"
#include "export/exportcommands.h"
#include "platform/path.h"
#include "session/selectioncommands.h"

namespace {

class Export : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib.Add("1.mp3", {"Daybreak", "Night Owls", "", "", "", 255});
        lib.Add("2.mp3", {"", "Heron", "", "", "", 255});
        lib.Add("3.mp3", {"Šuma", "", "", "", "", 255});
        lib.Add("4.mp3", {"Četiri", "Đak", "", "", "", 255});
    }
    Library lib;
};

} // namespace

TEST_F(Export, PlayListBytes)
{
    lib.Select({"4.mp3", "2.mp3", "1.mp3"});
    const std::string out = lib.m_dir / "list.m3u";
    lib.m_ui.AnswerSave(out);
    OnMakePlayList(lib.m_session);
    ASSERT_EQ(lib.m_ui.m_calls.size(), 1u);
    EXPECT_EQ(lib.m_ui.m_calls[0].kind, "SaveFileDialog");
    EXPECT_EQ(lib.m_ui.m_calls[0].caption, ".m3u");
    // The dialog opens in the first selected row's folder.
    EXPECT_EQ(lib.m_ui.m_calls[0].text, lib.m_dir / "Night Owls");
    EXPECT_EQ(lib.m_ui.m_calls[0].filter, "M3U Play List (*.m3u)|*.m3u||");
    const std::string dir = lib.m_dir.Path();
    EXPECT_EQ(ReadFileBytes(out),
        "#EXTM3U\r\n#EXTINF:,Night Owls - Daybreak\r\n" + dir + "/1.mp3\r\n" + dir
            + "/2.mp3\r\n#EXTINF:,Đak - Četiri\r\n" + dir + "/4.mp3\r\n");
    struct stat st { };
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST_F(Export, TitleFileBytesReplaceAnExistingFile)
{
    OnSelectAll(lib.m_session);
    const std::string out = lib.m_dir / "titles.txt";
    WriteFileBytes(out, "old content that is longer than the new one ...........");
    lib.m_ui.AnswerSave(out);
    OnExportTitles(lib.m_session);
    EXPECT_EQ(lib.m_ui.m_calls[0].text, lib.m_dir.Path() + "/");
    EXPECT_EQ(lib.m_ui.m_calls[0].caption, ".txt");
    EXPECT_EQ(lib.m_ui.m_calls[0].filter, "Text files (*.txt)|*.txt||");
    EXPECT_EQ(ReadFileBytes(out), "Night Owls - Daybreak\r\nĐak - Četiri\r\n");

    // No row with both texts: an empty file.
    OnInvertSelection(lib.m_session);
    lib.Select({"2.mp3", "3.mp3"});
    lib.m_ui.AnswerSave(out);
    OnExportTitles(lib.m_session);
    EXPECT_EQ(ReadFileBytes(out), "");
}

// A crafted tag cannot add an entry: its control characters become spaces. A file whose
// name holds a line feed cannot be written as one line: it is left out, with a message.
TEST_F(Export, ControlCharactersCannotStartALine)
{
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    lib.Add("5.mp3",
        {"x\r\n/etc/passwd",
            "a\tb\x01"
            "c\u0085d\u2028",
            "", "", "", 255});
    lib.Add("6\n#EXTINF:,evil\nevil.mp3\r.mp3", {"Six", "Evil", "", "", "", 255});
    lib.Select({"1.mp3", "5.mp3", "6\n#EXTINF:,evil\nevil.mp3\r.mp3"});
    const std::string out = lib.m_dir / "list.m3u";
    lib.m_ui.AnswerSave(out);
    OnMakePlayList(lib.m_session);
    const std::string dir = lib.m_dir.Path();
    EXPECT_EQ(ReadFileBytes(out),
        "#EXTM3U\r\n#EXTINF:,Night Owls - Daybreak\r\n" + dir + "/1.mp3\r\n"
            + "#EXTINF:,a b c d  - x  /etc/passwd\r\n" + dir + "/5.mp3\r\n");
    const auto boxes = lib.m_ui.CallsOf("MessageBox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
        dir
            + "/6\\n#EXTINF:,evil\\nevil.mp3\\r.mp3\nputanja ima znak za novi red (CR ili LF), "
              "izostavljena je iz play liste");

    const std::string titles = lib.m_dir / "titles.txt";
    lib.m_ui.AnswerSave(titles);
    OnExportTitles(lib.m_session);
    EXPECT_EQ(ReadFileBytes(titles),
        "Night Owls - Daybreak\r\na b c d  - x  /etc/passwd\r\nEvil - Six\r\n");
}

TEST_F(Export, NothingSelectedAndCancelWriteNothing)
{
    OnMakePlayList(lib.m_session);
    OnExportTitles(lib.m_session);
    ASSERT_EQ(lib.m_ui.m_calls.size(), 2u);
    for (const auto& call : lib.m_ui.m_calls) {
        EXPECT_EQ(call.kind, "MessageBox");
        EXPECT_EQ(call.text, "Nista nije oznaceno. Samo tako mozda i proradi.");
        EXPECT_EQ(call.caption, "Oznaci nesto");
    }
    lib.Select({"1.mp3"});
    lib.m_ui.m_calls.clear();
    OnMakePlayList(lib.m_session); // the save dialog is cancelled
    ASSERT_EQ(lib.m_ui.m_calls.size(), 1u);
    EXPECT_EQ(lib.m_ui.m_calls[0].kind, "SaveFileDialog");
    // The first selected row's folder, whatever the other rows hold; a '/' of the Artist is
    // no folder.
    lib.m_list.SetItemText(lib.RowOf("2.mp3"), TrackList::ColFolder, "/other/place");
    lib.m_list.SetItemText(lib.RowOf("2.mp3"), TrackList::ColArtist, "AC/DC");
    lib.m_list.SetSelected(lib.RowOf("1.mp3"), false);
    lib.Select({"3.mp3", "2.mp3"});
    OnMakePlayList(lib.m_session);
    OnExportTitles(lib.m_session);
    ASSERT_EQ(lib.m_ui.m_calls.size(), 3u);
    EXPECT_EQ(lib.m_ui.m_calls[1].text, "/other/place/AC-DC");
    EXPECT_EQ(lib.m_ui.m_calls[2].text, "/other/place/");
}

TEST_F(Export, AFileThatCannotBeCreatedIsReportedAndNothingIsLeft)
{
    lib.Select({"1.mp3"});
    const std::string missing = lib.m_dir / "no such folder/list.m3u";
    lib.m_ui.AnswerSave(missing);
    OnMakePlayList(lib.m_session);
    ASSERT_EQ(lib.m_ui.CallsOf("MessageBox").size(), 1u);
    const auto box = lib.m_ui.CallsOf("MessageBox")[0];
    EXPECT_EQ(box.text, "Ne mogu napraviti fajl:\n" + missing + "\nNo such file or directory");
    EXPECT_EQ(box.caption, "Greska");
    EXPECT_FALSE(PathExists(missing));
}

TEST_F(Export, AReadOnlyFolderKeepsItsFile)
{
    lib.Select({"1.mp3"});
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write into read-only folders";
    const std::string locked = lib.m_dir / "locked";
    MakeFolder(locked);
    WriteFileBytes(locked + "/t.txt", "keep");
    chmod(locked.c_str(), 0555);
    lib.m_ui.AnswerSave(locked + "/t.txt");
    OnExportTitles(lib.m_session);
    ASSERT_EQ(lib.m_ui.CallsOf("MessageBox").size(), 1u);
    EXPECT_NE(lib.m_ui.CallsOf("MessageBox")[0].text.find("Permission denied"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(locked + "/t.txt"), "keep");
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(RunCommand("test $(ls -A " + ShellQuote(locked) + " | wc -l) -eq 1"), 0);
}

TEST_F(Export, AFailedWriteLeavesTheOldFileAndNoPartialFile)
{
    OnSelectAll(lib.m_session);
    const std::string out = lib.m_dir / "titles.txt";
    WriteFileBytes(out, "old");
    // Writes beyond 16 bytes fail with EFBIG while the limit holds.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    lib.m_ui.AnswerSave(out);
    OnExportTitles(lib.m_session);
    setrlimit(RLIMIT_FSIZE, &saved);
    ASSERT_EQ(lib.m_ui.CallsOf("MessageBox").size(), 1u);
    EXPECT_EQ(lib.m_ui.CallsOf("MessageBox")[0].text,
        "Ne mogu napraviti fajl:\n" + out + "\nFile too large");
    EXPECT_EQ(ReadFileBytes(out), "old");
    EXPECT_EQ(
        RunCommand("test $(ls -A " + ShellQuote(lib.m_dir.Path()) + " | grep -c txt) -eq 1"), 0);
}
