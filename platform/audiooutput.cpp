#include "platform/audiooutput.h"

#include <SDL.h>
#include <cstring>

#include "platform/wavevolume.h"

AudioOutput::~AudioOutput()
{
    Close();
}

bool AudioOutput::Open(long rate, Source source)
{
    Close();
    // Initialised per device, so that the driver named in SDL_AUDIODRIVER is read anew.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        m_strError = SDL_GetError();
        return false;
    }
    m_bSubsystem = true;
    m_source = std::move(source);
    SDL_AudioSpec want {};
    want.freq = static_cast<int>(rate);
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 2048;
    want.callback = &AudioOutput::Callback;
    want.userdata = this;
    SDL_AudioSpec have {};
    // No changes allowed: SDL converts to whatever the hardware takes.
    m_nDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (m_nDevice == 0) {
        m_strError = SDL_GetError();
        Close();
        return false;
    }
    m_strError.clear();
    return true;
}

void AudioOutput::Close()
{
    if (m_nDevice != 0) {
        SDL_CloseAudioDevice(m_nDevice);
        m_nDevice = 0;
    }
    if (m_bSubsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_bSubsystem = false;
    }
    m_source = nullptr;
}

void AudioOutput::SetPaused(bool paused)
{
    if (m_nDevice != 0)
        SDL_PauseAudioDevice(m_nDevice, paused ? 1 : 0);
}

void AudioOutput::Lock()
{
    if (m_nDevice != 0)
        SDL_LockAudioDevice(m_nDevice);
}

void AudioOutput::Unlock()
{
    if (m_nDevice != 0)
        SDL_UnlockAudioDevice(m_nDevice);
}

void AudioOutput::ApplyVolume(std::int16_t* samples, std::size_t frames, std::uint32_t volume)
{
    const std::int32_t left = static_cast<std::int32_t>(volume & 0xFFFFu);
    const std::int32_t right = static_cast<std::int32_t>(volume >> 16);
    if (left == 0xFFFF && right == 0xFFFF)
        return;
    for (std::size_t i = 0; i < frames; ++i) {
        samples[2 * i] = static_cast<std::int16_t>(samples[2 * i] * left / 0xFFFF);
        samples[2 * i + 1] = static_cast<std::int16_t>(samples[2 * i + 1] * right / 0xFFFF);
    }
}

void AudioOutput::Callback(void* self, std::uint8_t* stream, int length)
{
    auto* output = static_cast<AudioOutput*>(self);
    auto* samples = reinterpret_cast<std::int16_t*>(stream);
    const std::size_t frames = static_cast<std::size_t>(length) / (2 * sizeof(std::int16_t));
    std::size_t got = output->m_source ? output->m_source(samples, frames) : 0;
    if (got > frames)
        got = frames;
    std::uint32_t volume = 0xFFFFFFFFu;
    waveOutGetVolume(0, &volume);
    ApplyVolume(samples, got, volume);
    std::memset(samples + 2 * got, 0, (frames - got) * 2 * sizeof(std::int16_t));
}
