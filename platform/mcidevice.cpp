#include "platform/mcidevice.h"

#include <sys/stat.h>

#include "platform/mci.h"

MciDevice::~MciDevice()
{
    Close();
}

unsigned MciDevice::Open(const std::string& path)
{
    Close();
    struct stat info { };
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return MCIERR_FILE_NOT_FOUND;
    if (!m_decoder.Open(path))
        return MCIERR_INVALID_FILE;
    m_nPlayedFrames = 0;
    if (!m_output.Open(m_decoder.Rate(),
            [this](std::int16_t* out, std::size_t frames) { return Pull(out, frames); })) {
        m_decoder.Close();
        return MCIERR_HARDWARE;
    }
    return 0;
}

unsigned MciDevice::Play()
{
    if (!IsOpen())
        return MCIERR_INVALID_DEVICE_NAME;
    m_output.SetPaused(false);
    return 0;
}

unsigned MciDevice::PlayFrom(std::int64_t ms)
{
    if (!IsOpen())
        return MCIERR_INVALID_DEVICE_NAME;
    if (ms < 0 || ms > LengthMs())
        return MCIERR_OUTOFRANGE;
    m_output.Lock();
    std::int64_t reached = m_decoder.SeekFrame(ms * m_decoder.Rate() / 1000);
    m_nPlayedFrames = reached;
    m_output.Unlock();
    m_output.SetPaused(false);
    return 0;
}

void MciDevice::Close()
{
    // The output goes first so that the audio thread no longer reads the decoder.
    m_output.Close();
    m_decoder.Close();
    m_nPlayedFrames = 0;
}

std::int64_t MciDevice::LengthMs() const
{
    if (!IsOpen() || m_decoder.Rate() <= 0)
        return 0;
    return m_decoder.LengthFrames() * 1000 / m_decoder.Rate();
}

std::int64_t MciDevice::PositionMs() const
{
    if (!IsOpen() || m_decoder.Rate() <= 0)
        return 0;
    return m_nPlayedFrames.load() * 1000 / m_decoder.Rate();
}

std::size_t MciDevice::Pull(std::int16_t* out, std::size_t frames)
{
    std::size_t got = m_decoder.Read(out, frames);
    m_nPlayedFrames += static_cast<std::int64_t>(got);
    return got;
}
