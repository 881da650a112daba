#include "commands/commandtable.h"

#include <algorithm>
#include <array>

#include "edit/removeid3v2.h"
#include "edit/renamecommands.h"
#include "edit/tagcommands.h"
#include "edit/undo.h"
#include "export/exportcommands.h"
#include "fileops/copydelete.h"
#include "fileops/movecommands.h"
#include "load/addfiles.h"
#include "res/resource.h"
#include "session/selectioncommands.h"

namespace {

template <int CommandId> void SetTagField(Session& session)
{
    OnChangeTagField(session, CommandId);
}

using M = MenuPlace;
using A = CliArgument;
constexpr const char* kSetField = "set that field of every file to TEXT";

// The CLI's own command, then one row per menu item in menu order (the CLI's usage follows it).
// clang-format off
constexpr std::array kCommands = std::to_array<Command>({
    {0,                          M::None,      nullptr,                      "",            0, false, "list",               nullptr,   A::None,   "",             "print the rows, one line each",  nullptr},
    {ID_ADD_FOLDER,              M::File,      "Add folder",                 "Ctrl+D",      1, false, nullptr,              nullptr,   A::None,   "",             nullptr,                          nullptr},
    {ID_ADD_FILES,               M::File,      "Add files",                  "Ctrl+F",      2, false, nullptr,              nullptr,   A::None,   "",             nullptr,                          &OnAddFiles},
    {ID_EXIT,                    M::File,      "Exit",                       "Ctrl+E",      0, true,  nullptr,              nullptr,   A::None,   "",             nullptr,                          nullptr},
    {ID_TAG_ARTIST,              M::ChangeTag, "Artist",                     "Alt+A",       3, false, "set",                "artist",  A::Text,   "TEXT",         kSetField,                        &SetTagField<ID_TAG_ARTIST>, false},
    {ID_TAG_NAME,                M::ChangeTag, "Name",                       "Alt+N",       4, false, "set",                "name",    A::Text,   "TEXT",         kSetField,                        &SetTagField<ID_TAG_NAME>, false},
    {ID_TAG_ALBUM,               M::ChangeTag, "Album",                      "Alt+B",       5, false, "set",                "album",   A::Text,   "TEXT",         kSetField,                        &SetTagField<ID_TAG_ALBUM>, false},
    {ID_TAG_YEAR,                M::ChangeTag, "Year",                       "Alt+Y",       6, false, "set",                "year",    A::Text,   "TEXT",         kSetField,                        &SetTagField<ID_TAG_YEAR>, false},
    {ID_TAG_COMMENT,             M::ChangeTag, "Comment",                    "Alt+C",       0, false, "set",                "comment", A::Text,   "TEXT",         kSetField,                        &SetTagField<ID_TAG_COMMENT>, false},
    {ID_TAG_GENRE,               M::ChangeTag, "Genre",                      "Alt+G",       7, false, "genre",              nullptr,   A::Genre,  "NAME-OR-CODE", "set the genre of every file",    &OnChangeGenre},
    {ID_FILENAME_TO_ARTIST,      M::Change,    "File Name -> Artist",        "",            0, true,  "artist-from-file",   nullptr,   A::None,   "",             "File Name -> Artist",            &OnFileNameToArtist, false},
    {ID_FILENAME_TO_NAME,        M::Change,    "File Name -> Name",          "",            0, false, "name-from-file",     nullptr,   A::None,   "",             "File Name -> Name",              &OnFileNameToName, false},
    {ID_UPPER_CASE_WORDS,        M::Change,    "Upper case words",           "",            0, true,  "upper-words",        nullptr,   A::None,   "",             "Upper case words",               &OnUpperCaseWords},
    {ID_UPPER_CASE_FIRST_WORD,   M::Change,    "Upper case first word",      "",            8, false, "upper-first",        nullptr,   A::None,   "",             "Upper case first word",          &OnUpperCaseFirstWord},
    {ID_ARTIST_NAME_TO_FILENAME, M::Change,    "File Name <- Artist - Name", "",            0, true,  "rename-artist-name", nullptr,   A::None,   "",             "File Name <- Artist - Name",     &OnArtistNameToFileName},
    {ID_NAME_TO_FILENAME,        M::Change,    "File Name <- Name",          "",            0, false, "rename-name",        nullptr,   A::None,   "",             "File Name <- Name",              &OnNameToFileName},
    {ID_DELETE,                  M::Change,    "Delete",                     "Ctrl+Delete", 0, true,  "trash",              nullptr,   A::None,   "",             "move the files to the trash",    &OnDelete},
    {ID_COPY,                    M::Change,    "Copy",                       "F5;Ctrl+F5",  0, false, "copy",               nullptr,   A::Folder, "FOLDER",       "copy the files into FOLDER",     &OnCopy},
    {ID_MOVE_TO_FOLDER,          M::Change,    "Move to folder",             "F6",          0, true,  "move",               nullptr,   A::Folder, "FOLDER",       "move the files and their .txt companions into FOLDER (names recased)", &OnMoveToFolder},
    {ID_MOVE_TO_ROOT_ARTIST,     M::Change,    "Move to Root\\Artist",       "F7",          0, false, "move-artist",        nullptr,   A::Folder, "ROOT",         "move each file and its .txt companion into ROOT/ARTIST", &OnMoveToRootArtist},
    {ID_UNDO,                    M::Change,    "Undo",                       "Ctrl+Z",      0, true,  nullptr,              nullptr,   A::None,   "",             nullptr,                          &OnUndo},
    {ID_SELECT_ALL,              M::Misc,      "Select All",                 "Ctrl+A",      0, false, nullptr,              nullptr,   A::None,   "",             nullptr,                          &OnSelectAll},
    {ID_INVERT_SELECTION,        M::Misc,      "Invert selection",           "Ctrl+I",      0, false, nullptr,              nullptr,   A::None,   "",             nullptr,                          &OnInvertSelection},
    {ID_REMOVE_SELECTED,         M::Misc,      "Remove selected",            "Delete",      0, true,  nullptr,              nullptr,   A::None,   "",             nullptr,                          &OnRemoveSelected},
    {ID_REMOVE_ID3V2,            M::Misc,      "Remove ID3v2 tags",          "",            0, true,  "strip-id3v2",        nullptr,   A::None,   "",             "Remove ID3v2 tags",              &OnRemoveId3v2},
    {ID_PLAY,                    M::Misc,      "Play",                       "",            0, true,  nullptr,              nullptr,   A::None,   "",             nullptr,                          nullptr},
    {ID_STOP,                    M::Misc,      "Stop",                       "",            0, false, nullptr,              nullptr,   A::None,   "",             nullptr,                          nullptr},
    {ID_MAKE_PLAYLIST,           M::Misc,      "Make play list",             "",            9, true,  "playlist",           nullptr,   A::File,   "FILE",         "write an M3U play list",         &OnMakePlayList},
    {ID_EXPORT_TITLES,           M::Misc,      "Export titles",              "",            0, false, "titles",             nullptr,   A::File,   "FILE",         "write the titles, one per line", &OnExportTitles},
    {ID_ABOUT,                   M::Misc,      "About ...",                  "",            0, true,  nullptr,              nullptr,   A::None,   "",             nullptr,                          nullptr},
});
// clang-format on

} // namespace

std::span<const Command> Commands()
{
    return kCommands;
}

const Command* FindCommand(int id)
{
    const auto it = std::find_if(kCommands.begin(), kCommands.end(),
        [id](const Command& command) { return id != 0 && command.nId == id; });
    return it == kCommands.end() ? nullptr : &*it;
}
