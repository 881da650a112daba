#pragma once

#include <functional>
#include <string>

#include "session/tracklist.h"
#include "session/undojournal.h"

class UiServices;
class ShellUi;

// What the commands work on: the track list, the journal with its command identifier, and the
// user interface services. The main window, the CLI and the tests each own one.
class Session {
public:
    explicit Session(UiServices& ui);

    TrackList& List() { return m_trackList; }
    UiServices& Ui() { return m_ui; }

    // The shell's confirmations and progress for file operations; null until set.
    ShellUi* Shell() const { return m_pShell; }
    void SetShell(ShellUi* shell) { m_pShell = shell; }

    // Re-evaluates the Undo item: enabled exactly while the journal has entries. Only this
    // call changes the item's state (Delete empties the journal without calling it).
    void UpdateUndoMenu();
    bool IsUndoEnabled() const { return m_bUndoEnabled; }
    // Called with the new state whenever UpdateUndoMenu runs.
    std::function<void(bool)> m_onUndoMenuChanged;
    // Shows a new main window title ("Loading...." while Add files adds rows); may be empty.
    std::function<void(const std::string&)> m_onTitleChanged;

    // A dry run: the commands go through their steps as usual, but each step that would change
    // a file on disk hands Preview a line that says what it would do, and does nothing. Empty
    // for a real run.
    std::function<void(const std::string& line)> m_onPreview;
    bool IsDryRun() const { return static_cast<bool>(m_onPreview); }
    void Preview(const std::string& line) { m_onPreview(line); }

    // The snapshots of the last tag or rename batch, and the command that made them.
    CUndoJournal& Journal() { return m_journal; }
    const CUndoJournal& Journal() const { return m_journal; }
    int JournalCommand() const { return m_nJournalCommand; }
    // Empties the journal and records the command that fills it, with room for an entry per
    // selected row.
    void StartJournal(int commandId);

private:
    CUndoJournal m_journal;
    int m_nJournalCommand = 0;
    TrackList m_trackList;
    UiServices& m_ui;
    ShellUi* m_pShell = nullptr;
    bool m_bUndoEnabled = false;
};
