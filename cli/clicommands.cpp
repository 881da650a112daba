#include "cli/clicommands.h"

#include <cerrno>
#include <cstring>

#include "cli/listwriter.h"
#include "session/session.h"

bool RunCliCommand(Session& session, const CliArgs& args, std::FILE* out, std::FILE* err)
{
    if (args.m_pCommand->run) {
        args.m_pCommand->run(session);
        return true;
    }
    // `list`, the one command of the CLI's own.
    if (!WriteList(session.List(), out)) {
        std::fprintf(err, "sonivar-cli: standard output: %s\n", std::strerror(errno));
        return false;
    }
    return true;
}
