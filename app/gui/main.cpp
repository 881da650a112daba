#include <QApplication>

#include "app/gui/mainapp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonivar"));
    QApplication::setApplicationDisplayName(QStringLiteral("MP3 Sonivar"));
    CMainApp app;
    return app.InitInstance(argc, argv);
}
