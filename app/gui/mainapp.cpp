#include "app/gui/mainapp.h"

#include <QApplication>

#include "app/gui/maindlg.h"

int CMainApp::InitInstance(int argc, char** argv)
{
    CMainDlg window;
    // The first argument is the folder to load, exactly as the shell passed it.
    if (argc > 1 && argv[1][0] != '\0')
        window.SetCommandLineFolder(argv[1]);
    window.show();
    QApplication::exec();
    return 0;
}
