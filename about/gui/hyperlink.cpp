#include "about/gui/hyperlink.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

CHyperLink::CHyperLink(QWidget* parent)
    : QLabel(parent)
    , m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , m_crNormal(palette().color(QPalette::WindowText))
    , m_crHover(palette().color(QPalette::Highlight))
    , m_crText(m_crNormal)
{
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_Hover);
}

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetFonts(const QFont* font, const QFont* hoverFont)
{
    m_pFont = font;
    m_pHoverFont = hoverFont;
    m_crText = m_crNormal;
    if (m_pFont)
        setFont(*m_pFont);
    update();
}

void CHyperLink::SetLinkCursor(const QCursor& cursor)
{
    setCursor(cursor);
}

void CHyperLink::SetHover(bool hover)
{
    if (hover == m_bHover)
        return;
    m_bHover = hover;
    m_crText = hover ? m_crHover : m_crNormal;
    const QFont* font = hover ? m_pHoverFont : m_pFont;
    if (font)
        setFont(*font);
    update();
}

void CHyperLink::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    SetHover(true);
}

void CHyperLink::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    SetHover(false);
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    const QString target = text();
    SetHover(false);
    const auto answer = QMessageBox::question(this, QStringLiteral("Open..."),
        QStringLiteral("Open '") + target + QStringLiteral("'?"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer == QMessageBox::Yes && m_openUrl)
        m_openUrl(QUrl::fromUserInput(target));
}

void CHyperLink::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setFont(font());
    painter.setPen(m_crText);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text());
}
