#include <algorithm>
#include <random>

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "session/selectioncommands.h"
#include "session/session.h"
#include "session/tracklist.h"
#include "support/scriptedui.h"

namespace {

TrackList::Cells Row(const std::string& file, const std::string& artist = "",
    const std::string& year = "", const std::string& folder = "/music")
{
    return {file, artist, "", "", year, "", folder, " "};
}

std::vector<std::string> Column(const TrackList& list, int column)
{
    std::vector<std::string> texts;
    for (int i = 0; i < list.GetItemCount(); ++i)
        texts.push_back(list.GetItemText(i, column));
    return texts;
}

std::vector<int> Selected(const TrackList& list)
{
    std::vector<int> rows;
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row))
        rows.push_back(row);
    return rows;
}

std::vector<int> ModelSelectedRows(TrackList& list)
{
    QCoreApplication::processEvents();
    std::vector<int> rows;
    for (const QModelIndex& index : list.SelectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

TEST(TrackList, InsertionPlacesRowsByFileIgnoringCase)
{
    TrackList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(list.AddRow(Row("beta.mp3")), 0);
    EXPECT_EQ(list.AddRow(Row("Alpha.mp3")), 0);
    EXPECT_EQ(list.AddRow(Row("alpha2.mp3")), 1);
    EXPECT_EQ(list.AddRow(Row("Gamma.mp3")), 3);
    list.AddRows({Row("delta.mp3"), Row("ALPHA3.mp3"), Row("zeta.mp3"), Row("Beta.mp3")});
    EXPECT_EQ(Column(list, 0),
        (std::vector<std::string> {"Alpha.mp3", "alpha2.mp3", "ALPHA3.mp3", "Beta.mp3", "beta.mp3",
            "delta.mp3", "Gamma.mp3", "zeta.mp3"}));
    // Cells come back as stored, every column.
    EXPECT_EQ(list.GetItemText(0, TrackList::ColFolder), "/music");
    EXPECT_EQ(list.data(list.index(0, 0)).toString(), QString("Alpha.mp3"));
    // A byte the tag code page does not define stays in the cell and shows as U+FFFD.
    const std::string raw = "A" + RawByteChar(0x81) + "\xEE\x80\x80";
    list.SetItemText(0, TrackList::ColArtist, raw);
    EXPECT_EQ(list.GetItemText(0, TrackList::ColArtist), raw);
    EXPECT_EQ(list.data(list.index(0, TrackList::ColArtist)).toString(),
        QString::fromUtf8("A\uFFFD\uE000"));
    // A folder name is no tag text: it shows as it is.
    list.SetItemText(0, TrackList::ColFolder, raw);
    EXPECT_EQ(
        list.data(list.index(0, TrackList::ColFolder)).toString(), QString::fromStdString(raw));
    // The rows of a folder share its text: the others keep theirs.
    EXPECT_EQ(list.GetItemText(1, TrackList::ColFolder), "/music");
    // Every cell of a row is its own: a longer or shorter text in one leaves the others.
    TrackList::Cells cells = {"f.mp3", "artist", "album", "name", "1999", "c", "/f", "Rock"};
    TrackList single;
    single.AddRow(cells);
    for (int column = 0; column < TrackList::ColumnCount; ++column) {
        cells[column] = column % 2 ? std::string(40, 'x') : "";
        single.SetItemText(0, column, cells[column]);
        for (int k = 0; k < TrackList::ColumnCount; ++k)
            EXPECT_EQ(single.GetItemText(0, k), cells[k]) << column << " " << k;
    }
    EXPECT_EQ(list.headerData(7, Qt::Horizontal).toString(), QString("Genre"));
    EXPECT_EQ(list.GetItemText(99, 0), "");
}

TEST(TrackList, BatchesInRandomOrderGiveTheSameOrderAsSingleRows)
{
    std::mt19937 random(7);
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back(
            (random() % 2 ? "Song " : "song ") + std::to_string(random() % 1000) + ".mp3");
    TrackList single;
    TrackList batched;
    QAbstractItemModelTester tester(
        &batched, QAbstractItemModelTester::FailureReportingMode::Fatal);
    for (const std::string& name : names)
        single.AddRow(Row(name));
    for (std::size_t i = 0; i < names.size(); i += 256) {
        std::vector<TrackList::Cells> batch;
        for (std::size_t k = i; k < std::min(names.size(), i + 256); ++k)
            batch.push_back(Row(names[k]));
        batched.AddRows(std::move(batch));
    }
    EXPECT_EQ(Column(single, 0), Column(batched, 0));
    std::vector<std::string> sorted = Column(batched, 0);
    EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive)
            < 0;
    }));
}

// A load stages its rows in batches of any size and places them at its end: the rows stay out of
// the list until then, and the order is that of adding them one by one, rows with equal File texts
// (in one batch or in different ones) in the order they came, after the rows already there.
TEST(TrackList, StagedBatchesArePlacedAsSingleRowsWouldBe)
{
    std::mt19937 random(11);
    std::vector<TrackList::Cells> rows;
    for (int n = 0; n < 6000; ++n) {
        const std::string name
            = (random() % 2 ? "Song " : "song ") + std::to_string(random() % 300);
        rows.push_back(Row(name + ".mp3", std::to_string(n)));
    }
    TrackList single;
    for (const TrackList::Cells& cells : rows)
        single.AddRow(cells);

    TrackList staged;
    QAbstractItemModelTester tester(&staged, QAbstractItemModelTester::FailureReportingMode::Fatal);
    constexpr std::size_t kListed = 500;
    for (std::size_t n = 0; n < kListed; ++n)
        staged.AddRow(rows[n]);
    for (std::size_t next = kListed; next < rows.size();) {
        const std::size_t size = std::min<std::size_t>(rows.size() - next, random() % 1100);
        staged.StageRows({rows.begin() + next, rows.begin() + next + size});
        next += size;
        EXPECT_EQ(staged.GetItemCount(), static_cast<int>(kListed));
    }
    staged.PlaceStagedRows();
    // The Artist cell numbers the rows in the order they came.
    EXPECT_EQ(Column(staged, TrackList::ColArtist), Column(single, TrackList::ColArtist));
}

// The rows keep their collation keys as bytes of their own; the order must stay the one Qt's
// case-insensitive collation of the locale gives, in the load order and in a header sort.
TEST(TrackList, OrderIsQtsCaseInsensitiveCollationOfTheLocale)
{
    const std::vector<std::string> names = {"Čolić", "Colic", "colić", "cukor", "Ćevap", "džep",
        "Dzep", "Đorđe", "Dorde", "Ärger", "arg", "Zebra", "öl", "Ol", "10", "9", "a-b", "ab",
        "A b", "naïve", "NAIVE", "Straße", "strasse", "\xff\xfe", "", "é", "e", "E", "ǆ", "Ljubav",
        "lj", "Њ", "nj", "ⅷ", "\u3042", "x\u0301", "\xc3\xa9"};
    const QLocale saved;
    for (const char* locale : {"C", "bs_BA", "sv_SE", "de_DE", "sr_RS"}) {
        SCOPED_TRACE(locale);
        QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
        QCollator qt(QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale());
        qt.setCaseSensitivity(Qt::CaseInsensitive);
        auto qtLess = [&qt](const std::string& a, const std::string& b) {
            return qt.compare(QString::fromUtf8(a), QString::fromUtf8(b)) < 0;
        };
        std::vector<std::string> loadOrder = names;
        std::stable_sort(loadOrder.begin(), loadOrder.end(),
            [&](const auto& a, const auto& b) { return qtLess(a, b) || (!qtLess(b, a) && a < b); });

        TrackList list;
        std::vector<TrackList::Cells> rows;
        for (std::size_t i = 0; i < names.size(); ++i)
            rows.push_back(Row(names[i], names[names.size() - 1 - i]));
        std::shuffle(rows.begin(), rows.end(), std::mt19937(7));
        list.AddRows(std::move(rows));
        EXPECT_EQ(Column(list, TrackList::ColFile), loadOrder);

        std::vector<std::string> byArtist = Column(list, TrackList::ColArtist);
        std::stable_sort(byArtist.begin(), byArtist.end(), qtLess);
        list.SortOnHeaderClick(TrackList::ColArtist);
        EXPECT_EQ(Column(list, TrackList::ColArtist), byArtist);
    }
    QLocale::setDefault(saved);
}

TEST(TrackList, RowIdsFollowRowsAndAreNeverReused)
{
    TrackList list;
    list.AddRows({Row("b.mp3"), Row("c.mp3"), Row("a.mp3")});
    const TrackList::RowId b = list.IdOfRow(1);
    EXPECT_EQ(list.RowOfId(b), 1);
    list.DeleteItem(0);
    EXPECT_EQ(list.RowOfId(b), 0);
    const TrackList::RowId c = list.IdOfRow(1);
    list.DeleteItem(1);
    EXPECT_EQ(list.RowOfId(c), -1);
    list.AddRow(Row("d.mp3")); // takes the freed storage
    EXPECT_EQ(list.RowOfId(c), -1);
    EXPECT_NE(list.IdOfRow(1), c);
    EXPECT_EQ(list.IdOfRow(5), 0u);

    // A load's rows keep their texts in shared chunks (a row of very long texts in one of its
    // own); an edit gives a row a block of its own, and the chunks go with the last row.
    TrackList loaded;
    std::vector<TrackList::Cells> rows;
    for (int i = 0; i < 3000; ++i)
        rows.push_back(Row("f" + std::to_string(i) + ".mp3", std::string(i % 50, 'a')));
    rows.push_back(Row("long.mp3", std::string(40000, 'x'), "1999"));
    loaded.StageRows(rows);
    loaded.PlaceStagedRows();
    ASSERT_EQ(loaded.GetItemCount(), 3001);
    const TrackList::RowId edited = loaded.IdOfRow(0);
    loaded.SetItemText(0, TrackList::ColArtist, "edited");
    for (int row = 0; row < loaded.GetItemCount(); ++row) {
        const std::string file = loaded.GetItemText(row, TrackList::ColFile);
        const std::string artist = loaded.GetItemText(row, TrackList::ColArtist);
        if (row == 0)
            EXPECT_EQ(artist, "edited");
        else if (file == "long.mp3")
            EXPECT_EQ(artist, std::string(40000, 'x'));
        else
            EXPECT_EQ(artist, std::string(std::stoi(file.substr(1)) % 50, 'a')) << file;
    }
    while (loaded.GetItemCount() > 1)
        loaded.DeleteItems({0, 1});
    EXPECT_EQ(loaded.GetItemText(0, TrackList::ColYear), "1999");
    loaded.DeleteItem(0);
    EXPECT_EQ(loaded.RowOfId(edited), -1);
    loaded.AddRows({Row("again.mp3", "A")});
    EXPECT_EQ(Column(loaded, TrackList::ColArtist), (std::vector<std::string> {"A"}));
    EXPECT_EQ(loaded.RowOfId(edited), -1);
    EXPECT_NE(loaded.IdOfRow(0), edited);
}

TEST(TrackList, EditingTheFileCellNeverMovesARow)
{
    TrackList list;
    list.AddRows({Row("a.mp3"), Row("b.mp3"), Row("c.mp3")});
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    list.SetItemText(0, TrackList::ColFile, "z.mp3");
    EXPECT_EQ(Column(list, 0), (std::vector<std::string> {"z.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(changed.count(), 1);
    // Out of File order now: new rows go after the existing ones, sorted among themselves.
    list.AddRows({Row("y.mp3"), Row("a0.mp3")});
    EXPECT_EQ(
        Column(list, 0), (std::vector<std::string> {"z.mp3", "b.mp3", "c.mp3", "a0.mp3", "y.mp3"}));
    // Emptying restores File order.
    list.DeleteAllItems();
    list.AddRows({Row("y.mp3"), Row("a0.mp3")});
    list.AddRow(Row("m.mp3"));
    EXPECT_EQ(Column(list, 0), (std::vector<std::string> {"a0.mp3", "m.mp3", "y.mp3"}));
}

TEST(TrackList, HeaderSortTogglesIgnoresCaseAndKeepsEqualKeysInOrder)
{
    TrackList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.AddRows({Row("1.mp3", "beta", "2003"), Row("2.mp3", "Beta", ""),
        Row("3.mp3", "alpha", "1999"), Row("4.mp3", "Zed", "2003")});
    QSignalSpy layout(&list, &QAbstractItemModel::layoutChanged);
    list.SortOnHeaderClick(TrackList::ColYear);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(
        Column(list, TrackList::ColYear), (std::vector<std::string> {"", "1999", "2003", "2003"}));
    // Stable: the two 2003 rows keep their previous order (1 before 4).
    EXPECT_EQ(Column(list, 0), (std::vector<std::string> {"2.mp3", "3.mp3", "1.mp3", "4.mp3"}));
    list.SortOnHeaderClick(TrackList::ColYear);
    EXPECT_FALSE(list.SortAscending());
    EXPECT_EQ(Column(list, 0), (std::vector<std::string> {"1.mp3", "4.mp3", "3.mp3", "2.mp3"}));
    // Letter case is ignored: "beta" and "Beta" are equal keys and keep their order.
    list.SortOnHeaderClick(TrackList::ColArtist);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(Column(list, TrackList::ColArtist),
        (std::vector<std::string> {"alpha", "beta", "Beta", "Zed"}));
    EXPECT_EQ(Column(list, 0), (std::vector<std::string> {"3.mp3", "1.mp3", "2.mp3", "4.mp3"}));
    list.SortOnHeaderClick(TrackList::ColArtist);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string> {"4.mp3", "1.mp3", "2.mp3", "3.mp3"}));
    list.SortOnHeaderClick(TrackList::ColAlbum);
    EXPECT_TRUE(list.SortAscending());
    EXPECT_EQ(list.SortColumn(), TrackList::ColAlbum);
    EXPECT_EQ(layout.count(), 5);

    TrackList empty;
    empty.SortOnHeaderClick(2);
    EXPECT_EQ(empty.SortColumn(), 2);
    empty.SortOnHeaderClick(2);
    EXPECT_FALSE(empty.SortAscending());
}

// The header sort and the loading order share one collation: Č, Ć, Đ, Š and Ž sort beside C, D,
// S and Z, not after Z as their bytes would. The words are chosen so that the order is the same
// whether the letters count as accented forms of their base letters (the English collation that
// stands in for the C locale) or as letters of their own (Bosnian).
TEST(TrackList, HeaderSortPutsLettersWithMarksBesideTheirBaseLetters)
{
    const std::vector<std::string> expected = {"Cane", "Čolić", "Ćupić", "Dado", "Đorđe", "Eda",
        "Sabina", "Šukrija", "Tarik", "Zana", "Željko"};
    for (const QLocale& locale : {QLocale::c(), QLocale(QStringLiteral("bs_BA"))}) {
        const QLocale before;
        QLocale::setDefault(locale);
        TrackList list;
        QLocale::setDefault(before);
        std::vector<TrackList::Cells> rows;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const std::string& name = expected[(i * 7) % expected.size()];
            rows.push_back(Row(name + ".mp3", name));
        }
        list.AddRows(std::move(rows));
        // The loading order of the File column is the order a sort by Artist gives.
        std::vector<std::string> files;
        for (const std::string& name : expected)
            files.push_back(name + ".mp3");
        EXPECT_EQ(Column(list, 0), files) << locale.name().toStdString();
        list.SortOnHeaderClick(TrackList::ColYear);
        list.SortOnHeaderClick(TrackList::ColArtist);
        EXPECT_EQ(Column(list, TrackList::ColArtist), expected) << locale.name().toStdString();
        list.SortOnHeaderClick(TrackList::ColFile);
        EXPECT_EQ(Column(list, 0), files) << locale.name().toStdString();
    }
}

TEST(TrackList, SelectionFollowsRowsThroughSortsAndRemovals)
{
    TrackList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.AddRows({Row("a.mp3", "4"), Row("b.mp3", "3"), Row("c.mp3", "2"), Row("d.mp3", "1")});
    list.SetSelected(0, true);
    list.SetSelected(2, true);
    EXPECT_EQ(Selected(list), (std::vector<int> {0, 2}));
    EXPECT_EQ(ModelSelectedRows(list), (std::vector<int> {0, 2}));
    list.SortOnHeaderClick(TrackList::ColArtist); // d c b a
    EXPECT_EQ(Selected(list), (std::vector<int> {1, 3}));
    EXPECT_EQ(ModelSelectedRows(list), (std::vector<int> {1, 3}));
    EXPECT_EQ(list.GetItemText(1, 0), "c.mp3");
    // A change through the model (a click in the view) reaches the walk.
    list.SelectionModel()->select(
        list.index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(Selected(list), (std::vector<int> {0, 1, 3}));
    EXPECT_EQ(list.GetSelectedCount(), 3);
    list.DeleteItem(1);
    EXPECT_EQ(Selected(list), (std::vector<int> {0, 2}));
    EXPECT_EQ(ModelSelectedRows(list), (std::vector<int> {0, 2}));
}

TEST(TrackList, RedrawOffTellsViewsOnceAndKeepsTheSelection)
{
    TrackList list;
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.AddRows({Row("a.mp3"), Row("b.mp3"), Row("c.mp3"), Row("d.mp3")});
    list.SetSelected(1, true);
    list.SetSelected(3, true);
    QCoreApplication::processEvents();
    QSignalSpy aboutToLayout(&list, &QAbstractItemModel::layoutAboutToBeChanged);
    QSignalSpy layout(&list, &QAbstractItemModel::layoutChanged);
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&list, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    list.SetRedraw(false);
    list.AddRows({Row("b2.mp3"), Row("0.mp3")});
    list.DeleteItem(0);
    list.SetItemText(0, TrackList::ColArtist, "x");
    EXPECT_EQ(layout.count() + inserted.count() + removed.count() + changed.count(), 0);
    list.SetRedraw(true);
    EXPECT_EQ(aboutToLayout.count(), 1);
    EXPECT_EQ(layout.count(), 1);
    EXPECT_EQ(
        Column(list, 0), (std::vector<std::string> {"a.mp3", "b.mp3", "b2.mp3", "c.mp3", "d.mp3"}));
    EXPECT_EQ(Selected(list), (std::vector<int> {1, 4}));
    EXPECT_EQ(ModelSelectedRows(list), (std::vector<int> {1, 4}));
    // Only cell edits while off: one dataChanged over the rows touched.
    list.SetRedraw(false);
    list.SetItemText(1, 2, "u");
    list.SetItemText(3, 2, "v");
    list.SetRedraw(true);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(layout.count(), 1);
}

TEST(SelectionCommands, SelectAllInvertAndRemoveSelected)
{
    ScriptedUi ui;
    Session session(ui);
    TrackList& list = session.List();
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.AddRows({Row("a.mp3"), Row("b.mp3"), Row("c.mp3"), Row("d.mp3")});
    list.SetSelected(0, true);
    list.SetSelected(2, true);
    OnInvertSelection(session);
    EXPECT_EQ(Selected(list), (std::vector<int> {1, 3}));
    EXPECT_EQ(ModelSelectedRows(list), (std::vector<int> {1, 3}));
    OnSelectAll(session);
    EXPECT_EQ(Selected(list), (std::vector<int> {0, 1, 2, 3}));
    EXPECT_EQ(ModelSelectedRows(list), (std::vector<int> {0, 1, 2, 3}));
    OnInvertSelection(session);
    EXPECT_EQ(list.GetSelectedCount(), 0);
    EXPECT_TRUE(ModelSelectedRows(list).empty());

    // A journal of rows 0, 1 and 3; removing rows 1 and 2 drops row 1's entry and renumbers
    // row 3's.
    for (int row : {0, 1, 3}) {
        CMp3File file;
        file.m_nItem = row;
        file.m_strTitle = list.GetItemText(row, 0);
        session.Journal().Add(file, list.IdOfRow(row));
    }
    session.UpdateUndoMenu();
    list.SetSelected(2, true);
    list.SetSelected(1, true);
    OnRemoveSelected(session);
    EXPECT_EQ(Column(list, 0), (std::vector<std::string> {"a.mp3", "d.mp3"}));
    ASSERT_EQ(session.Journal().GetSize(), 2);
    EXPECT_EQ(session.Journal().ElementAt(0).m_strTitle, "a.mp3");
    EXPECT_EQ(session.Journal().ElementAt(0).m_nItem, 0);
    EXPECT_EQ(session.Journal().ElementAt(1).m_strTitle, "d.mp3");
    EXPECT_EQ(session.Journal().ElementAt(1).m_nItem, 1);
    EXPECT_EQ(list.RowOfId(session.Journal().RowIdAt(1)), 1);
    EXPECT_TRUE(session.IsUndoEnabled());
    // Nothing selected: nothing changes.
    OnRemoveSelected(session);
    EXPECT_EQ(list.GetItemCount(), 2);
    // All selected: the list and the journal empty; the Undo item is not re-evaluated.
    OnSelectAll(session);
    OnRemoveSelected(session);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(session.Journal().GetSize(), 0);
    EXPECT_TRUE(session.IsUndoEnabled());
    EXPECT_TRUE(ui.m_calls.empty());
}

TEST(SelectionCommands, HeaderClickSortsOnlyOnTheLeftButton)
{
    ScriptedUi ui;
    Session session(ui);
    session.List().AddRows({Row("a.mp3", "2"), Row("b.mp3", "1")});
    OnHeaderClick(session, TrackList::ColArtist, 1);
    EXPECT_EQ(session.List().SortColumn(), -1);
    OnHeaderClick(session, TrackList::ColArtist);
    EXPECT_EQ(session.List().GetItemText(0, 0), "b.mp3");
}

TEST(Session, UndoMenuStateFollowsTheJournalOnlyWhenRefreshed)
{
    ScriptedUi ui;
    Session session(ui);
    std::vector<bool> seen;
    session.m_onUndoMenuChanged = [&seen](bool on) { seen.push_back(on); };
    EXPECT_FALSE(session.IsUndoEnabled());
    session.Journal().Add(CMp3File(), 1);
    EXPECT_FALSE(session.IsUndoEnabled());
    session.UpdateUndoMenu();
    EXPECT_TRUE(session.IsUndoEnabled());
    session.Journal().Clear();
    EXPECT_TRUE(session.IsUndoEnabled());
    session.UpdateUndoMenu();
    EXPECT_EQ(seen, (std::vector<bool> {true, false}));
}
