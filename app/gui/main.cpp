#include <QApplication>

#include "app/gui/mainapp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonivar"));
    // No display name: the window system would append it to every window's title, while each
    // window and message box carries its own caption exactly. The desktop entry that names the program's icon in the window list.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Sonivar"));
    CMainApp app;
    return app.InitInstance(argc, argv);
}
