#include <gtest/gtest.h>

#include "platform/audiooutput.h"
#include "platform/wavevolume.h"

TEST(WaveVolume, OnlyDeviceZeroHoldsBothChannels)
{
    std::uint32_t volume = 0;
    EXPECT_EQ(waveOutGetVolume(0, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0xFFFFFFFFu) << "starts at full volume";
    EXPECT_EQ(waveOutSetVolume(0, 0x12345678u), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutGetVolume(0, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0x12345678u);
    EXPECT_EQ(waveOutSetVolume(1, 0), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetVolume(1, &volume), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetVolume(0, nullptr), MMSYSERR_INVALPARAM);
}

TEST(WaveVolume, ScalesEachChannelByItsWord)
{
    std::int16_t samples[] = {32767, -32768, 1000, -1000};
    AudioOutput::ApplyVolume(samples, 2, 0x0000FFFFu); // left full, right silent
    EXPECT_EQ(samples[0], 32767);
    EXPECT_EQ(samples[1], 0);
    EXPECT_EQ(samples[2], 1000);
    EXPECT_EQ(samples[3], 0);
    std::int16_t half[] = {20000, -20000};
    AudioOutput::ApplyVolume(half, 1, 32767u * 65537u);
    EXPECT_EQ(half[0], 9999);
    EXPECT_EQ(half[1], -9999);
}
