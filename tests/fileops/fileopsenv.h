#pragma once

// Shared by the file command tests: a fresh home (settings and trash inside it), a session
// with scripted answers for the user and the shell, MP3-like files with ID3v1 trailers in
// real folders,. Header only,
// as each test file is its own executable.

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fileops/copydelete.h"
#include "platform/path.h"
#include "platform/settingskey.h"
#include "platform/shellui.h"
#include "session/batch.h"
#include "session/session.h"
#include "support/fixtures.h"
#include "support/scriptedui.h"
#include "support/tmpfsmount.h"

// The shell's user: answers from queues (defaults when empty), every call recorded, and a
// Cancel press once a given item is reached.
class ScriptedShell final : public ShellUi {
public:
    void BeginProgress(const std::string& title) override { m_titles.push_back(title); }
    void StepProgress(const std::string& item, int index, int) override
    {
        m_items.push_back(item);
        if (m_nCancelAtItem >= 0 && index >= m_nCancelAtItem)
            m_bCancel = true;
    }
    bool IsCancelRequested() override { return m_bCancel; }
    void EndProgress() override { ++m_nEnded; }
    Answer ConfirmReplace(const std::string& target, const std::string&) override
    {
        m_replaceAsked.push_back(target);
        return Take(m_replaceAnswers, Answer::No);
    }
    Answer ConfirmCreateFolder(const std::string& folder) override
    {
        m_foldersAsked.push_back(folder);
        return Take(m_folderAnswers, Answer::Yes);
    }
    Answer ConfirmDelete(
        const std::vector<std::string>& items, bool permanently, const std::string& reason) override
    {
        m_deleteAsked.push_back({items, permanently, reason});
        return Take(m_deleteAnswers, Answer::Yes);
    }
    bool ShowError(const std::string& caption, const std::string& text, bool) override
    {
        m_errors.push_back(caption + ": " + text);
        return true;
    }

    struct DeleteQuestion {
        std::vector<std::string> items;
        bool permanently = false;
        std::string reason;
    };

    std::deque<Answer> m_replaceAnswers;
    std::deque<Answer> m_folderAnswers;
    std::deque<Answer> m_deleteAnswers;
    int m_nCancelAtItem = -1;

    std::vector<std::string> m_titles;
    std::vector<std::string> m_items;
    std::vector<std::string> m_replaceAsked;
    std::vector<std::string> m_foldersAsked;
    std::vector<DeleteQuestion> m_deleteAsked;
    std::vector<std::string> m_errors;
    int m_nEnded = 0;
    bool m_bCancel = false;

private:
    static Answer Take(std::deque<Answer>& answers, Answer fallback)
    {
        if (answers.empty())
            return fallback;
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

struct TrackTag {
    std::string title, artist;
};

// A fresh home per test: HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point into it, so settings
// and the trash start empty. The first-Copy flag is set as at program start.
class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UseFreshHome(m_home);
        g_bFirstCopy = true;
        SetBatchPause(false);
        m_session.SetShell(&m_shell);
    }

    // A folder under the test's own temporary folder (created).
    std::string Folder(const std::string& name)
    {
        const std::string path = m_files / name;
        MakeFolder(path);
        return path;
    }
    static std::string Audio(const std::string& name)
    {
        return FakeAudio(1000 + name.size() * 37) + name;
    }
    // Writes folder/name (audio and an ID3v1 trailer) and adds its row; returns the path.
    std::string AddTrack(const std::string& folder, const std::string& name, TrackTag tag = {})
    {
        const std::string path = JoinPath(folder, name);
        WriteFileBytes(path, Audio(name) + Id3v1Bytes(tag.title, tag.artist, "", "", "", 255));
        m_session.List().AddRow({name, tag.artist, "", tag.title, "", "", folder, " "});
        return path;
    }
    // The row with that File text, -1 when none.
    int RowOf(const std::string& file) const
    {
        TrackList& list = const_cast<Session&>(m_session).List();
        for (int row = 0; row < list.GetItemCount(); ++row) {
            if (list.GetItemText(row, TrackList::ColFile) == file)
                return row;
        }
        return -1;
    }
    std::string Cell(const std::string& file, int column)
    {
        return m_session.List().GetItemText(RowOf(file), column);
    }
    void Select(const std::vector<std::string>& files)
    {
        for (const std::string& file : files)
            m_session.List().SetSelected(RowOf(file), true);
    }
    void SelectAll() { m_session.List().SelectAll(); }

    static void StoreSetting(const std::string& name, const std::string& value)
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Create());
        ASSERT_TRUE(key.SetString(name, value));
        ASSERT_EQ(key.Close(), 0);
    }
    static std::string StoredSetting(const std::string& name)
    {
        CSettingsKey key;
        std::string value;
        if (!key.Open() || !key.QueryString(name, value))
            return "<absent>";
        return value;
    }
    std::vector<ScriptedUi::Call> Pickers() const { return m_ui.CallsOf("BrowseForFolder"); }
    std::vector<ScriptedUi::Call> Boxes() const { return m_ui.CallsOf("MessageBox"); }

    TempDir m_home;
    TempDir m_files;
    ScriptedUi m_ui;
    ScriptedShell m_shell;
    Session m_session {m_ui};
};
