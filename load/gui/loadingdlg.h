#pragma once

#include <atomic>
#include <string>

#include <QDialog>

class QLabel;
class QPushButton;

// The Loading dialog of a folder scan: the folder and file being read, the count loaded so
// far, and Cancel. Cancel (also Escape and the window's close) only raises the cancel flag;
// the dialog stays until the scan ends its modal loop with EndModalLoop, which also works
// when the scan ends before the loop has started.
class CLoadingDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CLoadingDlg(QWidget* parent = nullptr);
    ~CLoadingDlg() override;

    // The flag the scan polls before every entry; raised by Cancel. May be null.
    void SetCancelFlag(std::atomic<bool>* flag) { m_pCancelFlag = flag; }

    // The texts of the Folder, File and Loaded statics.
    void SetProgress(const std::string& folder, const std::string& file, int loaded);

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
    QLabel* m_pFolder;
    QLabel* m_pFile;
    QLabel* m_pLoaded;
    QPushButton* m_pCancelButton;
    std::atomic<bool>* m_pCancelFlag = nullptr;
    bool m_bEnded = false;
    bool m_bInLoop = false;
    int m_nResult = 0;
};
