// Measures how long the main window's list takes with many rows: loading them, painting,
// scrolling to the end and sorting by a header click (each followed by a repaint).
// Prints milliseconds per step; the target is well under 1000 ms each.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "app/gui/maindlg.h"
#include "res/resource.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;

    CMainDlg window;
    window.resize(1000, 700);
    window.show();
    QApplication::processEvents();

    std::vector<TrackList::Cells> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string((i * 7919) % count);
        rows.push_back({"Track " + n + ".mp3", "Artist " + std::to_string(i % 97),
            "Album " + std::to_string(i % 31), "Name " + n, std::to_string(1960 + i % 60),
            "comment", "/music/folder " + std::to_string(i % 13), "Rock"});
    }

    QTableView* view = window.TrackListView();
    auto step = [&](const char* what, auto&& action) {
        QElapsedTimer timer;
        timer.start();
        action();
        view->viewport()->repaint();
        QApplication::processEvents();
        std::printf("%-28s %8lld ms\n", what, static_cast<long long>(timer.elapsed()));
    };

    std::printf("rows: %d\n", count);
    step("add rows and paint", [&] { window.GetSession().List().AddRows(std::move(rows)); });
    step("scroll to the end", [&] { view->scrollToBottom(); });
    step("page up",
        [&] { view->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub); });
    step("sort by Artist", [&] { emit view->horizontalHeader()->sectionClicked(1); });
    step("sort by Artist descending", [&] { emit view->horizontalHeader()->sectionClicked(1); });
    step("sort by Year", [&] { emit view->horizontalHeader()->sectionClicked(4); });
    step("select all rows", [&] { view->selectAll(); });
    step("Invert selection command", [&] { window.Action(ID_INVERT_SELECTION)->trigger(); });
    step("Select All command", [&] { window.Action(ID_SELECT_ALL)->trigger(); });
    step("select every other row", [&] {
        TrackList& list = window.GetSession().List();
        for (int row = 0; row < list.GetItemCount(); row += 2)
            list.SetSelected(row, false);
        list.FlushSelection();
    });
    step("Remove selected command", [&] { window.Action(ID_REMOVE_SELECTED)->trigger(); });
    std::printf("rows left: %d\n", window.GetSession().List().GetItemCount());
    return 0;
}
