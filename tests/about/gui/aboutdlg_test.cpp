#include <vector>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include "about/gui/aboutdlg.h"
#include "about/gui/hyperlink.h"
#include "res/resource.h"

namespace {

// Answers the next message box with the given button and records its texts.
struct BoxAnswer {
    QString text;
    QString caption;
    bool seen = false;
};

void AnswerNextBox(BoxAnswer& answer, QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, [&answer, button] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        answer.seen = true;
        answer.text = box->text();
        answer.caption = box->windowTitle();
        box->button(button)->click();
    });
}

void Hover(QWidget* w, bool inside)
{
    if (inside) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(w, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(w, &leave);
    }
}

} // namespace

TEST(AboutDlg, CaptionTextsAndFourLinks)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About mp3 Sonivar"));
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Mp3 Sonivar Version 1.0")));
    EXPECT_TRUE(texts.contains(QStringLiteral("10.03.2003.")));
    for (int id : {IDC_LINK_1031, IDC_LINK_MAIL, IDC_LINK_1033, IDC_LINK_1034}) {
        CHyperLink* link = dialog.Link(id);
        ASSERT_NE(link, nullptr) << id;
        EXPECT_EQ(link->objectName(), QString::number(id));
        EXPECT_TRUE(QUrl(link->text()).isValid()) << link->text().toStdString();
        EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor);
    }
    EXPECT_TRUE(dialog.Link(IDC_LINK_MAIL)->text().startsWith(QStringLiteral("mailto:")));
    // The README and the licence of the installed copy, never the source or build tree; the
    // settings folder.
    const QString build = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/..");
    for (int id : {IDC_LINK_1033, IDC_LINK_1034}) {
        const QString path = QUrl(dialog.Link(id)->text()).toLocalFile();
        EXPECT_TRUE(path.contains(QStringLiteral("/share/doc/sonivar/"))) << path.toStdString();
        EXPECT_FALSE(path.startsWith(QStringLiteral(SONIVAR_SOURCE_DIR))) << path.toStdString();
        EXPECT_FALSE(path.startsWith(build)) << path.toStdString();
    }
    EXPECT_TRUE(dialog.Link(IDC_LINK_1033)->text().endsWith(QStringLiteral("/README.md")));
    EXPECT_TRUE(dialog.Link(IDC_LINK_1034)->text().endsWith(QStringLiteral("/LICENSE")));
    EXPECT_TRUE(dialog.Link(IDC_LINK_1031)->text().endsWith(QStringLiteral("/Sonivar")));
    // A copy installed under any prefix links to its own documents.
    EXPECT_EQ(CAboutDlg::InstalledDocument(QStringLiteral("/opt/x/bin"), QStringLiteral("LICENSE")),
        QStringLiteral("/opt/x/share/doc/sonivar/LICENSE"));
    EXPECT_EQ(
        CAboutDlg::InstalledDocument(QStringLiteral("/usr/bin/"), QStringLiteral("README.md")),
        QStringLiteral("/usr/share/doc/sonivar/README.md"));
    auto* close = dialog.findChild<QPushButton*>(QString::number(IDOK));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Close"));
}

TEST(AboutDlg, LinkFontIsEightPointsAtTheScreenResolution)
{
    CAboutDlg dialog;
    const int dpi = dialog.logicalDpiY();
    EXPECT_EQ(dialog.LinkFont().pixelSize(), (8 * dpi + 36) / 72);
    if (dpi == 96) {
        EXPECT_EQ(dialog.LinkFont().pixelSize(), 11);
    }
    EXPECT_EQ(dialog.Link(IDC_LINK_1031)->font().pixelSize(), dialog.LinkFont().pixelSize());
}

TEST(HyperLink, HoverChangesTheColourAndLeavingRestoresIt)
{
    CAboutDlg dialog;
    dialog.show();
    CHyperLink* link = dialog.Link(IDC_LINK_1034);
    ASSERT_NE(link->NormalColor(), link->HoverColor());
    EXPECT_EQ(link->TextColor(), link->NormalColor());
    Hover(link, true);
    EXPECT_TRUE(link->IsHover());
    EXPECT_EQ(link->TextColor(), link->HoverColor());
    // The painted text really is in the hover colour.
    const QImage hovered = link->grab().toImage();
    bool foundHover = false;
    for (int y = 0; y < hovered.height() && !foundHover; ++y)
        for (int x = 0; x < hovered.width() && !foundHover; ++x)
            foundHover = hovered.pixelColor(x, y) == link->HoverColor();
    EXPECT_TRUE(foundHover);
    Hover(link, false);
    EXPECT_FALSE(link->IsHover());
    EXPECT_EQ(link->TextColor(), link->NormalColor());
}

TEST(HyperLink, ClickAsksBeforeOpeningAndNoOpensNothing)
{
    for (int round = 0; round < 2; ++round) { // the About box works the same twice
        CAboutDlg dialog;
        dialog.show();
        CHyperLink* link = dialog.Link(IDC_LINK_1033);
        std::vector<QUrl> opened;
        link->m_openUrl = [&opened](const QUrl& url) {
            opened.push_back(url);
            return true;
        };
        BoxAnswer no;
        AnswerNextBox(no, QMessageBox::No);
        Hover(link, true);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_TRUE(no.seen);
        EXPECT_EQ(no.text, QStringLiteral("Open '") + link->text() + QStringLiteral("'?"));
        EXPECT_EQ(no.caption, QStringLiteral("Open..."));
        EXPECT_TRUE(opened.empty());
        EXPECT_FALSE(link->IsHover());

        BoxAnswer yes;
        AnswerNextBox(yes, QMessageBox::Yes);
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(3, 3));
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], QUrl(link->text()));
    }
}
