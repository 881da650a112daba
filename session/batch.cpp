#include "session/batch.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "platform/exception.h"
#include "platform/file.h"
#include "platform/path.h"
#include "platform/uiservices.h"
#include "res/resource.h"
#include "session/failedrows.h"
#include "session/session.h"

namespace {

std::atomic<bool> g_bBatchPause {true};
RowFailureHandler g_rowFailureHandler;

} // namespace

bool CheckSelection(Session& session, const std::string& text, const std::string& caption)
{
    if (session.List().GetNextSelected(-1) >= 0)
        return true;
    session.Ui().MessageBox(text, caption, MB_ICONINFORMATION);
    return false;
}

std::string RowPath(const TrackList& list, int row)
{
    return JoinPath(
        list.GetItemText(row, TrackList::ColFolder), list.GetItemText(row, TrackList::ColFile));
}

void SetBatchPause(bool on)
{
    g_bBatchPause = on;
}

bool BatchPause()
{
    return g_bBatchPause;
}

void PauseAfterRow()
{
    if (g_bBatchPause)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void SetRowFailureHandler(RowFailureHandler handler)
{
    g_rowFailureHandler = std::move(handler);
}

bool HasRowFailureHandler()
{
    return static_cast<bool>(g_rowFailureHandler);
}

void ReportRowFailure(const std::string& path, const std::string& reason)
{
    const std::string why = reason.empty() ? ExplainFailure(path) : reason;
    if (FailedRows* failed = FailedRows::Current())
        failed->Add(path, why);
    if (g_rowFailureHandler)
        g_rowFailureHandler(path, why);
}

void ReportRowFailure(const std::string& path, const CException& error)
{
    if (const auto* fileError = dynamic_cast<const CFileException*>(&error))
        ReportRowFailure(fileError->m_strFileName.empty() ? path : fileError->m_strFileName,
            FileErrorText(static_cast<int>(fileError->m_lOsError)));
    else
        ReportRowFailure(path, error.What());
}
