#include "platform/mci.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/mcidevice.h"

namespace {

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i]))
            != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i]))
            ++i;
        std::size_t start = i;
        while (i < text.size() && !IsSpace(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

MciCommand Fail(unsigned error)
{
    MciCommand command;
    command.m_nError = error;
    return command;
}

// "open PATH alias s": the path is everything between "open " and the final " alias s".
MciCommand ParseOpen(std::string_view text)
{
    std::string_view rest = text.substr(4);
    while (!rest.empty() && IsSpace(rest.back()))
        rest.remove_suffix(1);
    std::vector<std::string_view> words = Words(rest);
    if (words.size() < 3 || !EqualNoCase(words[words.size() - 2], "alias"))
        return Fail(MCIERR_UNRECOGNIZED_COMMAND);
    if (!EqualNoCase(words.back(), "s"))
        return Fail(MCIERR_INVALID_DEVICE_NAME);
    // Cut the two last words and the blanks before them; keep the path's own spaces.
    std::size_t end = static_cast<std::size_t>(words[words.size() - 2].data() - rest.data());
    while (end > 0 && IsSpace(rest[end - 1]))
        --end;
    if (rest.empty() || !IsSpace(rest.front()))
        return Fail(MCIERR_UNRECOGNIZED_COMMAND);
    std::string_view path = rest.substr(1, end > 0 ? end - 1 : 0);
    if (path.empty())
        return Fail(MCIERR_UNRECOGNIZED_COMMAND);
    MciCommand command;
    command.m_nVerb = MciCommand::Open;
    command.m_strPath = std::string(path);
    return command;
}

} // namespace

MciCommand ParseMciCommand(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    if (text.size() > 4 && EqualNoCase(text.substr(0, 4), "open") && IsSpace(text[4]))
        return ParseOpen(text);
    std::vector<std::string_view> words = Words(text);
    if (words.size() < 2)
        return Fail(MCIERR_UNRECOGNIZED_COMMAND);
    bool known = EqualNoCase(words[0], "play") || EqualNoCase(words[0], "status")
        || EqualNoCase(words[0], "close");
    if (!known)
        return Fail(MCIERR_UNRECOGNIZED_COMMAND);
    if (!EqualNoCase(words[1], "s"))
        return Fail(MCIERR_INVALID_DEVICE_NAME);
    MciCommand command;
    if (EqualNoCase(words[0], "close") && words.size() == 2) {
        command.m_nVerb = MciCommand::Close;
    } else if (EqualNoCase(words[0], "play") && words.size() == 2) {
        command.m_nVerb = MciCommand::Play;
    } else if (EqualNoCase(words[0], "play") && words.size() == 4
        && EqualNoCase(words[2], "from")) {
        std::string_view digits = words[3];
        if (digits.empty() || digits.size() > 12)
            return Fail(MCIERR_OUTOFRANGE);
        std::int64_t value = 0;
        for (char c : digits) {
            if (c < '0' || c > '9')
                return Fail(MCIERR_OUTOFRANGE);
            value = value * 10 + (c - '0');
        }
        command.m_nVerb = MciCommand::PlayFrom;
        command.m_nFrom = value;
    } else if (EqualNoCase(words[0], "status") && words.size() == 3
        && EqualNoCase(words[2], "length")) {
        command.m_nVerb = MciCommand::StatusLength;
    } else if (EqualNoCase(words[0], "status") && words.size() == 3
        && EqualNoCase(words[2], "position")) {
        command.m_nVerb = MciCommand::StatusPosition;
    } else {
        return Fail(MCIERR_UNRECOGNIZED_COMMAND);
    }
    return command;
}

namespace {
std::mutex g_mciMutex;

MciDevice& Device()
{
    // Destroyed at exit, which stops the audio thread before the process ends.
    static MciDevice device;
    return device;
}
} // namespace

unsigned mciSendStringA(const std::string& text, char* reply, unsigned replyLength)
{
    if (reply && replyLength > 0)
        reply[0] = '\0';
    MciCommand command = ParseMciCommand(text);
    std::lock_guard lock(g_mciMutex);
    MciDevice& device = Device();
    std::string answer;
    unsigned error = 0;
    switch (command.m_nVerb) {
    case MciCommand::Invalid:
        return command.m_nError;
    case MciCommand::Open:
        if (device.IsOpen())
            return MCIERR_DEVICE_OPEN;
        error = device.Open(command.m_strPath);
        break;
    case MciCommand::Play:
        error = device.Play();
        break;
    case MciCommand::PlayFrom:
        error = device.PlayFrom(command.m_nFrom);
        break;
    case MciCommand::StatusLength:
    case MciCommand::StatusPosition:
        if (!device.IsOpen())
            return MCIERR_INVALID_DEVICE_NAME;
        answer = std::to_string(
            command.m_nVerb == MciCommand::StatusLength ? device.LengthMs() : device.PositionMs());
        break;
    case MciCommand::Close:
        if (!device.IsOpen())
            return MCIERR_INVALID_DEVICE_NAME;
        device.Close();
        break;
    }
    if (error != 0)
        return error;
    if (reply && replyLength > 0) {
        std::size_t n = std::min<std::size_t>(answer.size(), replyLength - 1);
        std::memcpy(reply, answer.data(), n);
        reply[n] = '\0';
    }
    return 0;
}
