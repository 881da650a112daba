#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// One SDL2 audio device playing interleaved 16-bit stereo. The device's own thread calls the
// source for samples, then scales them by the wave-out volume; the caller's thread never waits
// on the sound hardware. Opening fails (never hangs) when there is no usable audio driver.
class AudioOutput final {
public:
    // Fills up to frames sample frames; returns how many it wrote (the rest becomes silence).
    // Runs on the audio thread.
    using Source = std::function<std::size_t(std::int16_t* out, std::size_t frames)>;

    AudioOutput() = default;
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens the default output at rate, paused. False with a message in Error() when the audio
    // subsystem or the device cannot be opened.
    bool Open(long rate, Source source);
    void Close();
    bool IsOpen() const { return m_nDevice != 0; }
    const std::string& Error() const { return m_strError; }

    void SetPaused(bool paused);
    // Keeps the audio thread out of the source while the caller changes its state.
    void Lock();
    void Unlock();

    // Scales interleaved stereo samples by a wave-out volume (low word left, high word right).
    static void ApplyVolume(std::int16_t* samples, std::size_t frames, std::uint32_t volume);

private:
    static void Callback(void* self, std::uint8_t* stream, int length);

    std::uint32_t m_nDevice = 0;
    bool m_bSubsystem = false;
    Source m_source;
    std::string m_strError;
};
