#include "load/gui/browsefolderdlg.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "widgets/inputdlg.h"
#include "platform/path.h"
#include "res/resource.h"

namespace {

// Whether ancestor is path itself or one of the folders above it.
bool IsSameOrAbove(const QString& ancestor, const QString& path)
{
    if (ancestor == path || ancestor == QLatin1String("/"))
        return true;
    return path.startsWith(ancestor) && path.size() > ancestor.size()
        && path.at(ancestor.size()) == QLatin1Char('/');
}

} // namespace

CBrowseFolderDlg::CBrowseFolderDlg(QWidget* parent, const std::string& title,
    const std::string& root, const std::string& initial, bool showCreateNew)
    : QDialog(parent)
    , m_pModel(new QFileSystemModel(this))
    , m_pTree(new QTreeView(this))
    , m_pInstruction(new QLabel(QString::fromStdString(title), this))
    , m_pStatus(new QLabel(this))
    , m_pHome(new QPushButton(QStringLiteral("&Home"), this))
    , m_pCreateNew(new QPushButton(QStringLiteral("Create New"), this))
    , m_pOk(new QPushButton(QStringLiteral("OK"), this))
    , m_pCancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setWindowTitle(QStringLiteral("Browse For Folder"));
    resize(420, 460);

    m_pInstruction->setTextFormat(Qt::PlainText);
    m_pInstruction->setWordWrap(true);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pHome->setToolTip(QStringLiteral("Show the home folder"));
    m_pHome->setAutoDefault(false);

    // Only folders, as one tree from the file system's root.
    m_pModel->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_pModel->setReadOnly(true);
    m_pModel->setRootPath(QStringLiteral("/"));
    m_pTree->setModel(m_pModel);
    for (int column = 1; column < m_pModel->columnCount(); ++column)
        m_pTree->hideColumn(column);
    m_pTree->setHeaderHidden(true);
    m_pTree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pTree->setUniformRowHeights(true);
    const QString rootFolder = QString::fromStdString(root);
    if (!rootFolder.isEmpty() && QFileInfo(rootFolder).isDir()) {
        const QModelIndex rootIndex = m_pModel->index(rootFolder);
        if (rootIndex.isValid())
            m_pTree->setRootIndex(rootIndex);
    }

    m_pOk->setObjectName(QString::number(IDOK));
    m_pOk->setDefault(true);
    m_pCancel->setObjectName(QString::number(IDCANCEL));
    m_pCancel->setAutoDefault(false);
    m_pCreateNew->setObjectName(QString::number(IDC_CREATE_NEW));
    m_pCreateNew->setAutoDefault(false);
    // As tall as OK and a little wider, on OK's row at the left edge.
    m_pCreateNew->setMinimumWidth(m_pOk->sizeHint().width() + 10);
    m_pCreateNew->setVisible(showCreateNew);

    auto* top = new QHBoxLayout;
    top->addWidget(m_pInstruction, 1);
    top->addWidget(m_pHome, 0, Qt::AlignTop);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pCreateNew);
    buttons->addStretch(1);
    buttons->addWidget(m_pOk);
    buttons->addWidget(m_pCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pTree, 1);
    layout->addLayout(buttons);

    connect(m_pTree->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        &CBrowseFolderDlg::OnSelectionChanged);
    connect(
        m_pModel, &QFileSystemModel::directoryLoaded, this, &CBrowseFolderDlg::OnDirectoryLoaded);
    connect(m_pOk, &QPushButton::clicked, this, &CBrowseFolderDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CBrowseFolderDlg::reject);
    connect(m_pCreateNew, &QPushButton::clicked, this, &CBrowseFolderDlg::OnCreateNew);
    connect(m_pHome, &QPushButton::clicked, this, &CBrowseFolderDlg::OnHome);

    if (!initial.empty())
        SelectFolder(initial);
    UpdateButtons();
}

CBrowseFolderDlg::~CBrowseFolderDlg() = default;

bool CBrowseFolderDlg::SelectFolder(const std::string& path)
{
    const QString folder = QDir::cleanPath(QString::fromStdString(path));
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    const QModelIndex index = m_pModel->index(folder);
    if (!index.isValid())
        return false;
    for (QModelIndex above = index.parent(); above.isValid(); above = above.parent())
        m_pTree->expand(above);
    m_pTree->setCurrentIndex(index);
    m_pTree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // The folders above are read in the background; rows they add move the target, so it is
    // scrolled to again as each of them arrives.
    m_strPendingScroll = folder;
    return true;
}

void CBrowseFolderDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    const QModelIndex current = m_pTree->currentIndex();
    if (current.isValid())
        m_pTree->scrollTo(current, QAbstractItemView::PositionAtCenter);
}

void CBrowseFolderDlg::OnDirectoryLoaded(const QString& path)
{
    if (m_strPendingScroll.isEmpty() || !IsSameOrAbove(path, m_strPendingScroll))
        return;
    const QModelIndex index = m_pModel->index(m_strPendingScroll);
    if (index.isValid() && index == m_pTree->currentIndex())
        m_pTree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void CBrowseFolderDlg::OnSelectionChanged()
{
    const QModelIndexList selected = m_pTree->selectionModel()->selectedRows();
    if (!selected.isEmpty()) {
        const QString path = m_pModel->filePath(selected.first());
        if (!path.isEmpty() && m_pModel->isDir(selected.first())) {
            m_strCurrent = path.toStdString();
            m_pStatus->setText(path);
            if (path != m_strPendingScroll)
                m_strPendingScroll.clear();
        }
    }
    UpdateButtons();
}

void CBrowseFolderDlg::UpdateButtons()
{
    const bool haveFolder
        = !m_pTree->selectionModel()->selectedRows().isEmpty() && !m_strCurrent.empty();
    m_pOk->setEnabled(haveFolder);
    m_pCreateNew->setEnabled(haveFolder);
}

void CBrowseFolderDlg::OnHome()
{
    SelectFolder(QDir::homePath().toStdString());
    m_pTree->setFocus();
}

void CBrowseFolderDlg::OnCreateNew()
{
    if (!m_pOk->isEnabled())
        return;
    CInputDlg input(this);
    input.m_strPrompt = "Napravi folder u:\n" + m_strCurrent;
    input.m_strText.clear();
    input.DoModal();
    // A name holding '/' would reach into or out of other folders; only one new level under
    // the current folder is made. Every failure leaves the picker open.
    if (input.m_strText.find('/') != std::string::npos)
        return;
    const std::string path = JoinPath(m_strCurrent, input.m_strText);
    if (::mkdir(path.c_str(), 0777) != 0)
        return;
    m_strCreated = path;
    m_bCreated = true;
    reject();
}

void CBrowseFolderDlg::accept()
{
    if (!m_pOk->isEnabled())
        return;
    QDialog::accept();
}
