#include "app/gui/commandtable.h"

#include "app/gui/maindlg.h"
#include "res/resource.h"

using M = MenuPlace;

// One row per menu item, in menu order. A row whose handler is nullptr shows its item disabled.
// clang-format off
const std::array<CommandEntry, kMainCommandCount> kMainCommands = {{
    {ID_ADD_FOLDER,              M::File,      "Add folder",                 "Ctrl+D",       1, false, &CMainDlg::OnAddFolder},
    {ID_ADD_FILES,               M::File,      "Add files",                  "Ctrl+F",       2, false, &CMainDlg::OnAddFiles},
    {ID_EXIT,                    M::File,      "Exit",                       "Ctrl+E",       0, true,  &CMainDlg::OnExit},
    {ID_TAG_ARTIST,              M::ChangeTag, "Artist",                     "Alt+A",        3, false, &CMainDlg::OnChangeTagField<ID_TAG_ARTIST>},
    {ID_TAG_NAME,                M::ChangeTag, "Name",                       "Alt+N",        4, false, &CMainDlg::OnChangeTagField<ID_TAG_NAME>},
    {ID_TAG_ALBUM,               M::ChangeTag, "Album",                      "Alt+B",        5, false, &CMainDlg::OnChangeTagField<ID_TAG_ALBUM>},
    {ID_TAG_YEAR,                M::ChangeTag, "Year",                       "Alt+Y",        6, false, &CMainDlg::OnChangeTagField<ID_TAG_YEAR>},
    {ID_TAG_COMMENT,             M::ChangeTag, "Comment",                    "Alt+C",        0, false, &CMainDlg::OnChangeTagField<ID_TAG_COMMENT>},
    {ID_TAG_GENRE,               M::ChangeTag, "Genre",                      "Alt+G",        7, false, &CMainDlg::OnChangeGenre},
    {ID_FILENAME_TO_ARTIST,      M::Change,    "File Name -> Artist",        "",             0, true,  &CMainDlg::OnFileNameToArtist},
    {ID_FILENAME_TO_NAME,        M::Change,    "File Name -> Name",          "",             0, false, &CMainDlg::OnFileNameToName},
    {ID_UPPER_CASE_WORDS,        M::Change,    "Upper case words",           "",             0, true,  &CMainDlg::OnUpperCaseWords},
    {ID_UPPER_CASE_FIRST_WORD,   M::Change,    "Upper case first word",      "",             8, false, &CMainDlg::OnUpperCaseFirstWord},
    {ID_ARTIST_NAME_TO_FILENAME, M::Change,    "File Name <- Artist - Name", "",             0, true,  &CMainDlg::OnArtistNameToFileName},
    {ID_NAME_TO_FILENAME,        M::Change,    "File Name <- Name",          "",             0, false, &CMainDlg::OnNameToFileName},
    {ID_DELETE,                  M::Change,    "Delete",                     "Ctrl+Delete",  0, true,  &CMainDlg::OnDelete},
    {ID_COPY,                    M::Change,    "Copy",                       "F5;Ctrl+F5",   0, false, &CMainDlg::OnCopy},
    {ID_MOVE_TO_FOLDER,          M::Change,    "Move to folder",             "F6",           0, true,  &CMainDlg::OnMoveToFolder},
    {ID_MOVE_TO_ROOT_ARTIST,     M::Change,    "Move to Root\\Artist",       "F7",           0, false, &CMainDlg::OnMoveToRootArtist},
    {ID_UNDO,                    M::Change,    "Undo",                       "Ctrl+Z",       0, true,  &CMainDlg::OnUndo},
    {ID_SELECT_ALL,              M::Misc,      "Select All",                 "Ctrl+A",       0, false, &CMainDlg::OnSelectAll},
    {ID_INVERT_SELECTION,        M::Misc,      "Invert selection",           "Ctrl+I",       0, false, &CMainDlg::OnInvertSelection},
    {ID_REMOVE_SELECTED,         M::Misc,      "Remove selected",            "Delete",       0, true,  &CMainDlg::OnRemoveSelected},
    {ID_REMOVE_ID3V2,            M::Misc,      "Remove ID3v2 tags",          "",             0, true,  &CMainDlg::OnRemoveId3v2},
    {ID_PLAY,                    M::Misc,      "Play",                       "",             0, true,  &CMainDlg::OnPlay},
    {ID_STOP,                    M::Misc,      "Stop",                       "",             0, false, &CMainDlg::OnStop},
    {ID_MAKE_PLAYLIST,           M::Misc,      "Make play list",             "",             9, true,  &CMainDlg::OnMakePlayList},
    {ID_EXPORT_TITLES,           M::Misc,      "Export titles",              "",             0, false, &CMainDlg::OnExportTitles},
    {ID_ABOUT,                   M::Misc,      "About ...",                  "",             0, true,  &CMainDlg::OnAbout},
}};
// clang-format on
