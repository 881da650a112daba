#include "session/session.h"

Session::Session(UiServices& ui) : m_ui(ui)
{
}

void Session::UpdateUndoMenu()
{
    m_bUndoEnabled = m_journal.GetSize() > 0;
    if (m_onUndoMenuChanged)
        m_onUndoMenuChanged(m_bUndoEnabled);
}

void Session::StartJournal(int commandId)
{
    m_journal.Clear();
    m_journal.Reserve(m_trackList.GetSelectedCount());
    m_nJournalCommand = commandId;
}
