// Saves PNG pictures of the main window with a folder's MP3 files loaded and of each dialog,
// for the documentation: sonivar-screenshots FOLDER OUTPUT_FOLDER.

#include <cstdio>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QTableView>

#include "about/gui/aboutdlg.h"
#include "app/gui/maindlg.h"
#include "edit/gui/genredlg.h"
#include "fileops/gui/qtshellui.h"
#include "load/gui/browsefolderdlg.h"
#include "load/gui/loadingdlg.h"
#include "model/genres.h"
#include "model/mp3file.h"
#include "platform/path.h"
#include "widgets/inputdlg.h"

namespace {

void Save(QWidget& widget, const QString& folder, const QString& name)
{
    widget.show();
    // Let lazily filled views (the folder tree) read what they show.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 400)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const QString path = folder + QLatin1Char('/') + name;
    if (!widget.grab().save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
    widget.hide();
}

std::vector<TrackList::Cells> RowsOf(const QString& folder)
{
    std::vector<TrackList::Cells> rows;
    QDirIterator it(folder, {QStringLiteral("*.mp3")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        CMp3File file;
        file.Load(it.next().toStdString());
        if (!file.m_bValid)
            continue;
        rows.push_back({FileNameOf(file.m_strPath), file.m_strArtist, file.m_strAlbum,
            file.m_strTitle, file.m_strYear, file.m_strComment, FolderOf(file.m_strPath),
            GenreName(static_cast<signed char>(file.m_byGenre))});
    }
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: sonivar-screenshots FOLDER OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);

    CMainDlg window;
    window.resize(900, 420);
    window.GetSession().List().AddRows(RowsOf(QString::fromLocal8Bit(argv[1])));
    window.GetSession().List().SetSelected(1, true);
    window.GetSession().List().SetSelected(2, true);
    Save(window, out, QStringLiteral("main.png"));

    // Misc > Code page, with the current one checked.
    for (QAction* action : window.menuBar()->actions().at(2)->menu()->actions()) {
        if (action->menu() && action->text() == QStringLiteral("Code page"))
            Save(*action->menu(), out, QStringLiteral("code-page-menu.png"));
    }

    CInputDlg input(&window);
    input.m_strPrompt = "Artist name:";
    input.m_strText = "Zdravko Čolić";
    Save(input, out, QStringLiteral("input.png"));

    CGenreDlg genre(&window);
    genre.Combo()->setCurrentIndex(genre.Combo()->findText(QStringLiteral("Folk")));
    Save(genre, out, QStringLiteral("genre.png"));

    CAboutDlg about(&window);
    Save(about, out, QStringLiteral("about.png"));

    const std::string music = QDir(QString::fromLocal8Bit(argv[1])).absolutePath().toStdString();
    CBrowseFolderDlg picker(&window, "Izaberi folder:", music, music + "/Sevdah", true);
    Save(picker, out, QStringLiteral("folder-picker.png"));

    CLoadingDlg loading(&window);
    loading.ShowProgress({music + "/Rock", "Plavi Orkestar - Suada.mp3", 7});
    Save(loading, out, QStringLiteral("loading.png"));

    QtShellUi shell(&window);
    shell.BeginProgress("Copy...");
    shell.StepProgress(music + "/Sevdah/Safet Isović - Snijeg pade.mp3", 3, 9);
    shell.StepBytes(2'400'000, 5'100'000);
    Save(*shell.ProgressWindow(), out, QStringLiteral("copy-progress.png"));
    shell.EndProgress();
    return 0;
}
