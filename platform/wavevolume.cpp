#include "platform/wavevolume.h"

#include <atomic>

namespace {
// Read by the audio thread on every buffer, written by the user-interface thread.
std::atomic<std::uint32_t> g_nWaveVolume {0xFFFFFFFFu};
} // namespace

MMRESULT waveOutGetVolume(unsigned device, std::uint32_t* volume)
{
    if (device != 0)
        return MMSYSERR_BADDEVICEID;
    if (!volume)
        return MMSYSERR_INVALPARAM;
    *volume = g_nWaveVolume.load(std::memory_order_relaxed);
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(unsigned device, std::uint32_t volume)
{
    if (device != 0)
        return MMSYSERR_BADDEVICEID;
    g_nWaveVolume.store(volume, std::memory_order_relaxed);
    return MMSYSERR_NOERROR;
}
