// The media string parser: any text gives either one command or an error code, never both,
// and what it reads back out (the path, the start time) survives being written again.
#include <cstdlib>
#include <string>

#include "platform/mci.h"

namespace {

bool IsKnownError(unsigned error)
{
    return error == MCIERR_UNRECOGNIZED_COMMAND || error == MCIERR_INVALID_DEVICE_NAME
        || error == MCIERR_OUTOFRANGE;
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const MciCommand command = ParseMciCommand(text);
    if (command.m_nVerb == MciCommand::Invalid) {
        Check(IsKnownError(command.m_nError));
        return 0;
    }
    Check(command.m_nError == 0);
    switch (command.m_nVerb) {
    case MciCommand::Open: {
        // The path is part of the text, not empty, and comes back unchanged from the string
        // the player would build from it.
        Check(!command.m_strPath.empty());
        Check(text.find(command.m_strPath) != std::string::npos);
        const MciCommand again = ParseMciCommand("open " + command.m_strPath + " alias s");
        Check(again.m_nVerb == MciCommand::Open && again.m_strPath == command.m_strPath);
        break;
    }
    case MciCommand::PlayFrom: {
        Check(command.m_nFrom >= 0 && command.m_nFrom <= 999999999999);
        const MciCommand again = ParseMciCommand("play s from " + std::to_string(command.m_nFrom));
        Check(again.m_nVerb == MciCommand::PlayFrom && again.m_nFrom == command.m_nFrom);
        break;
    }
    default:
        Check(command.m_strPath.empty() && command.m_nFrom == 0);
        break;
    }
    return 0;
}
