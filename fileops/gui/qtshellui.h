#pragma once

#include <memory>

#include <QDialog>
#include <QPointer>

#include "platform/shellui.h"
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

// The shell operation's windows with Qt widgets: one application-modal progress window (the
// batch's title, a bar, the current file, Cancel), the confirmations as message boxes with
// Yes, Yes to All, No and Cancel, and error boxes. Events are processed while the operation
// runs, so the window repaints and Cancel is seen between items and blocks.
class QtShellUi final : public ShellUi {
public:
    explicit QtShellUi(QWidget* parent = nullptr);
    ~QtShellUi() override;
    QtShellUi(const QtShellUi&) = delete;
    QtShellUi& operator=(const QtShellUi&) = delete;

    void BeginProgress(const std::string& title) override;
    void StepProgress(const std::string& item, int index, int count) override;
    void StepBytes(long long done, long long total) override;
    bool IsCancelRequested() override;
    void EndProgress() override;

    Answer ConfirmReplace(const std::string& target, const std::string& source) override;
    Answer ConfirmCreateFolder(const std::string& folder) override;
    Answer ConfirmDelete(const std::vector<std::string>& items, bool permanently,
        const std::string& reason) override;
    bool ShowError(const std::string& caption, const std::string& text, bool canSkip) override;

    // The progress window while it is up, else null.
    QDialog* ProgressWindow() const { return m_pProgress; }

private:
    // The window dialogs are shown over: the progress window while it is up, else the parent.
    QWidget* DialogParent() const;
    void RequestCancel();

    QPointer<QWidget> m_pParent;
    QPointer<QDialog> m_pProgress;
    QLabel* m_pFileLabel = nullptr;
    QProgressBar* m_pBar = nullptr;
    QPushButton* m_pCancel = nullptr;
    bool m_bCancel = false;
    int m_nIndex = 0;
    int m_nCount = 1;
    // Bar steps per item.
    int m_nItemSteps = 1;
};
