#include <functional>
#include <set>
#include <strings.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/gui/qtuiservices.h"
#include "edit/gui/genredlg.h"
#include "model/genres.h"
#include "res/resource.h"
#include "support/whenshown.h"

TEST(GenreDlg, BlankFirstThenNamesSortedEachWithItsOwnCode)
{
    CGenreDlg dialog;
    QComboBox* combo = dialog.Combo();
    ASSERT_EQ(combo->count(), kGenreCount + 1);
    EXPECT_EQ(combo->itemText(0), QStringLiteral(" "));
    EXPECT_EQ(combo->itemData(0).toInt(), 255);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    std::set<int> codes;
    for (int i = 0; i < combo->count(); ++i) {
        const int code = combo->itemData(i).toInt();
        codes.insert(code);
        EXPECT_EQ(combo->itemText(i).toStdString(), GenreName(code)) << i;
        if (i > 1) {
            const std::string a = combo->itemText(i - 1).toStdString();
            const std::string b = combo->itemText(i).toStdString();
            EXPECT_LE(strcasecmp(a.c_str(), b.c_str()), 0) << a << " / " << b;
        }
    }
    EXPECT_EQ(codes.size(), static_cast<std::size_t>(kGenreCount + 1));
    EXPECT_EQ(combo->findText(QStringLiteral("Blues")) > 0, true);
    EXPECT_EQ(combo->itemData(combo->findText(QStringLiteral("Blues"))).toInt(), 0);
}

TEST(GenreDlg, OkStaysDisabledUntilAnEntryIsChosen)
{
    CGenreDlg dialog;
    bool okBefore = true, okAfter = false;
    WhenShown([&](QWidget* w) {
        auto* ok = w->findChild<QPushButton*>(QString::number(IDOK));
        okBefore = ok->isEnabled();
        // Enter with nothing chosen does not confirm.
        QTest::keyClick(w, Qt::Key_Return);
        auto* combo = w->findChild<QComboBox*>(QString::number(IDC_GENRE_COMBO));
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        okAfter = ok->isEnabled();
        ok->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_FALSE(okBefore);
    EXPECT_TRUE(okAfter);
    // The first step down from no selection is the blank entry.
    EXPECT_EQ(dialog.m_nGenre, 255);
    EXPECT_EQ(dialog.m_strGenre, " ");
}

TEST(GenreDlg, SeamReturnsTheChosenCodeOrNothingOnCancel)
{
    QtUiServices ui;
    WhenShown([](QWidget* w) {
        auto* combo = w->findChild<QComboBox*>(QString::number(IDC_GENRE_COMBO));
        combo->setCurrentIndex(combo->findText(QStringLiteral("Hip-Hop")));
        QTest::keyClick(w, Qt::Key_Return);
    });
    auto choice = ui.ChooseGenre();
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->code, 7);
    EXPECT_EQ(choice->text, "Hip-Hop");

    WhenShown([](QWidget* w) {
        auto* combo = w->findChild<QComboBox*>(QString::number(IDC_GENRE_COMBO));
        combo->setCurrentIndex(3);
        w->findChild<QPushButton*>(QString::number(IDCANCEL))->click();
    });
    EXPECT_FALSE(ui.ChooseGenre().has_value());
}

TEST(GenreDlg, DropDownShowsAboutADozenEntriesNotTheScreenHeight)
{
    CGenreDlg dialog;
    dialog.show();
    QComboBox* combo = dialog.Combo();
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    ASSERT_TRUE(view->isVisible());
    const int rowHeight = view->sizeHintForRow(0);
    ASSERT_GT(rowHeight, 0);
    // The list scrolls: between ten and fourteen rows fit in its visible part.
    const int rows = view->viewport()->height() / rowHeight;
    EXPECT_GE(rows, 10);
    EXPECT_LE(rows, 14);
    EXPECT_LT(view->window()->height(), combo->screen()->availableGeometry().height() / 2);
    combo->hidePopup();
}
