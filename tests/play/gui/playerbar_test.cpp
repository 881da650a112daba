#include <QLabel>
#include <QSlider>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "session/tracklist.h"
#include "platform/wavevolume.h"
#include "play/gui/playerbar.h"
#include "res/resource.h"

class PlayerBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_bSeekDragging = 0;
        g_nLastPlayPos = 0;
        waveOutSetVolume(0, 0xFFFFFFFFu);
        m_window.resize(400, 40);
        m_pPosition = new QSlider(Qt::Horizontal, &m_window);
        m_pPosition->setGeometry(0, 0, 200, 20);
        m_pVolume = new QSlider(Qt::Horizontal, &m_window);
        m_pVolume->setGeometry(205, 0, 95, 20);
        m_pLabel = new QLabel(&m_window);
        m_window.show();
    }

    TrackList m_list;
    QWidget m_window;
    QSlider* m_pPosition = nullptr;
    QSlider* m_pVolume = nullptr;
    QLabel* m_pLabel = nullptr;
};

TEST_F(PlayerBarTest, StartsWithTheCurrentVolumeAndFollowsTheVolumeSlider)
{
    waveOutSetVolume(0, 32768u << 16);
    CPlayerBar bar(m_list, m_pPosition, m_pVolume, m_pLabel, nullptr);
    EXPECT_EQ(m_pVolume->value(), 50);
    EXPECT_EQ(m_pLabel->text(), "50%");
    EXPECT_EQ(m_pPosition->pageStep(), 10000);
    for (int percent : {100, 50, 0}) {
        m_pVolume->setValue(percent);
        std::uint32_t volume = 1;
        waveOutGetVolume(0, &volume);
        std::uint32_t level = percent * 65535u / 100u;
        EXPECT_EQ(volume, level * 65537u) << percent;
        EXPECT_EQ(m_pLabel->text(), QString::number(percent) + "%");
    }
    m_pVolume->setFocus();
    QTest::keyClick(m_pVolume, Qt::Key_Right);
    EXPECT_EQ(m_pLabel->text(), "1%") << "a key press applies the volume at once";
    waveOutSetVolume(0, 0xFFFFFFFFu);
}

TEST_F(PlayerBarTest, PressFreezesTheThumbAndReleaseSeeks)
{
    CPlayerBar bar(m_list, m_pPosition, m_pVolume, m_pLabel, nullptr);
    bar.SetPositionRange(60000);
    bar.SetPositionPos(20000);
    QTest::mousePress(m_pPosition, Qt::LeftButton, {}, QPoint(190, 10));
    EXPECT_EQ(g_bSeekDragging, 1);
    // No file is open: the timer's status query fails and reads as 0, but the thumb stays.
    bar.Controller().OnTimer(kPlayTimerId);
    int held = m_pPosition->value();
    QTest::mouseRelease(m_pPosition, Qt::LeftButton, {}, QPoint(190, 10));
    EXPECT_EQ(g_bSeekDragging, 0);
    EXPECT_GT(held, 20000) << "a click in the channel pages towards it";
}

TEST_F(PlayerBarTest, TimerRunsWhilePlayingAndStopKillsIt)
{
    CPlayerBar bar(m_list, m_pPosition, m_pVolume, m_pLabel, nullptr);
    bar.StartTimer(kPlayTimerId, 20);
    g_nLastPlayPos = 0;
    // Nothing is open: every reading is 0, equal to the last one, so the first tick stops.
    // A busy machine may hold the tick back: wait for it up to 5 s.
    EXPECT_TRUE(QTest::qWaitFor([] { return g_nLastPlayPos == -1; }, 5000));
    bar.StartTimer(kPlayTimerId, 20);
    bar.Controller().OnStop();
    g_nLastPlayPos = 7;
    QTest::qWait(80);
    EXPECT_EQ(g_nLastPlayPos, 7) << "Stop killed the timer";
}
