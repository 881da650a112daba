#include "cli/dryrunshell.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/path.h"

namespace {

std::FILE* g_pDryRunOut = stdout;

std::vector<std::string> SplitList(const char* list)
{
    std::vector<std::string> paths;
    for (const char* at = list; at && *at; at += std::strlen(at) + 1)
        paths.emplace_back(at);
    return paths;
}

const char* VerbOf(unsigned wFunc, FILEOP_FLAGS flags)
{
    switch (wFunc) {
    case FO_COPY:
        return "copy";
    case FO_MOVE:
        return "move";
    case FO_RENAME:
        return "rename";
    default:
        return flags & FOF_ALLOWUNDO ? "trash" : "delete";
    }
}

} // namespace

void SetDryRunOutput(std::FILE* out)
{
    g_pDryRunOut = out;
}

int DryRunShellOperation(SHFILEOPSTRUCTA* op, ShellUi&)
{
    if (!op)
        return DE_INVALIDFILES;
    op->fAnyOperationsAborted = false;
    const std::vector<std::string> sources = SplitList(op->pFrom);
    const std::vector<std::string> destinations = SplitList(op->pTo);
    const char* verb = VerbOf(op->wFunc, op->fFlags);
    for (std::size_t i = 0; i < sources.size(); ++i) {
        std::string line = sources[i] + ": " + verb;
        if (op->wFunc != FO_DELETE && !destinations.empty()) {
            // One destination per source, or one folder that every source goes into.
            const bool perSource = (op->fFlags & FOF_MULTIDESTFILES) && i < destinations.size();
            line += " -> "
                + (perSource ? destinations[i]
                             : JoinPath(destinations.front(), FileNameOf(sources[i])));
        }
        std::fprintf(g_pDryRunOut, "%s\n", line.c_str());
    }
    return 0;
}
