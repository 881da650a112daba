#include "app/gui/maindlg.h"

#include <array>

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDropEvent>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolTip>
#include <QUrl>

#include "about/gui/aboutdlg.h"
#include "app/gui/codepagemenu.h"
#include "app/gui/mainlayout.h"
#include "app/gui/rowcountlabel.h"
#include "commands/commandtable.h"
#include "load/codepagecommand.h"
#include "load/gui/loadingdlg.h"
#include "platform/settingskey.h"
#include "play/gui/playerbar.h"
#include "res/resource.h"
#include "res/stringtable.h"
#include "session/selectioncommands.h"
#include "widgets/resourceicons.h"

namespace {

// Toolbar buttons after which a separator follows.
constexpr std::array<int, 3> kToolbarSeparatorsAfter = {2, 7, 8};

// Draws the row image beside the File text; the model itself holds only texts.
class RowIconDelegate final : public QStyledItemDelegate {
public:
    explicit RowIconDelegate(QObject* parent)
        : QStyledItemDelegate(parent), m_icon(ResourceIcon(IDI_ROW))
    {
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.column() == TrackList::ColFile) {
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->icon = m_icon;
            option->decorationSize = QSize(16, 16);
        }
    }

private:
    QIcon m_icon;
};

QList<QKeySequence> ShortcutsOf(const char* text)
{
    QList<QKeySequence> keys;
    for (const QString& part :
        QString::fromLatin1(text).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        keys << QKeySequence::fromString(part, QKeySequence::PortableText);
    return keys;
}

} // namespace

CMainDlg::CMainDlg(QWidget* parent) : CMainDlg(nullptr, parent)
{
}

CMainDlg::CMainDlg(UiServices& ui, QWidget* parent) : CMainDlg(&ui, parent)
{
}

CMainDlg::CMainDlg(UiServices* ui, QWidget* parent)
    : QMainWindow(parent), m_ui(this), m_session(ui ? *ui : m_ui), m_shellUi(this)
{
    m_session.SetShell(&m_shellUi);
    ApplySavedCodePage();
    setWindowTitle(QStringLiteral("MP3 Sonivar"));
    setWindowIcon(ResourceIcon(IDI_PROGRAM));
    setObjectName(QString::number(IDD_MAIN));

    // Folders and .mp3 files dropped on the window are added to the list.
    setAcceptDrops(true);

    m_pClient = new QWidget(this);
    setCentralWidget(m_pClient);
    m_pClient->installEventFilter(this);

    m_pToolbar = new QToolBar(m_pClient);
    m_pToolbar->setObjectName(QString::number(IDR_TOOLBAR));
    m_pToolbar->setIconSize(QSize(32, 32));
    m_pToolbar->setMovable(false);
    m_pToolbar->setFloatable(false);
    m_pToolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);

    CreateCommands();
    CreateTrackList();
    ApplySavedWidths();
    CreatePlayerBar();

    // The template's 344 x 219 dialog units; the client area must hold the bottom row.
    resize(516, 356 + menuBar()->sizeHint().height());
    setMinimumSize(445, 160);
    ApplyLayout();
}

CMainDlg::~CMainDlg()
{
    // Nothing may call back into the window while its members go away.
    m_session.m_onUndoMenuChanged = nullptr;
    m_session.m_onTitleChanged = nullptr;
}

void CMainDlg::CreateCommands()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    m_pChangeMenu = menuBar()->addMenu(QStringLiteral("Change"));
    QMenu* tag = m_pChangeMenu->addMenu(QStringLiteral("Tag"));
    QMenu* misc = menuBar()->addMenu(QStringLiteral("Misc"));

    std::map<int, QAction*> buttons;
    for (const Command& entry : Commands()) {
        if (entry.menu == MenuPlace::None)
            continue;
        auto* action = new QAction(QString::fromUtf8(entry.text), this);
        action->setObjectName(QString::number(entry.nId));
        action->setShortcuts(ShortcutsOf(entry.shortcuts));
        // Window shortcuts never fire while a modal dialog or message box has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        action->setEnabled(entry.nId != ID_UNDO);
        const int id = entry.nId;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        addAction(action);
        m_actions[entry.nId] = action;

        QMenu* menu = entry.menu == MenuPlace::File ? file
            : entry.menu == MenuPlace::ChangeTag    ? tag
            : entry.menu == MenuPlace::Change       ? m_pChangeMenu
                                                    : misc;
        if (entry.bSeparatorBefore)
            menu->addSeparator();
        menu->addAction(action);

        if (entry.nToolbarButton > 0) {
            action->setIcon(ResourceIcon(entry.nToolbarButton == 1
                    ? IDI_TOOL_ADDFOLDER
                    : IDI_TOOL_ADDFILES + entry.nToolbarButton - 2));
            action->setToolTip(QString::fromStdString(LoadString(entry.nId + kToolTipOffset)));
            buttons[entry.nToolbarButton] = action;
        }
    }
    // The tag code page, just before "About ...".
    misc->insertMenu(m_actions[ID_ABOUT], new CodePageMenu(m_session, misc));
    misc->insertSeparator(m_actions[ID_ABOUT]);

    for (const auto& [number, action] : buttons) {
        m_pToolbar->addAction(action);
        for (int after : kToolbarSeparatorsAfter)
            if (after == number)
                m_pToolbar->addSeparator();
    }
    // Menus show the icons' commands as text only, as the menu resource does.
    for (const auto& button : buttons)
        button.second->setIconVisibleInMenu(false);

    // The one Undo action sits in the menu bar and in the context menu ("Change") alike.
    m_session.m_onUndoMenuChanged
        = [this](bool enabled) { m_actions[ID_UNDO]->setEnabled(enabled); };
    m_session.m_onTitleChanged = [this](const std::string& title) { ShowTitle(title); };

    // Escape and the close box end the program; Enter does nothing.
    auto* escape = new QAction(this);
    escape->setShortcut(QKeySequence(Qt::Key_Escape));
    escape->setShortcutContext(Qt::WindowShortcut);
    connect(escape, &QAction::triggered, this, &CMainDlg::close);
    addAction(escape);
}

void CMainDlg::ShowTitle(const std::string& title)
{
    setWindowTitle(QString::fromStdString(title));
    // A command sets a title around work that keeps the event loop waiting ("Loading...." while
    // Add files reads the tags): the window is painted once under the new title first, so
    // that the window system shows it rather than only the title that follows.
    repaint();
}

void CMainDlg::CreateTrackList()
{
    TrackList& list = m_session.List();
    m_pTrackList = new QTableView(m_pClient);
    m_pTrackList->setObjectName(QString::number(IDC_TRACKLIST));
    m_pTrackList->setModel(&list);
    QItemSelectionModel* own = m_pTrackList->selectionModel();
    m_pTrackList->setSelectionModel(list.SelectionModel());
    delete own;
    m_pTrackList->setItemDelegate(new RowIconDelegate(m_pTrackList));
    m_pTrackList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTrackList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTrackList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTrackList->setShowGrid(false);
    m_pTrackList->setWordWrap(false);
    m_pTrackList->setIconSize(QSize(16, 16));
    m_pTrackList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pTrackList->setContextMenuPolicy(Qt::NoContextMenu);
    m_pTrackList->setTabKeyNavigation(false);

    // The selection stays visible when the list does not have the focus.
    QPalette palette = m_pTrackList->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
        palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
        palette.color(QPalette::Active, QPalette::HighlightedText));
    m_pTrackList->setPalette(palette);

    // Fixed row heights keep scrolling through many rows cheap.
    QHeaderView* rows = m_pTrackList->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(qMax(18, m_pTrackList->fontMetrics().height() + 4));

    QHeaderView* header = m_pTrackList->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(0);
    for (int column = 0; column < TrackList::ColumnCount; ++column)
        header->resizeSection(column, TrackList::kInitialWidths[column]);
    for (int position = 0; position < TrackList::ColumnCount; ++position)
        header->moveSection(header->visualIndex(TrackList::kDisplayOrder[position]), position);

    // A left click sorts; the other buttons reach the same handler, which ignores them.
    connect(header, &QHeaderView::sectionClicked, this,
        [this](int column) { OnHeaderClick(column, 0); });
    header->viewport()->installEventFilter(this);
    connect(m_pTrackList, &QTableView::doubleClicked, this, &CMainDlg::OnDblClkTrackList);
}

void CMainDlg::CreatePlayerBar()
{
    m_pPlay = new QPushButton(QStringLiteral("Play"), m_pClient);
    m_pPlay->setObjectName(QString::number(IDC_PLAY));
    m_pStop = new QPushButton(QStringLiteral("Stop"), m_pClient);
    m_pStop->setObjectName(QString::number(IDC_STOP));
    for (QPushButton* button : {m_pPlay, m_pStop}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    m_pPosition = new QSlider(Qt::Horizontal, m_pClient);
    m_pPosition->setObjectName(QString::number(IDC_POSITION_SLIDER));
    m_pPosition->setRange(0, 100);
    m_pPosition->setTickPosition(QSlider::NoTicks);

    m_pVolume = new QSlider(Qt::Horizontal, m_pClient);
    m_pVolume->setObjectName(QString::number(IDC_VOLUME_SLIDER));
    m_pVolume->setTickPosition(QSlider::NoTicks);

    m_pVolumeLabel = new QLabel(m_pClient);
    m_pVolumeLabel->setObjectName(QString::number(IDC_VOLUME_LABEL));
    m_pVolumeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The label is 25 pixels wide: a smaller font lets "100%" fit in it.
    QFont labelFont = m_pVolumeLabel->font();
    for (int size = QFontInfo(labelFont).pixelSize(); size > 6; --size) {
        labelFont.setPixelSize(size);
        if (QFontMetrics(labelFont).horizontalAdvance(QStringLiteral("100%")) <= 25)
            break;
    }
    m_pVolumeLabel->setFont(labelFont);

    m_pRowCounts = new CRowCountLabel(m_session.List(), m_pClient);
    m_pRowCounts->setObjectName(QStringLiteral("rowCounts"));

    // The bar reads the current volume into the slider and label and owns everything playback
    // does to them from here on: the range, the timer, the seek and the volume.
    m_pPlayerBar = new CPlayerBar(m_session.List(), m_pPosition, m_pVolume, m_pVolumeLabel, this);
    connect(m_pPlay, &QPushButton::clicked, this, [this] { RunCommand(ID_PLAY); });
    connect(m_pStop, &QPushButton::clicked, this, [this] { RunCommand(ID_STOP); });
    // The volume as a tool tip beside the thumb while it is dragged.
    m_pVolume->setToolTip(QString::number(m_pVolume->value()));
    connect(m_pVolume, &QSlider::valueChanged, this,
        [this](int percent) { m_pVolume->setToolTip(QString::number(percent)); });
    connect(m_pVolume, &QSlider::sliderMoved, this, [this](int percent) {
        QToolTip::showText(QCursor::pos(), QString::number(percent), m_pVolume);
    });
}

QAction* CMainDlg::Action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainDlg::ApplyLayout()
{
    const MainLayout layout = ComputeMainLayout(m_pClient->size());
    m_pTrackList->setGeometry(layout.trackList);
    m_pPlay->setGeometry(layout.playButton);
    m_pStop->setGeometry(layout.stopButton);
    m_pPosition->setGeometry(layout.positionSlider);
    m_pVolume->setGeometry(layout.volumeSlider);
    m_pVolumeLabel->setGeometry(layout.volumeLabel);
    m_pRowCounts->setGeometry(layout.rowCounts);
    m_pToolbar->setGeometry(layout.toolbar);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pClient && event->type() == QEvent::Resize)
        ApplyLayout();
    QHeaderView* header = m_pTrackList ? m_pTrackList->horizontalHeader() : nullptr;
    if (header && watched == header->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const int button = mouse->button() == Qt::RightButton ? 1
            : mouse->button() == Qt::MiddleButton             ? 2
                                                              : 0;
        const int column = header->logicalIndexAt(mouse->position().toPoint());
        if (button != 0 && column >= 0)
            OnHeaderClick(column, button);
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // The "Change" menu at the mouse cursor, wherever in the window the click was.
    event->accept();
    m_pChangeMenu->exec(QCursor::pos());
}

std::vector<std::string> CMainDlg::DroppablePaths(const QMimeData* data) const
{
    std::vector<std::string> paths;
    // The window is disabled while a scan's Loading dialog runs.
    if (!data || !isEnabled() || m_bDropPending)
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        // The name's bytes as the file system holds them.
        std::string path = QFile::encodeName(url.toLocalFile()).toStdString();
        if (IsDroppablePath(path))
            paths.push_back(std::move(path));
    }
    return paths;
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (DroppablePaths(event->mimeData()).empty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void CMainDlg::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths = DroppablePaths(event->mimeData());
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The rows are added once the drop has returned to the program it came from, so that a
    // scan's Loading dialog does not hold up the drag's source.
    m_bDropPending = true;
    QTimer::singleShot(0, this, [this, paths = std::move(paths)] {
        CLoadingDlg loading(this);
        AddDroppedPaths(m_session, loading, paths);
        m_bDropPending = false;
    });
}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    // The window is disabled while a folder scan's Loading dialog runs; a close request then
    // (from the window manager) would leave the scan's loop running with no window.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    DestroyWindow();
    event->accept();
}

void CMainDlg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous() && !m_bShown) {
        m_bShown = true;
        OnShowWindow();
    }
}

void CMainDlg::OnShowWindow()
{
    RestorePlacement();
    // The command-line folder is scanned once the window is on the screen, so that the Loading
    // dialog's modal loop does not run inside the show event.
    // A window closed before then scans nothing: the scan would run on with no window.
    if (!m_strCommandLineFolder.empty())
        QTimer::singleShot(0, this, [this] {
            if (m_bDestroyed)
                return;
            CLoadingDlg loading(this);
            ScanCommandLineFolder(m_session, loading, m_strCommandLineFolder);
        });
}

void CMainDlg::ApplySavedWidths()
{
    CSettingsKey key;
    if (!key.Open())
        return;
    QHeaderView* header = m_pTrackList->horizontalHeader();
    for (int column = 0; column < TrackList::ColumnCount; ++column) {
        std::uint32_t width = 0;
        if (key.QueryDword(WidthValueName(column), width))
            header->resizeSection(column, static_cast<int>(width & 0xFFFF));
    }
}

void CMainDlg::RestorePlacement()
{
    CSettingsKey key;
    if (!key.Open())
        return;
    // The edges are always written together; a key that lacks one of them, or holds an empty
    // rectangle, keeps the window where it is.
    std::uint32_t top = 0, left = 0, right = 0, bottom = 0;
    const bool haveEdges = key.QueryDword(kValueTop, top) && key.QueryDword(kValueLeft, left)
        && key.QueryDword(kValueRight, right) && key.QueryDword(kValueBottom, bottom);
    const QRect saved(QPoint(static_cast<std::int32_t>(left), static_cast<std::int32_t>(top)),
        QPoint(static_cast<std::int32_t>(right) - 1, static_cast<std::int32_t>(bottom) - 1));
    if (haveEdges && saved.width() > 0 && saved.height() > 0) {
        // A rectangle on a screen that is gone keeps its size but not its place.
        bool onScreen = false;
        for (const QScreen* screen : QGuiApplication::screens())
            onScreen = onScreen || screen->availableGeometry().intersects(saved);
        if (onScreen)
            setGeometry(saved);
        else
            resize(saved.size());
    }
    std::uint32_t zoom = 0;
    if (key.QueryDword(kValueZoom, zoom) && zoom != 0)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void CMainDlg::SaveSettings()
{
    // Only Add folder creates the key: until then nothing is saved.
    CSettingsKey key;
    if (!key.Open())
        return;
    QHeaderView* header = m_pTrackList->horizontalHeader();
    for (int column = 0; column < TrackList::ColumnCount; ++column)
        key.SetDword(
            WidthValueName(column), static_cast<std::uint32_t>(header->sectionSize(column)));
    // The edges are those of the window inside the frame the window manager draws, so the same
    // rectangle comes back whatever the frame is (and whether it was known at the first showing).
    const bool maximized = isMaximized();
    if (!isMinimized() && !maximized) {
        const QRect rect = geometry();
        key.SetDword(kValueLeft, static_cast<std::uint32_t>(rect.left()));
        key.SetDword(kValueTop, static_cast<std::uint32_t>(rect.top()));
        key.SetDword(kValueRight, static_cast<std::uint32_t>(rect.left() + rect.width()));
        key.SetDword(kValueBottom, static_cast<std::uint32_t>(rect.top() + rect.height()));
    }
    key.SetDword(kValueZoom, maximized ? 1 : 0);
    key.Close();
}

void CMainDlg::DestroyWindow()
{
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    m_session.Journal().Clear();
    SaveSettings();
}

void CMainDlg::OnHeaderClick(int column, int button)
{
    ::OnHeaderClick(m_session, column, button);
    TrackList& list = m_session.List();
    if (list.SortColumn() < 0)
        return;
    QHeaderView* header = m_pTrackList->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(
        list.SortColumn(), list.SortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CMainDlg::OnDblClkTrackList()
{
    // The click has made the row the first selected one; Play takes that row.
    RunCommand(ID_PLAY);
}

void CMainDlg::RunCommand(int id)
{
    const Command* command = FindCommand(id);
    if (!command)
        return;
    if (command->run)
        command->run(m_session);
    else
        RunWindowCommand(id);
}

void CMainDlg::RunWindowCommand(int id)
{
    switch (id) {
    case ID_ADD_FOLDER: {
        CLoadingDlg loading(this);
        OnAddFolder(m_session, loading);
        break;
    }
    case ID_EXIT:
        close();
        break;
    case ID_PLAY:
        m_pPlayerBar->Controller().OnPlay();
        break;
    case ID_STOP:
        m_pPlayerBar->Controller().OnStop();
        break;
    case ID_ABOUT: {
        CAboutDlg dialog(this);
        dialog.DoModal();
        break;
    }
    }
}
