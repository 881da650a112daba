#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct mpg123_handle_struct;

// One MP3 file decoded by libmpg123 to interleaved 16-bit stereo at the file's own rate (mono
// files are doubled onto both channels). Not thread-safe: the owner serialises the calls.
class Mp3Decoder final {
public:
    Mp3Decoder() = default;
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Opens the file and measures its length. When the stream carries no header that gives the
    // length (a VBR file without a Xing/Info frame), every frame is scanned once, so the length
    // is exact rather than estimated. False for a file that is missing, holds no MPEG audio or
    // decodes to nothing; the message is then in Error().
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_pHandle != nullptr; }
    const std::string& Error() const { return m_strError; }

    long Rate() const { return m_nRate; }
    static constexpr int kChannels = 2;
    // Length in sample frames (one frame = one sample of each channel).
    std::int64_t LengthFrames() const { return m_nLengthFrames; }

    // Decodes up to frames sample frames into out; returns how many were written, fewer only
    // at the end of the stream (or on a decoding error, which ends the stream).
    std::size_t Read(std::int16_t* out, std::size_t frames);
    // Moves to the sample frame (clamped to the length); returns the frame reached.
    std::int64_t SeekFrame(std::int64_t frame);

private:
    mpg123_handle_struct* m_pHandle = nullptr;
    int m_nFd = -1;
    long m_nRate = 0;
    std::int64_t m_nLengthFrames = 0;
    std::string m_strError;
};
