#include "app/gui/commandtable.h"

#include "app/gui/maindlg.h"
#include "res/resource.h"

using M = MenuPlace;

// clang-format off
const std::array<CommandEntry, kMainCommandCount> kMainCommands = {{
    {ID_ADD_FOLDER,              M::File,      "Add folder",                 "Ctrl+D",       1, false, nullptr},
    {ID_ADD_FILES,               M::File,      "Add files",                  "Ctrl+F",       2, false, nullptr},
    {ID_EXIT,                    M::File,      "Exit",                       "Ctrl+E",       0, true,  &CMainDlg::OnExit},
    {ID_TAG_ARTIST,              M::ChangeTag, "Artist",                     "Alt+A",        3, false, nullptr},
    {ID_TAG_NAME,                M::ChangeTag, "Name",                       "Alt+N",        4, false, nullptr},
    {ID_TAG_ALBUM,               M::ChangeTag, "Album",                      "Alt+B",        5, false, nullptr},
    {ID_TAG_YEAR,                M::ChangeTag, "Year",                       "Alt+Y",        6, false, nullptr},
    {ID_TAG_COMMENT,             M::ChangeTag, "Comment",                    "Alt+C",        0, false, nullptr},
    {ID_TAG_GENRE,               M::ChangeTag, "Genre",                      "Alt+G",        7, false, nullptr},
    {ID_FILENAME_TO_ARTIST,      M::Change,    "File Name -> Artist",        "",             0, true,  nullptr},
    {ID_FILENAME_TO_NAME,        M::Change,    "File Name -> Name",          "",             0, false, nullptr},
    {ID_UPPER_CASE_WORDS,        M::Change,    "Upper case words",           "",             0, true,  nullptr},
    {ID_UPPER_CASE_FIRST_WORD,   M::Change,    "Upper case first word",      "",             8, false, nullptr},
    {ID_ARTIST_NAME_TO_FILENAME, M::Change,    "File Name <- Artist - Name", "",             0, true,  nullptr},
    {ID_NAME_TO_FILENAME,        M::Change,    "File Name <- Name",          "",             0, false, nullptr},
    {ID_DELETE,                  M::Change,    "Delete",                     "Ctrl+Delete",  0, true,  nullptr},
    {ID_COPY,                    M::Change,    "Copy",                       "F5;Ctrl+F5",   0, false, nullptr},
    {ID_MOVE_TO_FOLDER,          M::Change,    "Move to folder",             "F6",           0, true,  nullptr},
    {ID_MOVE_TO_ROOT_ARTIST,     M::Change,    "Move to Root\\Artist",       "F7",           0, false, nullptr},
    {ID_UNDO,                    M::Change,    "Undo",                       "",             0, true,  nullptr},
    {ID_SELECT_ALL,              M::Misc,      "Select All",                 "Ctrl+A",       0, false, nullptr},
    {ID_INVERT_SELECTION,        M::Misc,      "Invert selection",           "Ctrl+I",       0, false, nullptr},
    {ID_REMOVE_SELECTED,         M::Misc,      "Remove selected",            "Delete",       0, true,  nullptr},
    {ID_REMOVE_ID3V2,            M::Misc,      "Remove ID3v2 tags",          "",             0, true,  nullptr},
    {ID_PLAY,                    M::Misc,      "Play",                       "",             0, true,  nullptr},
    {ID_STOP,                    M::Misc,      "Stop",                       "",             0, false, nullptr},
    {ID_MAKE_PLAYLIST,           M::Misc,      "Make play list",             "",             9, true,  nullptr},
    {ID_EXPORT_TITLES,           M::Misc,      "Export titles",              "",             0, false, nullptr},
    {ID_ABOUT,                   M::Misc,      "About ...",                  "",             0, true,  &CMainDlg::OnAbout},
}};
// clang-format on
