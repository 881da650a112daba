#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The media control strings the program sends, over the MP3 decoder and the audio output:
// "open PATH alias s" (PATH may hold spaces, no quotes), "play s", "play s from N",
// "status s length", "status s position", "close s". Times are milliseconds; replies are
// decimal text. Keywords are matched without regard to case.

inline constexpr unsigned MCIERR_BASE = 256;
inline constexpr unsigned MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
inline constexpr unsigned MCIERR_HARDWARE = MCIERR_BASE + 6;
inline constexpr unsigned MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
inline constexpr unsigned MCIERR_DEVICE_OPEN = MCIERR_BASE + 9;
inline constexpr unsigned MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
inline constexpr unsigned MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
inline constexpr unsigned MCIERR_INVALID_FILE = MCIERR_BASE + 40;

struct MciCommand {
    enum Verb { Invalid, Open, Play, PlayFrom, StatusLength, StatusPosition, Close };
    Verb m_nVerb = Invalid;
    std::string m_strPath; // Open
    std::int64_t m_nFrom = 0; // PlayFrom
    unsigned m_nError = 0; // Invalid: why
};

// Parses one command string; pure, so that it can be fuzzed.
MciCommand ParseMciCommand(std::string_view command);

// Runs one command. 0 on success with the reply (if any) copied into reply, cut to
// replyLength - 1 bytes and NUL-terminated; on an error a non-zero code and an empty reply.
unsigned mciSendStringA(const std::string& command, char* reply, unsigned replyLength);
