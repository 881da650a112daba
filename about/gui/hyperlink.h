#pragma once

#include <functional>

#include <QColor>
#include <QCursor>
#include <QLabel>

class QFont;
class QUrl;

// A text that opens itself: it shows its text in the menu-text colour, in the highlight
// colour while the pointer is over it, shows the link cursor, and on a click asks
// "Open '<text>'?" before handing the text to the desktop to open.
class CHyperLink final : public QLabel {
    Q_OBJECT

public:
    explicit CHyperLink(QWidget* parent = nullptr);
    ~CHyperLink() override;

    // Either font may be null (the label's font then stays).
    void SetFonts(const QFont* font, const QFont* hoverFont);
    void SetLinkCursor(const QCursor& cursor);

    bool IsHover() const { return m_bHover; }
    QColor TextColor() const { return m_crText; }
    QColor NormalColor() const { return m_crNormal; }
    QColor HoverColor() const { return m_crHover; }

    // How a confirmed link is opened; QDesktopServices::openUrl unless replaced (tests).
    std::function<bool(const QUrl&)> m_openUrl;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetHover(bool hover);

    const QFont* m_pFont = nullptr;
    const QFont* m_pHoverFont = nullptr;
    QColor m_crNormal;
    QColor m_crHover;
    QColor m_crText;
    bool m_bHover = false;
};
