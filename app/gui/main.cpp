#include <QApplication>

#include "app/gui/mainapp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonivar"));
    QApplication::setApplicationDisplayName(QStringLiteral("MP3 Sonivar"));
    // The desktop entry that names the program's icon in the window list.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.Sonivar"));
    CMainApp app;
    return app.InitInstance(argc, argv);
}
