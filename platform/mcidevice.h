#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/audiooutput.h"
#include "platform/mp3decoder.h"

// The one media device behind the alias "s": an MP3 file decoded on the audio thread. The
// position is the count of sample frames handed to the output.
class MciDevice final {
public:
    MciDevice() = default;
    ~MciDevice();
    MciDevice(const MciDevice&) = delete;
    MciDevice& operator=(const MciDevice&) = delete;

    // Media control error code, 0 on success.
    unsigned Open(const std::string& path);
    unsigned Play();
    unsigned PlayFrom(std::int64_t ms);
    void Close();
    bool IsOpen() const { return m_output.IsOpen(); }

    std::int64_t LengthMs() const;
    std::int64_t PositionMs() const;

private:
    std::size_t Pull(std::int16_t* out, std::size_t frames);

    Mp3Decoder m_decoder;
    AudioOutput m_output;
    std::atomic<std::int64_t> m_nPlayedFrames {0};
};
