#include <gtest/gtest.h>

#include "app/gui/mainlayout.h"

TEST(MainLayout, FollowsTheClientRectangleAtTwoSizes)
{
    const MainLayout small = ComputeMainLayout(QSize(516, 356));
    EXPECT_EQ(small.trackList, QRect(5, 45, 506, 281));
    EXPECT_EQ(small.playButton, QRect(5, 331, 45, 22));
    EXPECT_EQ(small.stopButton, QRect(53, 331, 45, 22));
    EXPECT_EQ(small.positionSlider, QRect(108, 332, 200, 20));
    EXPECT_EQ(small.volumeSlider, QRect(313, 332, 95, 20));
    EXPECT_EQ(small.volumeLabel, QRect(410, 332, 25, 20));
    EXPECT_EQ(small.rowCounts, QRect(440, 332, 71, 20));
    EXPECT_EQ(small.toolbar, QRect(5, 0, 506, 45));

    const MainLayout large = ComputeMainLayout(QSize(1280, 900));
    EXPECT_EQ(large.trackList, QRect(5, 45, 1270, 825));
    EXPECT_EQ(large.playButton, QRect(5, 875, 45, 22));
    EXPECT_EQ(large.stopButton, QRect(53, 875, 45, 22));
    EXPECT_EQ(large.positionSlider, QRect(108, 876, 200, 20));
    EXPECT_EQ(large.volumeSlider, QRect(313, 876, 95, 20));
    EXPECT_EQ(large.volumeLabel, QRect(410, 876, 25, 20));
    EXPECT_EQ(large.rowCounts, QRect(440, 876, 835, 20));
    EXPECT_EQ(large.toolbar, QRect(5, 0, 1270, 45));
    // The bottom row ends 3 pixels (buttons) and 4 pixels (sliders) above the client's edge.
    EXPECT_EQ(large.playButton.bottom() + 1, 900 - 3);
    EXPECT_EQ(large.positionSlider.bottom() + 1, 900 - 4);
}
