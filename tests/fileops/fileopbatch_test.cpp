#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fileops/fileopbatch.h"
#include "platform/shellui.h"

namespace {

// What the shell was handed, copied out while the buffers were alive.
struct ShellCall {
    unsigned wFunc = 0;
    void* hwnd = nullptr;
    FILEOP_FLAGS fFlags = 0;
    std::string from; // the whole double-NUL list, both closing NULs included
    bool toIsNull = true;
    std::string to;
    bool titleIsNull = true;
    std::string title;
    ShellUi* ui = nullptr;
    ShellUi::Answer replaceAnswer = ShellUi::Answer::Yes;
    ShellUi::Answer deleteAnswer = ShellUi::Answer::Yes;
};

// The bytes of a literal that holds NULs, without the literal's own closing NUL.
template <std::size_t N> std::string Bytes(const char (&text)[N])
{
    return std::string(text, N - 1);
}

std::vector<ShellCall> g_calls;
int g_nShellResult = 0;
bool g_bShellAborts = false;

std::string DoubleNulList(const char* list)
{
    std::string bytes;
    while (*list) {
        const std::string path(list);
        bytes += path + '\0';
        list += path.size() + 1;
    }
    return bytes + '\0';
}

int RecordingShell(SHFILEOPSTRUCTA* op, ShellUi& ui)
{
    ShellCall call;
    call.wFunc = op->wFunc;
    call.hwnd = op->hwnd;
    call.fFlags = op->fFlags;
    call.from = DoubleNulList(op->pFrom);
    call.toIsNull = op->pTo == nullptr;
    if (op->pTo)
        call.to = DoubleNulList(op->pTo);
    call.titleIsNull = op->lpszProgressTitle == nullptr;
    if (op->lpszProgressTitle)
        call.title = op->lpszProgressTitle;
    call.ui = &ui;
    call.replaceAnswer = ui.ConfirmReplace("/a", "/b");
    call.deleteAnswer = ui.ConfirmDelete({"/a"}, false, "");
    g_calls.push_back(call);
    op->fAnyOperationsAborted = g_bShellAborts;
    return g_nShellResult;
}

class AnsweringShellUi final : public ShellUi {
public:
    void BeginProgress(const std::string&) override { }
    void StepProgress(const std::string&, int, int) override { }
    bool IsCancelRequested() override { return false; }
    void EndProgress() override { }
    Answer ConfirmReplace(const std::string&, const std::string&) override
    {
        return Answer::YesToAll;
    }
    Answer ConfirmCreateFolder(const std::string&) override { return Answer::Yes; }
    Answer ConfirmDelete(const std::vector<std::string>&, bool, const std::string&) override
    {
        return Answer::Yes;
    }
    bool ShowError(const std::string&, const std::string&, bool) override { return true; }
};

class FileOpBatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls.clear();
        g_nShellResult = 0;
        g_bShellAborts = false;
        CFileOpBatch::SetShellOperation(&RecordingShell);
    }
    void TearDown() override { CFileOpBatch::SetShellOperation(nullptr); }

    AnsweringShellUi ui;
};

} // namespace

TEST_F(FileOpBatchTest, FreshOrInvalidBatchNeverCallsTheShellNorWritesResults)
{
    CFileOpBatch batch;
    bool started = true;
    int result = 77;
    bool aborted = true;
    EXPECT_FALSE(batch.Execute(&started, &result, &aborted));
    EXPECT_FALSE(started);
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(aborted);

    // Ready but without sources.
    batch.SetOperationFlags(FO_COPY, &ui, 0);
    batch.AddDestination("/dest");
    started = true;
    EXPECT_FALSE(batch.Execute(&started, &result, &aborted));
    EXPECT_FALSE(started);

    // Unknown operation codes.
    batch.AddSource("/a");
    for (const unsigned code : {0u, 5u, 0x10003u}) {
        batch.SetOperationFlags(code, &ui, 0);
        EXPECT_FALSE(batch.Execute(&started, &result, &aborted)) << code;
    }

    // A copy or move without any destination.
    CFileOpBatch noDestination;
    noDestination.SetOperationFlags(FO_MOVE, &ui, 0);
    noDestination.AddSource("/a");
    EXPECT_FALSE(noDestination.Execute());

    // Three sources, two destinations.
    CFileOpBatch mismatched;
    mismatched.SetOperationFlags(FO_COPY, &ui, 0);
    for (const char* path : {"/a", "/b", "/c"})
        mismatched.AddSource(path);
    mismatched.AddDestination("/x/a");
    mismatched.AddDestination("/x/b");
    started = true;
    EXPECT_FALSE(mismatched.Execute(&started, &result, &aborted));
    EXPECT_FALSE(started);
    EXPECT_FALSE(mismatched.IsStarted());

    // An empty path would end the double-NUL list early and pair paths wrongly.
    CFileOpBatch emptyPath;
    emptyPath.SetOperationFlags(FO_MOVE, &ui, 0);
    emptyPath.AddSource("/a");
    emptyPath.AddSource("");
    emptyPath.AddSource("/c");
    for (const char* path : {"/x/a", "/x/b", "/x/c"})
        emptyPath.AddDestination(path);
    EXPECT_FALSE(emptyPath.Execute());
    CFileOpBatch nulPath;
    nulPath.SetOperationFlags(FO_DELETE, &ui, 0);
    nulPath.AddSource(Bytes("/a\0/b"));
    EXPECT_FALSE(nulPath.Execute());

    EXPECT_TRUE(g_calls.empty());
    EXPECT_EQ(result, 77);
    EXPECT_TRUE(aborted);
}

TEST_F(FileOpBatchTest, FlagWordFromTheSevenChoices)
{
    struct Case {
        bool silent, allowUndo, filesOnly, noConfirmation, noConfirmMkDir, renameOnCollision,
            simpleProgress;
        FILEOP_FLAGS expected;
    };
    const Case cases[] = {
        {false, false, false, false, false, false, false, 0x0000},
        {true, false, false, false, false, false, false, 0x0004},
        {false, true, false, false, false, false, false, 0x0040},
        {false, false, true, false, false, false, false, 0x0080},
        {false, false, false, true, false, false, false, 0x0010},
        {false, false, false, false, true, false, false, 0x0200},
        {false, false, false, false, false, true, false, 0x0008},
        {false, false, false, false, false, false, true, 0x0100},
        {false, true, false, false, false, true, false, 0x0048},
        {true, true, true, true, true, true, true, 0x03DC},
    };
    CFileOpBatch batch;
    for (const Case& c : cases) {
        batch.SetOperation(FO_COPY, &ui, c.silent, c.allowUndo, c.filesOnly, c.noConfirmation,
            c.noConfirmMkDir, c.renameOnCollision, c.simpleProgress);
        EXPECT_EQ(batch.Request().fFlags, c.expected);
        EXPECT_EQ(batch.Request().wFunc, FO_COPY);
        EXPECT_TRUE(batch.IsReady());
    }
    // A second operation replaces code, owner and flags and keeps the lists and
    // title.
    batch.SetTitle("Copy...");
    batch.AddSource("/music/a.mp3");
    batch.AddDestination("/copies/a.mp3");
    batch.SetOperationFlags(FO_MOVE, nullptr, 0x0210);
    EXPECT_EQ(batch.Request().fFlags, 0x0210);
    EXPECT_EQ(batch.Request().hwnd, nullptr);
    EXPECT_TRUE(batch.Execute());
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].wFunc, FO_MOVE);
    EXPECT_EQ(g_calls[0].fFlags, 0x0210);
    EXPECT_EQ(g_calls[0].title, "Copy...");
    EXPECT_EQ(g_calls[0].from, Bytes("/music/a.mp3\0\0"));

    // Clear forgets everything.
    batch.Clear();
    EXPECT_FALSE(batch.IsReady());
    EXPECT_EQ(batch.Request().fFlags, 0);
    EXPECT_EQ(batch.Request().wFunc, 0u);
    EXPECT_FALSE(batch.Execute());
    EXPECT_EQ(g_calls.size(), 1u);
}

TEST_F(FileOpBatchTest, DeleteBuffersAndTitle)
{
    CFileOpBatch batch;
    batch.SetOperation(FO_DELETE, &ui, false, true, false, false, false, true, false);
    batch.AddSource("a");
    batch.AddSource("bc");
    batch.AddDestination("/ignored");
    bool started = false;
    int result = -1;
    bool aborted = true;
    EXPECT_TRUE(batch.Execute(&started, &result, &aborted));
    EXPECT_TRUE(started);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(aborted);
    ASSERT_EQ(g_calls.size(), 1u);
    const ShellCall& call = g_calls[0];
    EXPECT_EQ(call.from, Bytes("a\0bc\0\0"));
    EXPECT_EQ(call.from.size(), 6u);
    EXPECT_TRUE(call.toIsNull);
    EXPECT_EQ(call.fFlags, FOF_ALLOWUNDO | FOF_RENAMEONCOLLISION);
    // An empty title is an empty text, not null.
    EXPECT_FALSE(call.titleIsNull);
    EXPECT_EQ(call.title, "");
    EXPECT_EQ(call.hwnd, &ui);
    EXPECT_EQ(call.ui, &ui);
    // No pointer to the freed buffers stays behind.
    EXPECT_EQ(batch.Request().pFrom, nullptr);
    EXPECT_EQ(batch.Request().pTo, nullptr);
}

TEST_F(FileOpBatchTest, DestinationCountsAndMultiDestFlag)
{
    // Two sources, one destination folder: accepted without FOF_MULTIDESTFILES.
    CFileOpBatch oneFolder;
    oneFolder.SetOperation(FO_COPY, &ui, false, true, false, false, false, false, false);
    oneFolder.SetTitle("Copy...");
    oneFolder.AddSource("/m/a.mp3");
    oneFolder.AddSource("/m/b.mp3");
    oneFolder.AddDestination("/copies");
    EXPECT_TRUE(oneFolder.Execute());
    ASSERT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(g_calls[0].fFlags, FOF_ALLOWUNDO);
    EXPECT_EQ(g_calls[0].to, Bytes("/copies\0\0"));
    EXPECT_EQ(g_calls[0].title, "Copy...");

    // One destination per source: the batch adds FOF_MULTIDESTFILES and it stays
    // in the request until the operation is set again.
    CFileOpBatch perSource;
    perSource.SetOperationFlags(FO_MOVE, &ui, 0);
    perSource.AddSource("/m/a.mp3");
    perSource.AddSource("/m/a.txt");
    perSource.AddDestination("/t/a.mp3");
    perSource.AddDestination("/t/a.txt");
    EXPECT_TRUE(perSource.Execute());
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[1].fFlags, FOF_MULTIDESTFILES);
    EXPECT_EQ(g_calls[1].from, Bytes("/m/a.mp3\0/m/a.txt\0\0"));
    EXPECT_EQ(g_calls[1].to, Bytes("/t/a.mp3\0/t/a.txt\0\0"));
    EXPECT_EQ(perSource.Request().fFlags, FOF_MULTIDESTFILES);
    perSource.SetOperationFlags(FO_COPY, &ui, 0);
    EXPECT_EQ(perSource.Request().fFlags, 0);

    // A second Execute rebuilds the buffers from the lists as they now stand.
    perSource.AddSource("/m/b.mp3");
    perSource.AddDestination("/t/b.mp3");
    EXPECT_TRUE(perSource.Execute());
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[2].wFunc, FO_COPY);
    EXPECT_EQ(g_calls[2].from, Bytes("/m/a.mp3\0/m/a.txt\0/m/b.mp3\0\0"));
    EXPECT_EQ(g_calls[2].to, Bytes("/t/a.mp3\0/t/a.txt\0/t/b.mp3\0\0"));
}

TEST_F(FileOpBatchTest, ShellResultsReachTheCaller)
{
    CFileOpBatch batch;
    batch.SetOperationFlags(FO_MOVE, &ui, 0);
    batch.AddSource("/m/a.mp3");
    batch.AddDestination("/t/a.mp3");

    // The user cancelled: started and aborted are true, the result is the
    // shell's.
    g_nShellResult = ERROR_CANCELLED;
    g_bShellAborts = true;
    bool started = false;
    int result = 0;
    bool aborted = false;
    EXPECT_FALSE(batch.Execute(&started, &result, &aborted));
    EXPECT_TRUE(started);
    EXPECT_TRUE(batch.IsStarted());
    EXPECT_EQ(result, ERROR_CANCELLED);
    EXPECT_TRUE(aborted);

    // A failure without an abort; null out-pointers are simply not written.
    g_nShellResult = ERROR_DISK_FULL;
    g_bShellAborts = false;
    EXPECT_FALSE(batch.Execute(nullptr, &result, nullptr));
    EXPECT_EQ(result, ERROR_DISK_FULL);
    g_nShellResult = 0;
    EXPECT_TRUE(batch.Execute());
    EXPECT_EQ(g_calls.size(), 3u);
}

TEST_F(FileOpBatchTest, BatchWithoutOwnerDeclinesEveryConfirmation)
{
    CFileOpBatch owned;
    owned.SetOperationFlags(FO_DELETE, &ui, FOF_ALLOWUNDO);
    owned.AddSource("/m/a.mp3");
    EXPECT_TRUE(owned.Execute());

    CFileOpBatch orphan;
    orphan.SetOperationFlags(FO_DELETE, nullptr, FOF_ALLOWUNDO);
    orphan.AddSource("/m/a.mp3");
    EXPECT_TRUE(orphan.Execute());

    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].ui, &ui);
    EXPECT_EQ(g_calls[0].replaceAnswer, ShellUi::Answer::YesToAll);
    EXPECT_EQ(g_calls[0].deleteAnswer, ShellUi::Answer::Yes);
    EXPECT_NE(g_calls[1].ui, nullptr);
    EXPECT_NE(g_calls[1].ui, &ui);
    EXPECT_EQ(g_calls[1].replaceAnswer, ShellUi::Answer::No);
    EXPECT_EQ(g_calls[1].deleteAnswer, ShellUi::Answer::Cancel);
}
