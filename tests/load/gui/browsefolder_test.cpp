#include <functional>

#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include "load/gui/browsefolder.h"
#include "load/gui/browsefolderdlg.h"
#include "platform/path.h"
#include "support/fixtures.h"
#include "widgets/inputdlg.h"

namespace {

// Runs step on the picker once its modal loop has started.
void WhenPickerShown(std::function<void(CBrowseFolderDlg*)> step)
{
    QTimer::singleShot(0, [step] {
        auto* dialog = qobject_cast<CBrowseFolderDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        step(dialog);
    });
}

// Answers the input dialog the picker opens with a typed name and OK (or Cancel).
void WhenInputShown(const QString& name, bool ok)
{
    QTimer::singleShot(0, [name, ok] {
        auto* input = qobject_cast<CInputDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(input, nullptr);
        input->Edit()->setText(name);
        if (ok)
            QTest::keyClick(input->Edit(), Qt::Key_Return);
        else
            QTest::keyClick(input->Edit(), Qt::Key_Escape);
    });
}

std::string SelectedPath(CBrowseFolderDlg* dialog)
{
    auto* model = qobject_cast<QFileSystemModel*>(dialog->Tree()->model());
    return model->filePath(dialog->Tree()->currentIndex()).toStdString();
}

} // namespace

TEST(BrowseForFolder, StartsAtTheInitialFolderAndOkReturnsTheSelection)
{
    TempDir dir;
    MakeFolder(dir / "Rock");
    MakeFolder(dir / "Rock/Live");
    QWidget owner;
    std::string result = "unchanged";
    bool checked = false;
    WhenPickerShown([&](CBrowseFolderDlg* dialog) {
        checked = true;
        EXPECT_EQ(SelectedPath(dialog), dir / "Rock");
        EXPECT_EQ(dialog->StatusText()->text().toStdString(), dir / "Rock");
        EXPECT_TRUE(dialog->OkButton()->isEnabled());
        EXPECT_FALSE(dialog->CreateNewButton()->isVisible());
        // The instruction text is the caller's title.
        bool titleShown = false;
        for (QLabel* label : dialog->findChildren<QLabel*>())
            titleShown = titleShown || label->text() == QStringLiteral("Izaberi folder:");
        EXPECT_TRUE(titleShown);
        // Moving to the sub-folder and pressing Enter chooses it.
        EXPECT_TRUE(dialog->SelectFolder(dir / "Rock/Live"));
        EXPECT_EQ(dialog->StatusText()->text().toStdString(), dir / "Rock/Live");
        QTest::keyClick(dialog->Tree(), Qt::Key_Return);
    });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Izaberi folder:", "", dir / "Rock", false), 1);
    EXPECT_TRUE(checked);
    EXPECT_EQ(result, dir / "Rock/Live");
}

TEST(BrowseForFolder, CancelAndEscapeEmptyTheResult)
{
    TempDir dir;
    QWidget owner;
    std::string result = "old";
    WhenPickerShown(
        [](CBrowseFolderDlg* dialog) { dialog->findChild<QPushButton*>("2")->click(); });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Izaberi folder:", "", dir.Path(), false), 0);
    EXPECT_TRUE(result.empty());

    result = "old";
    WhenPickerShown([](CBrowseFolderDlg* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Izaberi folder:", "", dir.Path(), true), 0);
    EXPECT_TRUE(result.empty());
}

TEST(BrowseForFolder, TreeStartsAtTheRootOfTheFileSystemAndReachesHome)
{
    QWidget owner;
    std::string result;
    WhenPickerShown([](CBrowseFolderDlg* dialog) {
        QTreeView* tree = dialog->Tree();
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        const QModelIndex top = model->index(0, 0, tree->rootIndex());
        EXPECT_EQ(model->filePath(top), QStringLiteral("/"));
        // Without an initial folder nothing is selected, so nothing can be confirmed.
        EXPECT_FALSE(dialog->OkButton()->isEnabled());
        EXPECT_FALSE(dialog->CreateNewButton()->isEnabled());
        QTest::keyClick(tree, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        dialog->HomeButton()->click();
        EXPECT_EQ(SelectedPath(dialog), QDir::homePath().toStdString());
        EXPECT_TRUE(dialog->OkButton()->isEnabled());
        dialog->OkButton()->click();
    });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Izaberi folder:", "", "", false), 1);
    EXPECT_EQ(result, QDir::homePath().toStdString());
}

TEST(BrowseForFolder, CreateNewMakesTheFolderAndFinishesWithIt)
{
    TempDir dir;
    QWidget owner;
    std::string result;
    bool asked = false;
    WhenPickerShown([&](CBrowseFolderDlg* dialog) {
        QPushButton* create = dialog->CreateNewButton();
        EXPECT_TRUE(create->isVisible());
        EXPECT_TRUE(create->isEnabled());
        // Left of OK on the same row, as tall as OK and wider.
        QPushButton* ok = dialog->OkButton();
        EXPECT_LT(create->geometry().right(), ok->geometry().left());
        EXPECT_EQ(create->geometry().top(), ok->geometry().top());
        EXPECT_EQ(create->height(), ok->height());
        EXPECT_GE(create->width(), ok->width() + 10);
        QTimer::singleShot(0, [&] {
            auto* input = qobject_cast<CInputDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(input, nullptr);
            EXPECT_EQ(input->m_strPrompt, "Napravi folder u:\n" + dir.Path());
            EXPECT_TRUE(input->Edit()->text().isEmpty());
            asked = true;
            input->Edit()->setText(QStringLiteral("Novi folder"));
            QTest::keyClick(input->Edit(), Qt::Key_Return);
        });
        create->click();
    });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Select CopyFolder", "", dir.Path(), true), 1);
    EXPECT_TRUE(asked);
    EXPECT_EQ(result, dir / "Novi folder");
    EXPECT_TRUE(QFileInfo(QString::fromStdString(dir / "Novi folder")).isDir());
}

TEST(BrowseForFolder, FailedCreationKeepsThePickerOpen)
{
    TempDir dir;
    MakeFolder(dir / "postoji");
    QWidget owner;
    std::string result;
    int attempts = 0;
    WhenPickerShown([&](CBrowseFolderDlg* dialog) {
        QPushButton* create = dialog->CreateNewButton();
        // An existing name, a name reaching into another folder, a missing parent and a
        // cancelled input all fail and keep the picker up.
        for (const auto& [name, ok] :
            std::vector<std::pair<QString, bool>> {{QStringLiteral("postoji"), true},
                {QStringLiteral("../izvan"), true}, {QStringLiteral("nema/dublje"), true},
                {QStringLiteral("odustao"), false}, {QString(), true}}) {
            WhenInputShown(name, ok);
            create->click();
            ++attempts;
            EXPECT_TRUE(dialog->isVisible()) << name.toStdString();
            EXPECT_FALSE(dialog->m_bCreated);
        }
        dialog->findChild<QPushButton*>("2")->click();
    });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Izaberi root folder:", "", dir.Path(), true), 0);
    EXPECT_EQ(attempts, 5);
    EXPECT_TRUE(result.empty());
    EXPECT_FALSE(PathExists(FolderOf(dir.Path()) + "/izvan"));
    EXPECT_FALSE(PathExists(dir / "odustao"));
    EXPECT_FALSE(PathExists(dir / "nema"));
}

TEST(BrowseForFolder, RootLimitsTheTree)
{
    TempDir dir;
    MakeFolder(dir / "a");
    MakeFolder(dir / "b");
    QWidget owner;
    std::string result;
    WhenPickerShown([&](CBrowseFolderDlg* dialog) {
        auto* model = qobject_cast<QFileSystemModel*>(dialog->Tree()->model());
        EXPECT_EQ(model->filePath(dialog->Tree()->rootIndex()).toStdString(), dir.Path());
        EXPECT_TRUE(dialog->SelectFolder(dir / "b"));
        dialog->OkButton()->click();
    });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Izaberi folder:", dir.Path(), "", false), 1);
    EXPECT_EQ(result, dir / "b");
}

TEST(BrowseForFolder, InitialFolderAmongManyIsScrolledIntoView)
{
    TempDir dir;
    for (int i = 0; i < 300; ++i)
        MakeFolder(dir / QString::asprintf("f%03d", i).toStdString());
    QWidget owner;
    std::string result;
    bool visible = false;
    WhenPickerShown([&](CBrowseFolderDlg* dialog) {
        QTreeView* tree = dialog->Tree();
        // The folders are read in the background; the target must end up in view.
        visible = QTest::qWaitFor(
            [&] {
                const QRect rect = tree->visualRect(tree->currentIndex());
                return !rect.isEmpty() && tree->viewport()->rect().contains(rect);
            },
            5000);
        EXPECT_EQ(SelectedPath(dialog), dir / "f250");
        dialog->OkButton()->click();
    });
    EXPECT_EQ(BrowseForFolder(&owner, result, "Izaberi folder:", "", dir / "f250", false), 1);
    EXPECT_TRUE(visible);
    EXPECT_EQ(result, dir / "f250");
}
