#pragma once

#include <cstdint>

// The program's own output volume, standing in for the volume of wave-out device 0: the low
// word is the left channel, the high word the right, each 0 (silent) to 65535 (full). The
// audio output scales every sample by it. Starts at full volume on both channels.

using MMRESULT = unsigned;
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;

// Only device 0 exists; any other gives MMSYSERR_BADDEVICEID.
MMRESULT waveOutGetVolume(unsigned device, std::uint32_t* volume);
MMRESULT waveOutSetVolume(unsigned device, std::uint32_t volume);
