#include "edit/gui/genredlg.h"

#include <algorithm>
#include <strings.h>
#include <vector>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "widgets/dialogunits.h"
#include "model/genres.h"
#include "res/resource.h"

CGenreDlg::CGenreDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Genre"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowCloseButtonHint);
    setFixedSize(DialogUnits(this, 0, 0, 187, 66).size());

    auto* group = new QGroupBox(this);
    group->setGeometry(DialogUnits(this, 7, 7, 173, 52));

    auto* label = new QLabel(QStringLiteral("Genre:"), this);
    label->setGeometry(DialogUnits(this, 14, 17, 34, 10));

    m_pCombo = new QComboBox(this);
    m_pCombo->setObjectName(QString::number(IDC_GENRE_COMBO));
    m_pCombo->setGeometry(DialogUnits(this, 14, 30, 98, 13));
    // Styles that open a non-editable combo box as a menu (Fusion among them) ignore the number
    // of visible items and fill the screen's height; a scrolling list keeps it to a dozen.
    m_pCombo->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_pCombo->setMaxVisibleItems(12);
    label->setBuddy(m_pCombo);

    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QString::number(IDOK));
    m_pOk->setGeometry(DialogUnits(this, 124, 16, 47, 13));
    m_pOk->setDefault(true);
    m_pOk->setEnabled(false);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QString::number(IDCANCEL));
    cancel->setGeometry(DialogUnits(this, 124, 33, 47, 13));

    // The list is sorted like the system's sorted combo box (case-insensitive), the blank entry
    // first; each entry keeps its own code as item data.
    struct Entry {
        std::string name;
        int code;
    };
    std::vector<Entry> entries;
    entries.push_back({GenreName(kNoGenre), kNoGenre});
    for (int code = 0; code < kGenreCount; ++code)
        entries.push_back({GenreName(code), code});
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return strcasecmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    for (const Entry& entry : entries)
        m_pCombo->addItem(QString::fromStdString(entry.name), entry.code);
    m_pCombo->setCurrentIndex(-1);

    setTabOrder(m_pOk, cancel);
    setTabOrder(cancel, m_pCombo);

    connect(m_pCombo, &QComboBox::currentIndexChanged, this, &CGenreDlg::OnSelEndOkGenre);
    connect(m_pOk, &QPushButton::clicked, this, &CGenreDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CGenreDlg::reject);
}

CGenreDlg::~CGenreDlg() = default;

int CGenreDlg::DoModal()
{
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

void CGenreDlg::OnSelEndOkGenre(int index)
{
    m_pOk->setEnabled(index >= 0);
    if (index < 0)
        return;
    m_strGenre = m_pCombo->itemText(index).toStdString();
    m_nGenre = m_pCombo->itemData(index).toInt();
}
