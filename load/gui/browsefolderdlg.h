#pragma once

#include <string>

#include <QDialog>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

// The folder picker's window: instruction text, a tree of the file system's folders, the
// current folder as status text, and OK, Cancel and the optional "Create New" button. OK and
// "Create New" are enabled exactly while a folder is selected.
class CBrowseFolderDlg final : public QDialog {
    Q_OBJECT

public:
    CBrowseFolderDlg(QWidget* parent, const std::string& title, const std::string& root,
        const std::string& initial, bool showCreateNew);
    ~CBrowseFolderDlg() override;

    // The folder selected in the tree; empty when none.
    std::string ChosenFolder() const { return m_strCurrent; }
    // Selects a folder in the tree and scrolls to it; false when the tree does not hold it.
    bool SelectFolder(const std::string& path);

    QTreeView* Tree() const { return m_pTree; }
    QPushButton* OkButton() const { return m_pOk; }
    QPushButton* CreateNewButton() const { return m_pCreateNew; }
    QPushButton* HomeButton() const { return m_pHome; }
    QLabel* StatusText() const { return m_pStatus; }

    // Set when "Create New" made a folder and ended the picker.
    bool m_bCreated = false;
    std::string m_strCreated;

protected:
    void showEvent(QShowEvent* event) override;
    void accept() override;

private:
    void OnSelectionChanged();
    void OnDirectoryLoaded(const QString& path);
    void OnCreateNew();
    void OnHome();
    void UpdateButtons();

    QFileSystemModel* m_pModel;
    QTreeView* m_pTree;
    QLabel* m_pInstruction;
    QLabel* m_pStatus;
    QPushButton* m_pHome;
    QPushButton* m_pCreateNew;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    std::string m_strCurrent;
    // The folder still to be scrolled to once the model has read the folders above it.
    QString m_strPendingScroll;
};
