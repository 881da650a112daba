#pragma once

#include <map>
#include <string>
#include <vector>

#include <QMainWindow>

#include "app/gui/qtuiservices.h"
#include "fileops/gui/qtshellui.h"
#include "session/session.h"

class CPlayerBar;
class CRowCountLabel;
class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QPushButton;
class QSlider;
class QTableView;
class QToolBar;

// The main window: menu bar, toolbar, the track list view, the player bar. Every menu item,
// shortcut and toolbar button comes from the command table and runs the command's core
// function on the window's session. Controls are placed by ComputeMainLayout
// on every resize of the client area below the menu bar.
class CMainDlg final : public QMainWindow {
public:
    // The session asks the user through the window's own Qt dialogs.
    explicit CMainDlg(QWidget* parent = nullptr);
    // The session asks the user through ui instead (tests script the answers); the window's
    // own dialogs (Ui()) stay available.
    explicit CMainDlg(UiServices& ui, QWidget* parent = nullptr);
    ~CMainDlg() override;

    Session& GetSession() { return m_session; }
    QtUiServices& Ui() { return m_ui; }

    // The action of a command of the table, null for an unknown id.
    QAction* Action(int id) const;
    QMenu* ChangeMenu() const { return m_pChangeMenu; }
    QWidget* ClientArea() const { return m_pClient; }
    QTableView* TrackListView() const { return m_pTrackList; }
    QToolBar* ToolBar() const { return m_pToolbar; }
    QPushButton* PlayButton() const { return m_pPlay; }
    QPushButton* StopButton() const { return m_pStop; }
    QSlider* PositionSlider() const { return m_pPosition; }
    QSlider* VolumeSlider() const { return m_pVolume; }
    QLabel* VolumeLabel() const { return m_pVolumeLabel; }
    CPlayerBar& PlayerBar() const { return *m_pPlayerBar; }
    CRowCountLabel* RowCounts() const { return m_pRowCounts; }

    // The folder named on the command line, for the scan at the first showing.
    void SetCommandLineFolder(std::string folder) { m_strCommandLineFolder = std::move(folder); }
    const std::string& CommandLineFolder() const { return m_strCommandLineFolder; }

    // Runs the command of the table with that identifier, as its menu item does.
    void RunCommand(int id);

    // Saves the window's settings and releases what the session holds; runs once on close.
    void DestroyWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CMainDlg(UiServices* ui, QWidget* parent);
    void CreateCommands();
    void CreateTrackList();
    void CreatePlayerBar();
    void ApplyLayout();
    void ApplySavedWidths();
    void OnShowWindow();
    void RestorePlacement();
    void SaveSettings();
    void ShowTitle(const std::string& title);
    // The commands the window runs itself: its own dialogs, the player, closing.
    void RunWindowCommand(int id);
    void OnHeaderClick(int column, int button);
    void OnDblClkTrackList();
    // The folders and .mp3 files of a drag's URLs; empty when the window takes no drop now (a
    // scan runs or an earlier drop is still being added).
    std::vector<std::string> DroppablePaths(const QMimeData* data) const;

    QtUiServices m_ui;
    Session m_session;
    // The file operations' progress window and confirmations.
    QtShellUi m_shellUi;
    std::map<int, QAction*> m_actions;
    QMenu* m_pChangeMenu = nullptr;
    QWidget* m_pClient = nullptr;
    QToolBar* m_pToolbar = nullptr;
    QTableView* m_pTrackList = nullptr;
    QPushButton* m_pPlay = nullptr;
    QPushButton* m_pStop = nullptr;
    QSlider* m_pPosition = nullptr;
    QSlider* m_pVolume = nullptr;
    QLabel* m_pVolumeLabel = nullptr;
    CPlayerBar* m_pPlayerBar = nullptr;
    CRowCountLabel* m_pRowCounts = nullptr;
    std::string m_strCommandLineFolder;
    bool m_bShown = false;
    bool m_bDropPending = false;
    bool m_bDestroyed = false;
};
