#include "about/gui/aboutdlg.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include "about/gui/hyperlink.h"
#include "widgets/dialogunits.h"
#include "widgets/resourceicons.h"
#include "res/resource.h"

namespace {

constexpr std::array<int, 4> kLinkIds
    = {IDC_LINK_1033, IDC_LINK_1034, IDC_LINK_1031, IDC_LINK_MAIL};

QString DocumentUrl(const QString& name)
{
    return QUrl::fromLocalFile(
        CAboutDlg::InstalledDocument(QCoreApplication::applicationDirPath(), name))
        .toString();
}

QString SettingsFolderUrl()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return QUrl::fromLocalFile(config + QStringLiteral("/Sonivar")).toString();
}

} // namespace

QString CAboutDlg::InstalledDocument(const QString& programFolder, const QString& name)
{
    const QString bin = QStringLiteral("/" SONIVAR_INSTALL_BINDIR);
    const QString folder = QDir::cleanPath(programFolder);
    QString prefix = QStringLiteral(SONIVAR_INSTALL_PREFIX);
    if (folder.endsWith(bin))
        prefix = folder.left(folder.size() - bin.size());
    return QDir::cleanPath(prefix + QStringLiteral("/" SONIVAR_INSTALL_DOCDIR "/") + name);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About mp3 Sonivar"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
        | Qt::WindowCloseButtonHint);
    setFixedSize(DialogUnits(this, 0, 0, 222, 118).size());

    auto* group = new QGroupBox(this);
    group->setGeometry(DialogUnits(this, 4, 1, 212, 111));

    auto* icon = new QLabel(this);
    icon->setGeometry(DialogUnits(this, 12, 14, 20, 20));
    icon->setPixmap(ResourcePixmap(IDI_PROGRAM, 32));

    auto* version = new QLabel(QStringLiteral("Mp3 Sonivar Version 1.0"), this);
    version->setGeometry(DialogUnits(this, 47, 11, 91, 9));
    auto* line = new QLabel(QStringLiteral("ID3v1 batch tag editor for Linux"), this);
    line->setGeometry(DialogUnits(this, 47, 22, 111, 9));
    auto* date = new QLabel(QStringLiteral("10.03.2003."), this);
    date->setGeometry(DialogUnits(this, 160, 11, 41, 9));

    // 8 points at the screen's vertical resolution; the hover font is the same font.
    const int pixels = (8 * logicalDpiY() + 36) / 72;
    m_fontLink = font();
    m_fontLink.setPixelSize(pixels);
    m_fontLinkHover = m_fontLink;

    const QStringList targets = {
        DocumentUrl(QStringLiteral("README.md")),
        DocumentUrl(QStringLiteral("LICENSE")),
        SettingsFolderUrl(),
        QStringLiteral("mailto:sonivar@example.org"),
    };
    const std::array<QRect, 4> places
        = {DialogUnits(this, 47, 59, 160, 10), DialogUnits(this, 47, 75, 160, 10),
            DialogUnits(this, 47, 89, 105, 10), DialogUnits(this, 48, 37, 160, 10)};
    const QCursor linkCursor(ResourcePixmap(IDC_LINKCURSOR, 32), 10, 2);
    for (std::size_t i = 0; i < m_links.size(); ++i) {
        m_links[i] = new CHyperLink(this);
        m_links[i]->setObjectName(QString::number(kLinkIds[i]));
        m_links[i]->setText(targets[static_cast<int>(i)]);
        m_links[i]->setToolTip(targets[static_cast<int>(i)]);
        m_links[i]->setGeometry(places[i]);
        m_links[i]->SetLinkCursor(linkCursor);
        m_links[i]->SetFonts(&m_fontLink, &m_fontLinkHover);
    }

    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QString::number(IDOK));
    close->setGeometry(DialogUnits(this, 157, 90, 52, 15));
    close->setDefault(true);
    close->setFocus();
    connect(close, &QPushButton::clicked, this, &CAboutDlg::accept);
}

CAboutDlg::~CAboutDlg() = default;

int CAboutDlg::DoModal()
{
    return exec() == QDialog::Accepted ? IDOK : IDCANCEL;
}

CHyperLink* CAboutDlg::Link(int controlId) const
{
    for (std::size_t i = 0; i < kLinkIds.size(); ++i)
        if (kLinkIds[i] == controlId)
            return m_links[i];
    return nullptr;
}
