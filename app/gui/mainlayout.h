#pragma once

#include <QRect>
#include <QSize>

// Where the main window's controls go for a client area (the part below the menu bar) of the
// given size. The bottom row keeps fixed x positions; the list and the toolbar follow the width.
struct MainLayout {
    QRect trackList;
    QRect playButton;
    QRect stopButton;
    QRect positionSlider;
    QRect volumeSlider;
    QRect volumeLabel;
    // The row and selection counts, from after the volume label to the right edge.
    QRect rowCounts;
    QRect toolbar;
};

MainLayout ComputeMainLayout(QSize client);
