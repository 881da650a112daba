#include <cstring>
#include <map>
#include <vector>

#include <QThread>

#include <gtest/gtest.h>

#include "session/tracklist.h"
#include "platform/wavevolume.h"
#include "play/playcontroller.h"
#include "play/playview.h"
#include "res/resource.h"
#include "support/fixtures.h"

namespace {

class FakeView final : public PlayView {
public:
    void SetPositionRange(int maximum) override { m_nRange = maximum; }
    void SetPositionPos(int pos) override { m_nPos = pos; }
    int GetPositionPos() const override { return m_nPos; }
    void SetVolumePos(int percent) override { m_nVolume = percent; }
    int GetVolumePos() const override { return m_nVolume; }
    void SetVolumeLabel(const std::string& text) override { m_strLabel = text; }
    void StartTimer(int id, int ms) override { m_timers[id] = ms; }
    void KillTimer(int id) override { m_timers.erase(id); }

    int m_nRange = -1;
    int m_nPos = 0;
    int m_nVolume = -1;
    std::string m_strLabel;
    std::map<int, int> m_timers;
};

// Records the commands; answers status queries from scripted numbers, fails when none is set.
struct FakeMci {
    unsigned operator()(const std::string& command, char* reply, unsigned length)
    {
        m_commands.push_back(command);
        if (reply && length)
            reply[0] = '\0';
        const std::string* answer = nullptr;
        if (command == "status s length" && !m_strLength.empty())
            answer = &m_strLength;
        if (command == "status s position" && !m_positions.empty()) {
            m_strPosition = m_positions.front();
            m_positions.erase(m_positions.begin());
            answer = &m_strPosition;
        }
        if (command.rfind("status", 0) == 0 && !answer)
            return MCIERR_INVALID_DEVICE_NAME_FAKE;
        if (answer && reply)
            std::snprintf(reply, length, "%s", answer->c_str());
        return 0;
    }
    static constexpr unsigned MCIERR_INVALID_DEVICE_NAME_FAKE = 263;
    std::vector<std::string> m_commands;
    std::string m_strLength;
    std::vector<std::string> m_positions;
    std::string m_strPosition;
};

class PlayControllerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_bSeekDragging = 0;
        g_nLastPlayPos = 0;
        WriteFileBytes(m_dir / "a b.mp3", FakeAudio(1000));
        WriteFileBytes(m_dir / "c.mp3", FakeAudio(1000));
        m_list.AddRow({"a b.mp3", "", "", "", "", "", m_dir.Path(), ""});
        m_list.AddRow({"c.mp3", "", "", "", "", "", m_dir.Path(), ""});
    }
    CPlayController Controller()
    {
        return CPlayController(m_list, m_view,
            [this](const std::string& c, char* r, unsigned n) { return m_mci(c, r, n); });
    }

    TempDir m_dir;
    TrackList m_list;
    FakeView m_view;
    FakeMci m_mci;
};

} // namespace

TEST_F(PlayControllerTest, PlayWithoutSelectionDoesNothing)
{
    CPlayController player = Controller();
    player.OnPlay();
    EXPECT_TRUE(m_mci.m_commands.empty());
    EXPECT_TRUE(m_view.m_timers.empty());
    EXPECT_EQ(m_view.m_nRange, -1);
}

TEST_F(PlayControllerTest, PlayOpensTheFirstSelectedRowAndRestartsTheRange)
{
    CPlayController player = Controller();
    m_list.SetSelected(1, true);
    m_list.SetSelected(0, true);
    m_mci.m_strLength = "61234";
    player.OnPlay();
    std::vector<std::string> expected
        = {"close s", "open " + (m_dir / "a b.mp3") + " alias s", "play s", "status s length"};
    EXPECT_EQ(m_mci.m_commands, expected);
    EXPECT_EQ(m_view.m_nRange, 61234);
    EXPECT_EQ(m_view.m_timers[kPlayTimerId], 1000);

    m_list.SetSelected(0, false);
    m_mci.m_commands.clear();
    m_mci.m_strLength = "2000";
    player.OnPlay();
    ASSERT_EQ(m_mci.m_commands.size(), 4u);
    EXPECT_EQ(m_mci.m_commands[0], "close s");
    EXPECT_EQ(m_mci.m_commands[1], "open " + (m_dir / "c.mp3") + " alias s");
    EXPECT_EQ(m_view.m_nRange, 2000);

    // A file that has gone: the short path is empty, the length query fails and reads as 0.
    std::remove((m_dir / "c.mp3").c_str());
    m_mci.m_strLength.clear();
    player.OnPlay();
    EXPECT_EQ(m_view.m_nRange, 0);
}

TEST_F(PlayControllerTest, TimerFollowsAndStopsWhenThePositionStandsStill)
{
    CPlayController player = Controller();
    m_list.SetSelected(0, true);
    m_mci.m_strLength = "3000";
    player.OnPlay();
    m_mci.m_positions = {"1000", "2000", "3000", "3000"};
    player.OnTimer(kPlayTimerId + 1); // another timer: nothing
    EXPECT_TRUE(m_mci.m_positions.size() == 4);
    player.OnTimer(kPlayTimerId);
    EXPECT_EQ(m_view.m_nPos, 1000);
    EXPECT_EQ(g_nLastPlayPos, 1000);
    g_bSeekDragging = 1;
    player.OnTimer(kPlayTimerId);
    EXPECT_EQ(m_view.m_nPos, 1000) << "the thumb is frozen while the mouse is down";
    g_bSeekDragging = 0;
    player.OnTimer(kPlayTimerId);
    EXPECT_EQ(m_view.m_nPos, 3000);
    ASSERT_TRUE(m_view.m_timers.count(kPlayTimerId));
    m_mci.m_commands.clear();
    player.OnTimer(kPlayTimerId);
    EXPECT_EQ(g_nLastPlayPos, -1);
    EXPECT_FALSE(m_view.m_timers.count(kPlayTimerId));
    EXPECT_EQ(m_mci.m_commands.back(), "close s");
}

TEST_F(PlayControllerTest, FailingStatusReadsAsZeroAndEndsPlayback)
{
    CPlayController player = Controller();
    m_list.SetSelected(0, true);
    player.OnPlay();
    g_nLastPlayPos = 500; // a manual Stop left it here
    player.OnTimer(kPlayTimerId);
    EXPECT_EQ(m_view.m_nPos, 0);
    EXPECT_EQ(g_nLastPlayPos, 0);
    EXPECT_TRUE(m_view.m_timers.count(kPlayTimerId));
    player.OnTimer(kPlayTimerId);
    EXPECT_EQ(g_nLastPlayPos, -1);
    EXPECT_TRUE(m_view.m_timers.empty());
}

TEST_F(PlayControllerTest, StopClosesAndKeepsTheThumbAndLastPosition)
{
    CPlayController player = Controller();
    m_list.SetSelected(0, true);
    player.OnPlay();
    m_view.m_nPos = 4321;
    g_nLastPlayPos = 4000;
    m_mci.m_commands.clear();
    player.OnStop();
    EXPECT_EQ(m_mci.m_commands, std::vector<std::string> {"close s"});
    EXPECT_TRUE(m_view.m_timers.empty());
    EXPECT_EQ(m_view.m_nPos, 4321);
    EXPECT_EQ(g_nLastPlayPos, 4000);
}

TEST_F(PlayControllerTest, SliderPressFreezesAndReleaseSeeks)
{
    CPlayController player = Controller();
    player.OnPositionSliderDown();
    EXPECT_EQ(g_bSeekDragging, 1);
    m_view.m_nPos = 12345;
    player.OnPositionSliderUp();
    EXPECT_EQ(g_bSeekDragging, 0);
    EXPECT_EQ(m_mci.m_commands, std::vector<std::string> {"play s from 12345"});
}

TEST_F(PlayControllerTest, VolumeSetsBothChannelsAndTheLabel)
{
    CPlayController player = Controller();
    struct {
        int percent;
        std::uint32_t level;
        const char* label;
    } cases[] = {{100, 65535, "100%"}, {50, 32767, "50%"}, {0, 0, "0%"}, {33, 21626, "33%"}};
    for (const auto& c : cases) {
        player.OnHScroll(c.percent);
        std::uint32_t volume = 1;
        waveOutGetVolume(0, &volume);
        EXPECT_EQ(volume & 0xFFFF, c.level) << c.percent;
        EXPECT_EQ(volume >> 16, c.level) << c.percent;
        EXPECT_EQ(m_view.m_strLabel, c.label);
    }
    // Start-up reads the right channel.
    waveOutSetVolume(0, 32768u << 16);
    player.InitVolume();
    EXPECT_EQ(m_view.m_nVolume, 50);
    EXPECT_EQ(m_view.m_strLabel, "50%");
    waveOutSetVolume(0, 0xFFFFFFFFu);
}

TEST_F(PlayControllerTest, RealFilePlaysToTheEndAndStops)
{
    std::string tone = ToneMp3Bytes(1.0);
    if (tone.empty())
        GTEST_SKIP() << "sox and lame are needed";
    WriteFileBytes(m_dir / "tone one.mp3", tone);
    m_list.AddRow({"tone one.mp3", "", "", "", "", "", m_dir.Path(), ""});
    m_list.SetSelected(m_list.GetItemCount() - 1, true);
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        m_list.SetSelected(row, m_list.GetItemText(row, TrackList::ColFile) == "tone one.mp3");
    CPlayController player(m_list, m_view);
    player.OnPlay();
    EXPECT_NEAR(m_view.m_nRange, 1000, 30);
    for (int tick = 0; tick < 6 && !m_view.m_timers.empty(); ++tick) {
        QThread::msleep(400);
        player.OnTimer(kPlayTimerId);
    }
    EXPECT_TRUE(m_view.m_timers.empty());
    EXPECT_EQ(g_nLastPlayPos, -1);
    EXPECT_NEAR(m_view.m_nPos, 1000, 30);
}
