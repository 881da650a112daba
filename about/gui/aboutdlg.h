#pragma once

#include <array>

#include <QDialog>
#include <QFont>

class CHyperLink;

// The About box: program icon, version line, date, one mail link and links to the installed
// README and licence and to the settings folder.
class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    int DoModal();

    // The installed document name of a program run from programFolder: under
    // share/doc/sonivar beside the bin folder it runs from, or, for a program that does not
    // run from an installed bin folder (a build), where installing puts the documents.
    static QString InstalledDocument(const QString& programFolder, const QString& name);

    // The links bound to 1033, 1034, 1031 and 1032, in that order.
    CHyperLink* Link(int controlId) const;
    const QFont& LinkFont() const { return m_fontLink; }

private:
    QFont m_fontLink;
    QFont m_fontLinkHover;
    std::array<CHyperLink*, 4> m_links {};
};
