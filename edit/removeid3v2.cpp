#include "edit/removeid3v2.h"

#include "model/id3v2.h"
#include "model/mp3file.h"
#include "platform/atomicfile.h"
#include "platform/exception.h"
#include "platform/file.h"
#include "session/batch.h"
#include "session/failedrows.h"
#include "session/session.h"

namespace {

// What a dry run shows instead of the removal: the bytes the ID3v2 tags take, once the file
// is open for writing as the removal needs it. False when it is not.
bool PreviewRemoval(Session& session, const std::string& path)
{
    CFile file;
    if (!file.Open(path, CFile::modeReadWrite))
        return false;
    const std::int64_t cut = Id3v2HeadSize(file, file.GetLength());
    if (cut > 0)
        session.Preview(path + ": ID3v2 tag: " + std::to_string(cut) + " bytes -> removed");
    return true;
}

} // namespace

void OnRemoveId3v2(Session& session)
{
    if (!CheckSelection(session, "Nista nije oznaceno. Nema sanse da prodje.", "Oznaci nesto"))
        return;
    FailedRows failed;
    // The folders are searched for stale temporary files once for the whole batch.
    const AtomicFileBatch batch;
    TrackList& list = session.List();
    CMp3File file;
    for (int row = list.GetNextSelected(-1); row != -1;) {
        const int next = list.GetNextSelected(row);
        // A file error ends this row only; the file layer leaves the original whole.
        const std::string path = RowPath(list, row);
        try {
            file.Load(path, CMp3File::kForUpdate);
            const bool removed = !file.m_bValid ? false
                : session.IsDryRun()            ? PreviewRemoval(session, path)
                                                : file.RemoveId3v2();
            if (!removed)
                ReportRowFailure(
                    path, file.m_nLastError ? FileErrorText(file.m_nLastError) : std::string());
        } catch (const CException& error) {
            ReportRowFailure(path, error);
        }
        PauseAfterRow();
        row = next;
    }
    failed.ShowIfAny(session);
}
