#include "load/gui/loadingdlg.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "res/resource.h"
#include "widgets/dialogunits.h"

CLoadingDlg::CLoadingDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Loading..."));
    // A tool window with a caption and no close box: only Cancel ends the scan.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
        | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(DialogUnits(this, 0, 0, 213, 86).size());
    // Modal from its first showing: the dialog is shown before its loop runs, and a window shown
    // modeless stays modeless, leaving the main window open to the window manager's close.
    setWindowModality(Qt::ApplicationModal);

    auto* group = new QGroupBox(this);
    group->setGeometry(DialogUnits(this, 7, 7, 199, 72));

    auto addCaption = [this](const char* text, int x, int y, int width, int height) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setGeometry(DialogUnits(this, x, y, width, height));
    };
    auto addValue = [this](int id, int x, int y, int width, int height) {
        auto* label = new QLabel(this);
        label->setObjectName(QString::number(id));
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
        label->setGeometry(DialogUnits(this, x, y, width, height));
        return label;
    };
    addCaption("Folder:", 16, 20, 29, 10);
    m_pFolder = addValue(IDC_FOLDER_STATIC, 51, 20, 147, 10);
    addCaption("File:", 16, 34, 17, 9);
    m_pFile = addValue(IDC_FILE_STATIC, 51, 34, 147, 9);
    addCaption("Loaded:", 16, 46, 27, 8);
    m_pLoaded = addValue(IDC_LOADED_STATIC, 51, 46, 147, 8);

    m_pCancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancelButton->setObjectName(QString::number(IDOK));
    m_pCancelButton->setGeometry(DialogUnits(this, 75, 60, 55, 14));
    m_pCancelButton->setDefault(true);

    connect(m_pCancelButton, &QPushButton::clicked, this, &CLoadingDlg::OnOK);
}

CLoadingDlg::~CLoadingDlg()
{
    // Whatever ends the dialog stops a scan that may still be running.
    m_bCancelled = true;
    if (m_pCancelFlag)
        m_pCancelFlag->store(true);
}

void CLoadingDlg::ShowProgress(const ScanWorker::Progress& progress)
{
    m_pFolder->setText(QString::fromStdString(progress.m_strFolder));
    m_pFile->setText(QString::fromStdString(progress.m_strFile));
    m_pLoaded->setText(QString::number(progress.m_nLoaded));
}

void CLoadingDlg::Run(const Deliver& deliver)
{
    // A dialog that served an earlier load (the folders of one drop) starts afresh.
    m_bEnded = false;
    for (QLabel* label : {m_pFolder, m_pFile, m_pLoaded})
        label->clear();
    m_pDeliver = &deliver;
    show();
    Step();
    RunModalLoopOver(parentWidget());
    // A load that ended before the loop started leaves no loop to hide the dialog.
    hide();
    m_pDeliver = nullptr;
}

void CLoadingDlg::Wake()
{
    QMetaObject::invokeMethod(
        this, [this] { Step(); }, Qt::QueuedConnection);
}

void CLoadingDlg::Step()
{
    if (m_pDeliver && !m_bEnded && !(*m_pDeliver)(std::chrono::milliseconds(0)))
        EndModalLoop(0);
}

void CLoadingDlg::OnOK()
{
    m_bCancelled = true;
    if (m_pCancelFlag)
        m_pCancelFlag->store(true);
}

void CLoadingDlg::reject()
{
    // Escape is Cancel: closing the loop here would let the scan go on adding rows while the
    // main window is usable again.
    OnOK();
}

void CLoadingDlg::closeEvent(QCloseEvent* event)
{
    if (!m_bEnded) {
        OnOK();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

int CLoadingDlg::RunModalLoop()
{
    if (!m_bEnded) {
        m_bInLoop = true;
        exec();
        m_bInLoop = false;
    }
    return m_nResult;
}

int CLoadingDlg::RunModalLoopOver(QWidget* mainWindow)
{
    if (mainWindow)
        mainWindow->setEnabled(false);
    // Disabling a window disables its child windows as well; this one must stay usable.
    setEnabled(true);
    const int result = RunModalLoop();
    if (mainWindow)
        mainWindow->setEnabled(true);
    return result;
}

void CLoadingDlg::EndModalLoop(int result)
{
    if (m_bEnded)
        return;
    m_bEnded = true;
    m_nResult = result;
    if (m_bInLoop)
        done(result);
}
