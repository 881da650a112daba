#include "edit/removeid3v2.h"

#include "app/session.h"
#include "edit/batch.h"
#include "model/mp3file.h"
#include "platform/exception.h"

void OnRemoveId3v2(Session& session)
{
    if (!CheckSelection(session, "Nista nije oznaceno. Nema sanse da prodje.", "Oznaci nesto"))
        return;
    TrackList& list = session.List();
    CMp3File file;
    for (int row = list.GetNextSelected(-1); row != -1;) {
        const int next = list.GetNextSelected(row);
        // A file error ends this row only; the file layer leaves the original whole.
        const std::string path = RowPath(list, row);
        try {
            if (!file.SetPath(path) || !file.RemoveId3v2())
                ReportRowFailure(
                    path, file.m_nLastError ? FileErrorText(file.m_nLastError) : std::string());
        } catch (const CException& error) {
            ReportRowFailure(path, error);
        }
        PauseAfterRow();
        row = next;
    }
}
