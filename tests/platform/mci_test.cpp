#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/mci.h"
#include "platform/wavevolume.h"
#include "support/fixtures.h"

namespace {

// A lame-made tone: 440 Hz at half scale, seconds long; extra lame options choose VBR etc.
std::string MakeTone(const TempDir& dir, const std::string& name, double seconds, int channels,
    const std::string& lameOptions)
{
    std::string wav = dir / (name + ".wav");
    std::string mp3 = dir / name;
    std::string command = "sox -n -r 44100 -c " + std::to_string(channels) + " -b 16 "
        + ShellQuote(wav) + " synth " + std::to_string(seconds) + " sine 440 vol 0.5"
        + " >/dev/null 2>&1 && lame --quiet " + lameOptions + " " + ShellQuote(wav) + " "
        + ShellQuote(mp3) + " >/dev/null 2>&1";
    return RunCommand(command) == 0 ? mp3 : std::string();
}

long Status(const char* what)
{
    char reply[20];
    std::strcpy(reply, "junk");
    unsigned error = mciSendStringA(std::string("status s ") + what, reply, sizeof reply);
    if (error != 0) {
        EXPECT_STREQ(reply, "");
        return -1;
    }
    return std::atol(reply);
}

class MciTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!HaveProgram("sox") || !HaveProgram("lame"))
            GTEST_SKIP() << "sox and lame are needed to make MP3 files";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (m_dir / "out.raw").c_str(), 1);
        unsetenv("SDL_DISKAUDIODELAY");
        waveOutSetVolume(0, 0xFFFFFFFFu);
    }
    void TearDown() override { mciSendStringA("close s", nullptr, 0); }

    TempDir m_dir;
};

} // namespace

TEST(MciParse, AcceptsExactlyTheProgramsStrings)
{
    MciCommand open = ParseMciCommand("open /music/My Band/a b.mp3 alias s");
    EXPECT_EQ(open.m_nVerb, MciCommand::Open);
    EXPECT_EQ(open.m_strPath, "/music/My Band/a b.mp3");
    EXPECT_EQ(ParseMciCommand("play s").m_nVerb, MciCommand::Play);
    MciCommand from = ParseMciCommand("play s from 1234");
    EXPECT_EQ(from.m_nVerb, MciCommand::PlayFrom);
    EXPECT_EQ(from.m_nFrom, 1234);
    EXPECT_EQ(ParseMciCommand("status s length").m_nVerb, MciCommand::StatusLength);
    EXPECT_EQ(ParseMciCommand("STATUS S POSITION").m_nVerb, MciCommand::StatusPosition);
    EXPECT_EQ(ParseMciCommand("close s").m_nVerb, MciCommand::Close);

    for (const char* bad : {"", "open", "open alias s", "open /a.mp3 alias t", "play t",
             "play s from", "play s from -5", "play s from 12x", "play s from 99999999999999",
             "status s", "status s volume", "close", "stop s", "open /a.mp3"})
        EXPECT_EQ(ParseMciCommand(bad).m_nVerb, MciCommand::Invalid) << bad;
}

TEST(MciParse, ErrorsLeaveTheReplyEmpty)
{
    char reply[20] = "junk";
    EXPECT_NE(mciSendStringA("status s length", reply, sizeof reply), 0u);
    EXPECT_STREQ(reply, "");
    std::strcpy(reply, "junk");
    EXPECT_NE(mciSendStringA("frobnicate", reply, sizeof reply), 0u);
    EXPECT_STREQ(reply, "");
    EXPECT_NE(mciSendStringA("close s", nullptr, 0), 0u);
    EXPECT_NE(mciSendStringA("play s", nullptr, 0), 0u);
}

TEST_F(MciTest, LengthOfCbrVbrMonoStereoFiles)
{
    struct Case {
        const char* name;
        double seconds;
        int channels;
        const char* options;
        long tolerance;
    } cases[] = {
        {"cbr stereo 1.mp3", 1.0, 2, "-b 128", 30},
        {"cbr mono 1.mp3", 1.0, 1, "-b 64", 30},
        {"vbr stereo 1.mp3", 1.0, 2, "-V 2", 30},
        {"vbr mono 10.mp3", 10.0, 1, "-V 4", 30},
        {"cbr stereo 10.mp3", 10.0, 2, "-b 192", 30},
        // No Xing/LAME frame: the frames are scanned, but encoder delay and padding then
        // count as audio (up to about two frames).
        {"vbr noxing 1.mp3", 1.0, 2, "-V 2 -t", 60},
    };
    for (const Case& c : cases) {
        std::string path = MakeTone(m_dir, c.name, c.seconds, c.channels, c.options);
        ASSERT_FALSE(path.empty()) << c.name;
        ASSERT_EQ(mciSendStringA("open " + path + " alias s", nullptr, 0), 0u) << c.name;
        EXPECT_NEAR(Status("length"), c.seconds * 1000, c.tolerance) << c.name;
        EXPECT_EQ(Status("position"), 0) << c.name;
        EXPECT_EQ(mciSendStringA("close s", nullptr, 0), 0u);
        EXPECT_EQ(Status("length"), -1) << "close releases the device";
    }
}

TEST_F(MciTest, PositionAdvancesAndPlayFromLands)
{
    std::string path = MakeTone(m_dir, "tone.mp3", 10.0, 2, "-b 128");
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(mciSendStringA("open " + path + " alias s", nullptr, 0), 0u);
    EXPECT_NE(mciSendStringA("open " + path + " alias s", nullptr, 0), 0u) << "alias in use";
    ASSERT_EQ(mciSendStringA("play s", nullptr, 0), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    long first = Status("position");
    EXPECT_GT(first, 200);
    EXPECT_LT(first, 1500);
    ASSERT_EQ(mciSendStringA("play s from 7000", nullptr, 0), 0u);
    EXPECT_NEAR(Status("position"), 7000, 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_GT(Status("position"), 7100);
    EXPECT_NE(mciSendStringA("play s from 20000", nullptr, 0), 0u) << "beyond the end";
}

TEST_F(MciTest, SamplesWrittenAreTheToneAtTheSetVolume)
{
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    std::string path = MakeTone(m_dir, "tone.mp3", 1.0, 2, "-b 192");
    ASSERT_FALSE(path.empty());
    auto peakOf = [&](std::uint32_t volume, long* crossings) {
        std::string raw = m_dir / "out.raw";
        std::remove(raw.c_str());
        waveOutSetVolume(0, volume);
        EXPECT_EQ(mciSendStringA("open " + path + " alias s", nullptr, 0), 0u);
        EXPECT_EQ(mciSendStringA("play s", nullptr, 0), 0u);
        for (int i = 0; i < 200 && Status("position") < 1000; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        mciSendStringA("close s", nullptr, 0);
        std::string bytes = ReadFileBytes(raw);
        std::size_t count = bytes.size() / 2;
        const auto* samples = reinterpret_cast<const std::int16_t*>(bytes.data());
        int peak = 0;
        *crossings = 0;
        // Skip the decoder's start-up; look at 0.1 s .. 0.9 s of the left channel.
        for (std::size_t i = 2 * 4410; i + 2 < count && i < 2 * 39690; i += 2) {
            peak = std::max(peak, std::abs(int(samples[i])));
            if ((samples[i] < 0) != (samples[i + 2] < 0))
                ++*crossings;
        }
        return peak;
    };
    long crossings = 0;
    int full = peakOf(0xFFFFFFFFu, &crossings);
    EXPECT_NEAR(full, 16384, 1200) << "sox made the tone at half scale";
    EXPECT_NEAR(crossings, 2 * 440 * 0.8, 10) << "a 440 Hz tone";
    int half = peakOf(32767u * 65537u, &crossings);
    EXPECT_NEAR(half, full / 2, 2);
    EXPECT_EQ(peakOf(0, &crossings), 0);
}

TEST_F(MciTest, NonMp3AndMissingFilesFailOpenCleanly)
{
    WriteFileBytes(m_dir / "text.mp3", "this is not an mp3 file at all\n");
    WriteFileBytes(m_dir / "empty.mp3", "");
    WriteFileBytes(m_dir / "zeros.mp3", std::string(50000, '\0'));
    // A named pipe without a writer: refused at once (the alarm ends a process that waits).
    ASSERT_EQ(mkfifo((m_dir / "pipe.mp3").c_str(), 0644), 0);
    alarm(20);
    for (const char* name : {"text.mp3", "empty.mp3", "zeros.mp3", "missing.mp3", "pipe.mp3"}) {
        EXPECT_NE(mciSendStringA("open " + (m_dir / name) + " alias s", nullptr, 0), 0u) << name;
        EXPECT_EQ(Status("position"), -1) << name;
        EXPECT_NE(mciSendStringA("close s", nullptr, 0), 0u) << name;
    }
    alarm(0);
}

TEST_F(MciTest, NoSoundDriverIsAnErrorOfOpen)
{
    std::string path = MakeTone(m_dir, "tone.mp3", 1.0, 2, "-b 128");
    ASSERT_FALSE(path.empty());
    setenv("SDL_AUDIODRIVER", "nosuchdriver", 1);
    EXPECT_NE(mciSendStringA("open " + path + " alias s", nullptr, 0), 0u);
    EXPECT_EQ(Status("length"), -1);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    EXPECT_EQ(mciSendStringA("open " + path + " alias s", nullptr, 0), 0u);
}
