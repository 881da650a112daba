#include "app/gui/mainlayout.h"

MainLayout ComputeMainLayout(QSize client)
{
    const int right = client.width();
    const int bottom = client.height();
    MainLayout layout;
    layout.trackList = QRect(5, 45, right - 10, bottom - 75);
    layout.playButton = QRect(5, bottom - 25, 45, 22);
    layout.stopButton = QRect(53, bottom - 25, 45, 22);
    layout.positionSlider = QRect(108, bottom - 24, 200, 20);
    layout.volumeSlider = QRect(313, bottom - 24, 95, 20);
    layout.volumeLabel = QRect(410, bottom - 24, 25, 20);
    layout.rowCounts = QRect(440, bottom - 24, qMax(0, right - 445), 20);
    layout.toolbar = QRect(5, 0, right - 10, 45);
    return layout;
}
