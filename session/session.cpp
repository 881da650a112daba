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
