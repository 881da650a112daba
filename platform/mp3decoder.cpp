#include "platform/mp3decoder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mpg123.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/exception.h"

namespace {
void InitLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}
} // namespace

Mp3Decoder::~Mp3Decoder()
{
    Close();
}

bool Mp3Decoder::Open(const std::string& path)
{
    Close();
    InitLibrary();
    int error = MPG123_OK;
    m_pHandle = mpg123_new(nullptr, &error);
    if (!m_pHandle) {
        m_strError = mpg123_plain_strerror(error);
        return false;
    }
    mpg123_param(m_pHandle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0);
    auto fail = [this](const std::string& why) {
        m_strError = why;
        Close();
        return false;
    };
    // Only a regular file is decoded; the open never waits (a named pipe without a writer).
    m_nFd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_nFd < 0)
        return fail(std::strerror(errno));
    struct stat st;
    if (::fstat(m_nFd, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(FileErrorText(kErrorNotRegularFile));
    // The decoder opens the very file that was checked, through the descriptor's name in /proc
    // (the path itself where /proc is missing).
    const std::string checked = "/proc/self/fd/" + std::to_string(m_nFd);
    const std::string name = ::access(checked.c_str(), R_OK) == 0 ? checked : path;
    if (mpg123_open_fixed(m_pHandle, name.c_str(), MPG123_STEREO, MPG123_ENC_SIGNED_16)
        != MPG123_OK)
        return fail(mpg123_strerror(m_pHandle));
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_pHandle, &rate, &channels, &encoding) != MPG123_OK)
        return fail(mpg123_strerror(m_pHandle));
    if (rate <= 0 || channels != kChannels || encoding != MPG123_ENC_SIGNED_16)
        return fail("unsupported output format");
    long accurate = 0;
    double unused = 0;
    if (mpg123_getstate(m_pHandle, MPG123_ACCURATE, &accurate, &unused) != MPG123_OK || !accurate) {
        if (mpg123_scan(m_pHandle) != MPG123_OK)
            return fail(mpg123_strerror(m_pHandle));
    }
    off_t length = mpg123_length(m_pHandle);
    if (length <= 0)
        return fail("no audio frames");
    m_nRate = rate;
    m_nLengthFrames = length;
    m_strError.clear();
    return true;
}

void Mp3Decoder::Close()
{
    if (m_pHandle) {
        mpg123_close(m_pHandle);
        mpg123_delete(m_pHandle);
        m_pHandle = nullptr;
    }
    // Kept open while the decoder reads, so /proc names the checked file all along.
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
    m_nRate = 0;
    m_nLengthFrames = 0;
}

std::size_t Mp3Decoder::Read(std::int16_t* out, std::size_t frames)
{
    if (!m_pHandle)
        return 0;
    const std::size_t frameBytes = sizeof(std::int16_t) * kChannels;
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    std::size_t wanted = frames * frameBytes;
    std::size_t got = 0;
    while (got < wanted) {
        size_t done = 0;
        int result = mpg123_read(m_pHandle, bytes + got, wanted - got, &done);
        got += done;
        if (result == MPG123_NEW_FORMAT)
            continue;
        if (result != MPG123_OK || done == 0)
            break;
    }
    return got / frameBytes;
}

std::int64_t Mp3Decoder::SeekFrame(std::int64_t frame)
{
    if (!m_pHandle)
        return 0;
    if (frame < 0)
        frame = 0;
    if (frame > m_nLengthFrames)
        frame = m_nLengthFrames;
    off_t reached = mpg123_seek(m_pHandle, static_cast<off_t>(frame), SEEK_SET);
    return reached < 0 ? 0 : static_cast<std::int64_t>(reached);
}
