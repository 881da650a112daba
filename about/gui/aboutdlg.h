#pragma once

#include <array>

#include <QDialog>
#include <QFont>

class CHyperLink;

// The About box: program icon, version line, date, one mail link and three links to the
// program's own documents.
class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    int DoModal();

    // The links bound to 1033, 1034, 1031 and 1032, in that order.
    CHyperLink* Link(int controlId) const;
    const QFont& LinkFont() const { return m_fontLink; }

private:
    QFont m_fontLink;
    QFont m_fontLinkHover;
    std::array<CHyperLink*, 4> m_links {};
};
