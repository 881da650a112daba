// Add folder's scan into a real main window, offscreen: the time to fill the list, the longest
// gap between changes of the Loading dialog's texts, and how long Cancel takes to be answered.
// Usage: addfolder_guibench FOLDER [CANCEL_AFTER_ROWS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/gui/maindlg.h"
#include "load/gui/loadingdlg.h"
#include "load/scanfolder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration span)
{
    return std::chrono::duration<double, std::milli>(span).count();
}

struct Run {
    double totalMs = 0;
    double longestGapMs = 0;
    double cancelAnswerMs = -1;
    int rows = 0;
};

// One scan into a fresh window; with cancelAfter > 0 Cancel is clicked once that many files are
// loaded.
Run ScanOnce(const std::string& folder, int cancelAfter)
{
    CMainDlg window;
    window.show();
    Run run;
    QString lastText;
    Clock::time_point lastChange = Clock::now();
    Clock::time_point cancelAt {};
    QTimer watcher;
    watcher.setInterval(1);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        CLoadingDlg* dialog = window.findChild<CLoadingDlg*>();
        if (!dialog || !dialog->isVisible())
            return;
        const Clock::time_point now = Clock::now();
        if (dialog->LoadedStatic()->text() != lastText) {
            lastText = dialog->LoadedStatic()->text();
            lastChange = now;
        } else if (Ms(now - lastChange) > run.longestGapMs) {
            run.longestGapMs = Ms(now - lastChange);
        }
        if (cancelAfter > 0 && cancelAt == Clock::time_point {}
            && g_nLoadedCount.load() >= cancelAfter) {
            cancelAt = now;
            dialog->CancelButton()->click();
        }
    });
    watcher.start();
    const Clock::time_point start = Clock::now();
    lastChange = start;
    CLoadingDlg loading(&window);
    ScanCommandLineFolder(window.GetSession(), loading, folder);
    const Clock::time_point end = Clock::now();
    run.totalMs = Ms(end - start);
    if (cancelAt != Clock::time_point {})
        run.cancelAnswerMs = Ms(end - cancelAt);
    run.rows = window.GetSession().List().GetItemCount();
    return run;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [CANCEL_AFTER_ROWS [cancel-first]]\n", argv[0]);
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const std::string folder = argv[1];
    const int cancelAfter = argc > 2 ? std::atoi(argv[2]) : 5000;
    // cancel-first: the cancelled scan runs first, so that on a cold page cache it is Cancel
    // with reads in flight that is timed (the full scan after it then starts partly warm).
    const bool cancelFirst = argc > 3 && std::string(argv[3]) == "cancel-first";

    auto cancelledScan = [&] {
        const Run cancelled = ScanOnce(folder, cancelAfter);
        std::printf("addfolder_gui_cancel rows %d cancel_answer_ms %.1f\n", cancelled.rows,
            cancelled.cancelAnswerMs);
    };
    if (cancelFirst)
        cancelledScan();
    const Run full = ScanOnce(folder, 0);
    std::printf("addfolder_gui rows %d time_ms %.1f longest_text_gap_ms %.1f\n", full.rows,
        full.totalMs, full.longestGapMs);
    if (!cancelFirst)
        cancelledScan();
    return 0;
}
