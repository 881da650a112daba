#include "cli/clicommands.h"

#include <cerrno>
#include <cstring>

#include "session/session.h"
#include "cli/listwriter.h"
#include "edit/removeid3v2.h"
#include "edit/renamecommands.h"
#include "edit/tagcommands.h"
#include "export/exportcommands.h"
#include "fileops/copydelete.h"
#include "fileops/movecommands.h"

bool RunCliCommand(Session& session, const CliArgs& args, std::FILE* out, std::FILE* err)
{
    switch (args.m_command) {
    case CliCommand::List:
        if (!WriteList(session.List(), out)) {
            std::fprintf(err, "sonivar-cli: standard output: %s\n", std::strerror(errno));
            return false;
        }
        return true;
    case CliCommand::SetField:
        OnChangeTagField(session, args.m_nFieldCommand);
        return true;
    case CliCommand::Genre:
        OnChangeGenre(session);
        return true;
    case CliCommand::UpperWords:
        OnUpperCaseWords(session);
        return true;
    case CliCommand::UpperFirst:
        OnUpperCaseFirstWord(session);
        return true;
    case CliCommand::NameFromFile:
        OnFileNameToName(session);
        return true;
    case CliCommand::ArtistFromFile:
        OnFileNameToArtist(session);
        return true;
    case CliCommand::RenameName:
        OnNameToFileName(session);
        return true;
    case CliCommand::RenameArtistName:
        OnArtistNameToFileName(session);
        return true;
    case CliCommand::StripId3v2:
        OnRemoveId3v2(session);
        return true;
    case CliCommand::PlayList:
        OnMakePlayList(session);
        return true;
    case CliCommand::Titles:
        OnExportTitles(session);
        return true;
    case CliCommand::Copy:
        OnCopy(session);
        return true;
    case CliCommand::Trash:
        OnDelete(session);
        return true;
    case CliCommand::Move:
        OnMoveToFolder(session);
        return true;
    case CliCommand::MoveArtist:
        OnMoveToRootArtist(session);
        return true;
    }
    return false;
}
