#include <functional>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/gui/qtuiservices.h"
#include "res/resource.h"
#include "support/whenshown.h"
#include "widgets/inputdlg.h"

namespace {

// Types text, letters outside ASCII included, as key events carrying the text.
void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

template <class T> T* Child(QWidget* dialog, int id)
{
    return dialog->findChild<T*>(QString::number(id));
}

} // namespace

TEST(InputDlg, TypedTextAndEnterConfirmWithTheTextAsTyped)
{
    CInputDlg dialog;
    dialog.m_strPrompt = "Artist name:";
    dialog.m_strText = "old";
    bool focused = false;
    QString prompt;
    WhenShown([&](QWidget* w) {
        auto* edit = Child<QLineEdit>(w, IDC_INPUT_EDIT);
        focused = w->focusWidget() == edit;
        prompt = Child<QLabel>(w, IDC_PROMPT)->text();
        edit->selectAll();
        TypeText(edit, QStringLiteral("  Šćepan Đurić  "));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(focused);
    EXPECT_EQ(prompt, QStringLiteral("Artist name:"));
    EXPECT_EQ(dialog.m_strText, "  Šćepan Đurić  ");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Dialog"));
}

TEST(InputDlg, CancelAndEscapeKeepTheCallersText)
{
    CInputDlg dialog;
    dialog.m_strText = "keep";
    WhenShown([](QWidget* w) {
        QTest::keyClicks(Child<QLineEdit>(w, IDC_INPUT_EDIT), QStringLiteral("typed"));
        Child<QPushButton>(w, IDCANCEL)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_strText, "keep");

    // The same object shows again with the members set anew.
    dialog.m_strText = "second";
    QString shown;
    WhenShown([&](QWidget* w) {
        auto* edit = Child<QLineEdit>(w, IDC_INPUT_EDIT);
        shown = edit->text();
        QTest::keyClicks(edit, QStringLiteral("x"));
        QTest::keyClick(edit, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(shown, QStringLiteral("second"));
    EXPECT_EQ(dialog.m_strText, "second");
}

TEST(InputDlg, SmallOkButtonConfirmsLikeOk)
{
    CInputDlg dialog;
    WhenShown([](QWidget* w) {
        QTest::keyClicks(Child<QLineEdit>(w, IDC_INPUT_EDIT), QStringLiteral("1999"));
        QTest::mouseClick(Child<QPushButton>(w, IDC_SMALL_OK_BUTTON), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.m_strText, "1999");
}

TEST(InputDlg, DelCutsTheSelectionToTheClipboardAndNothingWithoutOne)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    CInputDlg dialog;
    dialog.m_strText = "Hello World";
    QString afterNoSelection, clipAfterNoSelection;
    WhenShown([&](QWidget* w) {
        auto* edit = Child<QLineEdit>(w, IDC_INPUT_EDIT);
        auto* del = Child<QPushButton>(w, IDC_DEL_BUTTON);
        edit->deselect();
        del->click();
        afterNoSelection = edit->text();
        clipAfterNoSelection = QGuiApplication::clipboard()->text();
        edit->setSelection(5, 6);
        del->click();
        Child<QPushButton>(w, IDOK)->click();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(afterNoSelection, QStringLiteral("Hello World"));
    EXPECT_EQ(clipAfterNoSelection, QStringLiteral("before"));
    EXPECT_EQ(dialog.m_strText, "Hello");
    EXPECT_EQ(clipboard->text(), QStringLiteral(" World"));
}

TEST(InputDlg, DelCutsTheSelectionByTabAndSpaceAndByMouseClick)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    CInputDlg dialog;
    QString afterKeys, clipAfterKeys;
    WhenShown([&](QWidget* w) {
        auto* edit = Child<QLineEdit>(w, IDC_INPUT_EDIT);
        auto* del = Child<QPushButton>(w, IDC_DEL_BUTTON);
        // Focus moves (and so selections drop) only in the active window.
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QTest::keyClicks(edit, QStringLiteral("Song xyz"));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(edit, Qt::Key_Left, Qt::ShiftModifier);
        // Tab takes the focus to Del, and the edit field drops its visible selection.
        QTest::keyClick(edit, Qt::Key_Tab);
        QTest::keyClick(w->focusWidget(), Qt::Key_Space);
        afterKeys = edit->text();
        clipAfterKeys = QGuiApplication::clipboard()->text();

        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("abc"));
        QTest::keyClick(edit, Qt::Key_Home, Qt::ShiftModifier);
        QTest::mouseClick(del, Qt::LeftButton);
        EXPECT_TRUE(edit->hasFocus());
        QTest::keyClick(w->focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(afterKeys, QStringLiteral("Song "));
    EXPECT_EQ(clipAfterKeys, QStringLiteral("xyz"));
    EXPECT_EQ(dialog.m_strText, "");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Song abc"));
}

TEST(InputDlg, PromptWithOneNewlineShowsOnTwoLines)
{
    CInputDlg dialog;
    dialog.m_strPrompt = "Create new folder in\n/music";
    int lines = 0;
    WhenShown([&](QWidget* w) {
        auto* label = Child<QLabel>(w, IDC_PROMPT);
        lines = label->text().count(QLatin1Char('\n')) + 1;
        // Both lines fit in the static's height.
        EXPECT_GE(label->height(), 2 * label->fontMetrics().height() - 4);
        w->close();
    });
    dialog.DoModal();
    EXPECT_EQ(lines, 2);
}

TEST(InputDlg, UiServicesSeamRunsTheRealDialog)
{
    QtUiServices ui;
    std::string text = "a";
    WhenShown([](QWidget* w) {
        auto* edit = Child<QLineEdit>(w, IDC_INPUT_EDIT);
        edit->selectAll();
        QTest::keyClicks(edit, QStringLiteral("Nova"));
        QTest::keyClick(edit, Qt::Key_Enter);
    });
    EXPECT_EQ(ui.InputDialog("Album name:", text), IDOK);
    EXPECT_EQ(text, "Nova");

    WhenShown([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(ui.InputDialog("Album name:", text), IDCANCEL);
    EXPECT_EQ(text, "Nova");
}
