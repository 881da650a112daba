#pragma once

#include <map>
#include <string>

#include <QMainWindow>

#include "app/gui/qtuiservices.h"
#include "app/session.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QTableView;
class QToolBar;

// The main window: menu bar, toolbar, the track list view, the player bar. Every menu item,
// shortcut and toolbar button comes from the command table and runs a handler that calls the
// command's core function on the window's session. Controls are placed by ComputeMainLayout
// on every resize of the client area below the menu bar.
class CMainDlg final : public QMainWindow {
public:
    explicit CMainDlg(QWidget* parent = nullptr);
    ~CMainDlg() override;

    Session& GetSession() { return m_session; }
    QtUiServices& Ui() { return m_ui; }

    // The action of a command of the table, null for an unknown id.
    QAction* Action(int id) const;
    QMenu* ChangeMenu() const { return m_pChangeMenu; }
    QWidget* ClientArea() const { return m_pClient; }
    QTableView* TrackListView() const { return m_pTrackList; }
    QToolBar* ToolBar() const { return m_pToolbar; }
    // The player bar, for the playback controller to attach to.
    QPushButton* PlayButton() const { return m_pPlay; }
    QPushButton* StopButton() const { return m_pStop; }
    QSlider* PositionSlider() const { return m_pPosition; }
    QSlider* VolumeSlider() const { return m_pVolume; }
    QLabel* VolumeLabel() const { return m_pVolumeLabel; }

    // The folder named on the command line, for the scan at the first showing.
    void SetCommandLineFolder(std::string folder) { m_strCommandLineFolder = std::move(folder); }
    const std::string& CommandLineFolder() const { return m_strCommandLineFolder; }

    // Command handlers (bound through the command table).
    void OnExit();
    void OnAbout();

    // Saves the window's settings and releases what the session holds; runs once on close.
    void DestroyWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void CreateCommands();
    void CreateTrackList();
    void CreatePlayerBar();
    void ApplyLayout();
    void OnHeaderClick(int column);
    void OnDoubleClick();
    void OnVolumeChanged(int percent);

    QtUiServices m_ui;
    Session m_session;
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
    std::string m_strCommandLineFolder;
    bool m_bDestroyed = false;
};
