#include "widgets/inputdlg.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/dialogunits.h"
#include "res/resource.h"

CInputDlg::CInputDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Dialog"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowCloseButtonHint);
    setFixedSize(DialogUnits(this, 0, 0, 250, 82).size());

    auto* group = new QGroupBox(this);
    group->setGeometry(DialogUnits(this, 7, 7, 236, 71));

    m_pPrompt = new QLabel(QStringLiteral("Static"), this);
    m_pPrompt->setObjectName(QString::number(IDC_PROMPT));
    m_pPrompt->setGeometry(DialogUnits(this, 14, 16, 155, 19));
    m_pPrompt->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pPrompt->setTextFormat(Qt::PlainText);

    m_pEdit = new QLineEdit(this);
    m_pEdit->setObjectName(QString::number(IDC_INPUT_EDIT));
    m_pEdit->setGeometry(DialogUnits(this, 15, 38, 153, 16));

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QString::number(IDOK));
    m_pOk->setGeometry(DialogUnits(this, 183, 23, 50, 14));
    m_pOk->setDefault(true);

    m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_pCancel->setObjectName(QString::number(IDCANCEL));
    m_pCancel->setGeometry(DialogUnits(this, 183, 40, 50, 14));

    m_pDel = new QPushButton(QStringLiteral("Del"), this);
    m_pDel->setObjectName(QString::number(IDC_DEL_BUTTON));
    m_pDel->setGeometry(DialogUnits(this, 16, 60, 25, 12));
    m_pDel->setAutoDefault(false);
    // A click leaves the focus, and with it the selection, in the edit field.
    m_pDel->setFocusPolicy(Qt::TabFocus);

    m_pSmallOk = new QPushButton(QStringLiteral("Ok"), this);
    m_pSmallOk->setObjectName(QString::number(IDC_SMALL_OK_BUTTON));
    m_pSmallOk->setGeometry(DialogUnits(this, 45, 60, 28, 12));
    m_pSmallOk->setAutoDefault(false);

    // Tab order as in the template: OK first, the edit field gets the focus when shown.
    setTabOrder(m_pOk, m_pCancel);
    setTabOrder(m_pCancel, m_pEdit);
    setTabOrder(m_pEdit, m_pDel);
    setTabOrder(m_pDel, m_pSmallOk);

    // The edit field drops its selection when it loses the focus (Tab to Del); the selection it
    // had is kept for Del, as the system's edit control keeps it.
    m_pEdit->installEventFilter(this);

    connect(m_pOk, &QPushButton::clicked, this, &CInputDlg::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &CInputDlg::reject);
    connect(m_pDel, &QPushButton::clicked, this, &CInputDlg::OnDelButton);
    connect(m_pSmallOk, &QPushButton::clicked, this, &CInputDlg::OnOkButton);
}

CInputDlg::~CInputDlg() = default;

int CInputDlg::DoModal()
{
    m_pPrompt->setText(QString::fromStdString(m_strPrompt));
    m_pEdit->setText(QString::fromStdString(m_strText));
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CInputDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_pPrompt->setText(QString::fromStdString(m_strPrompt));
    m_pEdit->setText(QString::fromStdString(m_strText));
    m_pEdit->setFocus(Qt::OtherFocusReason);
}

bool CInputDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pEdit && event->type() == QEvent::FocusOut) {
        m_nKeptSelStart = m_pEdit->selectionStart();
        m_nKeptSelLength = m_pEdit->selectionLength();
    } else if (watched == m_pEdit && event->type() == QEvent::FocusIn) {
        m_nKeptSelStart = -1;
    }
    return QDialog::eventFilter(watched, event);
}

void CInputDlg::OnDelButton()
{
    if (!m_pEdit->hasFocus() && m_nKeptSelStart >= 0)
        m_pEdit->setSelection(m_nKeptSelStart, m_nKeptSelLength);
    m_nKeptSelStart = -1;
    // Cut moves the selected text to the clipboard; without a selection it does nothing.
    m_pEdit->cut();
}

void CInputDlg::OnOkButton()
{
    accept();
}

void CInputDlg::accept()
{
    m_strText = m_pEdit->text().toStdString();
    QDialog::accept();
}
