#pragma once

#include <atomic>
#include <string>

#include <QDialog>

#include "load/loadfolder.h"

class QLabel;
class QPushButton;

// The Loading dialog of a folder scan: the folder and file being read, the count loaded so
// far, and Cancel. Cancel (also Escape and the window's close) only raises the cancel flag;
// the dialog stays until the scan ends its modal loop with EndModalLoop, which also works
// when the scan ends before the loop has started. As the window's view of a load, it runs its
// modal loop over its parent, the main window, once for each load.
class CLoadingDlg final : public QDialog, public LoadView {
    Q_OBJECT

public:
    explicit CLoadingDlg(QWidget* parent = nullptr);
    ~CLoadingDlg() override;

    // The flag the scan polls before every entry (g_bCancelScan unless set); raised by Cancel.
    // May be null.
    void SetCancelFlag(std::atomic<bool>* flag) { m_pCancelFlag = flag; }

    // The texts of the Folder, File and Loaded statics.
    void ShowProgress(const ScanWorker::Progress& progress) override;
    // Shows the dialog and runs its modal loop over the main window, delivering a batch at
    // every wake, until the load has ended.
    void Run(const Deliver& deliver) override;
    // Queued to the dialog's thread; a wake left over from an earlier load only delivers early.
    void Wake() override;

    // Runs the modal loop until EndModalLoop; returns the result given there.
    int RunModalLoop();
    // The same with mainWindow disabled for exactly the span of the loop, so that no shortcut,
    // menu or toolbar command reaches it meanwhile.
    int RunModalLoopOver(QWidget* mainWindow);
    // Ends the modal loop with result; when it has not started yet, RunModalLoop returns at once.
    void EndModalLoop(int result);
    bool IsModalLoopEnded() const { return m_bEnded; }

    QPushButton* CancelButton() const { return m_pCancelButton; }
    QLabel* FolderStatic() const { return m_pFolder; }
    QLabel* FileStatic() const { return m_pFile; }
    QLabel* LoadedStatic() const { return m_pLoaded; }

    bool m_bCancelled = false;

    // The Cancel button (the template's OK identifier): asks the scan to stop.
    void OnOK();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Step();

    QLabel* m_pFolder;
    QLabel* m_pFile;
    QLabel* m_pLoaded;
    QPushButton* m_pCancelButton;
    std::atomic<bool>* m_pCancelFlag = &g_bCancelScan;
    const Deliver* m_pDeliver = nullptr;
    bool m_bEnded = false;
    bool m_bInLoop = false;
    int m_nResult = 0;
};
