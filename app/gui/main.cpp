#include <QApplication>

#include "app/gui/mainapp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonivar"));
    // No display name: the window system would append it to every window's title, while each
    // window and message box carries its own caption exactly.
    CMainApp app;
    return app.InitInstance(argc, argv);
}
