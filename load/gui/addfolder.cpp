#include "load/gui/addfolder.h"

#include <QTimer>

#include "load/gui/loadingdlg.h"

namespace {

// A Loading dialog for each load, running its modal loop over the main window. The rows go
// into the list at every batch the walk has ready and at every refresh of the dialog's texts,
// so the cost does not grow with the number of rows; the end closes the loop, also when it
// comes before the loop has started.
class LoadingView final : public LoadView {
public:
    explicit LoadingView(QWidget* mainWindow) : m_pMainWindow(mainWindow) { }

    void ShowProgress(const ScanWorker::Progress& progress) override
    {
        m_pDialog->SetProgress(progress.m_strFolder, progress.m_strFile, progress.m_nLoaded);
    }

    void Run(const Deliver& deliver) override
    {
        CLoadingDlg dialog(m_pMainWindow);
        dialog.SetCancelFlag(&g_bCancelScan);
        m_pDialog = &dialog;
        m_pDeliver = &deliver;
        QTimer timer;
        timer.setInterval(kLoadRefreshMs);
        QObject::connect(&timer, &QTimer::timeout, &dialog, [this] { Step(); });
        dialog.show();
        timer.start();
        Step();
        dialog.RunModalLoopOver(m_pMainWindow);
        m_pDeliver = nullptr;
    }

    // Queued to this thread; a wake left over from an earlier load only delivers early.
    void Wake() override
    {
        QMetaObject::invokeMethod(
            &m_receiver, [this] { Step(); }, Qt::QueuedConnection);
    }

private:
    void Step()
    {
        if (m_pDeliver && !m_pDialog->IsModalLoopEnded()
            && !(*m_pDeliver)(std::chrono::milliseconds(0)))
            m_pDialog->EndModalLoop(0);
    }

    QWidget* m_pMainWindow;
    QObject m_receiver;
    CLoadingDlg* m_pDialog = nullptr;
    const Deliver* m_pDeliver = nullptr;
};

} // namespace

void OnAddFolder(Session& session, QWidget* mainWindow)
{
    LoadingView view(mainWindow);
    OnAddFolder(session, view);
}

void ScanCommandLineFolder(Session& session, QWidget* mainWindow, const std::string& folder)
{
    LoadingView view(mainWindow);
    ScanCommandLineFolder(session, view, folder);
}

void AddDroppedPaths(Session& session, QWidget* mainWindow, const std::vector<std::string>& paths)
{
    LoadingView view(mainWindow);
    AddDroppedPaths(session, view, paths);
}
