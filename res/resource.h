#pragma once

// Resource, command, control and string identifiers. The code uses these names; the numbers
// are fixed and shared by the menu, the accelerators, the toolbar and the dialogs.

// Dialog templates
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_MAIN = 102;
inline constexpr int IDD_INPUT = 149;
inline constexpr int IDD_LOADING = 159;
inline constexpr int IDD_GENRE = 161;

// Menu, accelerators, toolbar
inline constexpr int IDR_MAINMENU = 102;
inline constexpr int IDR_ACCELERATORS = 189;
inline constexpr int IDR_TOOLBAR = 171;

// Icons and cursors
inline constexpr int IDI_PROGRAM = 128;
inline constexpr int IDI_ROW = 133;
inline constexpr int IDI_TOOL_ADDFOLDER = 168;
inline constexpr int IDI_TOOL_ADDFILES = 173;
inline constexpr int IDI_TOOL_ARTIST = 174;
inline constexpr int IDI_TOOL_NAME = 175;
inline constexpr int IDI_TOOL_ALBUM = 176;
inline constexpr int IDI_TOOL_YEAR = 177;
inline constexpr int IDI_TOOL_GENRE = 178;
inline constexpr int IDI_TOOL_UPPERFIRST = 179;
inline constexpr int IDI_TOOL_PLAYLIST = 180;
inline constexpr int IDC_LINKCURSOR = 183;

// Strings
inline constexpr int IDS_ABOUTBOX = 101;

// Standard dialog results and the message-box style flags the program uses
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_YESNO = 0x0004;
inline constexpr unsigned MB_ICONQUESTION = 0x0020;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;

// Commands of the main window
inline constexpr int ID_ADD_FOLDER = 32771;
inline constexpr int ID_OK_NOTHING = 32774;
inline constexpr int ID_TAG_ARTIST = 32778;
inline constexpr int ID_TAG_ALBUM = 32779;
inline constexpr int ID_TAG_NAME = 32780;
inline constexpr int ID_TAG_YEAR = 32781;
inline constexpr int ID_TAG_COMMENT = 32782;
inline constexpr int ID_NAME_TO_FILENAME = 32783;
inline constexpr int ID_SELECT_ALL = 32785;
inline constexpr int ID_INVERT_SELECTION = 32786;
inline constexpr int ID_REMOVE_SELECTED = 32788;
inline constexpr int ID_EXIT = 32789;
inline constexpr int ID_REMOVE_ID3V2 = 32790;
inline constexpr int ID_PLAY = 32791;
inline constexpr int ID_STOP = 32792;
inline constexpr int ID_UPPER_CASE_WORDS = 32793;
inline constexpr int ID_MOVE_TO_FOLDER = 32794;
inline constexpr int ID_ABOUT = 32795;
inline constexpr int ID_FILENAME_TO_NAME = 32797;
inline constexpr int ID_ARTIST_NAME_TO_FILENAME = 32798;
inline constexpr int ID_FILENAME_TO_ARTIST = 32799;
inline constexpr int ID_MOVE_TO_ROOT_ARTIST = 32800;
inline constexpr int ID_UPPER_CASE_FIRST_WORD = 32802;
inline constexpr int ID_MAKE_PLAYLIST = 32803;
inline constexpr int ID_TAG_GENRE = 32804;
inline constexpr int ID_ADD_FILES = 32805;
inline constexpr int ID_EXPORT_TITLES = 32819;
inline constexpr int ID_DELETE = 32821;
inline constexpr int ID_UNDO = 32822;
inline constexpr int ID_COPY = 32825;

// Tool-tip strings: command identifier + 1000
inline constexpr int kToolTipOffset = 1000;

// Controls of the main window
inline constexpr int IDC_TRACKLIST = 1007;
inline constexpr int IDC_POSITION_SLIDER = 1027;
inline constexpr int IDC_STOP = 1028;
inline constexpr int IDC_PLAY = 1029;
inline constexpr int IDC_VOLUME_SLIDER = 1035;
inline constexpr int IDC_VOLUME_LABEL = 1036;
inline constexpr int IDC_OK_NOTHING = 1021;

// Controls of the Loading dialog
inline constexpr int IDC_LOADED_STATIC = 1023;
inline constexpr int IDC_FILE_STATIC = 1024;
inline constexpr int IDC_FOLDER_STATIC = 1025;

// Controls of the input dialog
inline constexpr int IDC_PROMPT = 1018;
inline constexpr int IDC_INPUT_EDIT = 1019;
inline constexpr int IDC_DEL_BUTTON = 1021;
inline constexpr int IDC_SMALL_OK_BUTTON = 1022;

// Controls of the genre dialog
inline constexpr int IDC_GENRE_COMBO = 1030;

// Controls of the About box
inline constexpr int IDC_LINK_1031 = 1031;
inline constexpr int IDC_LINK_MAIL = 1032;
inline constexpr int IDC_LINK_1033 = 1033;
inline constexpr int IDC_LINK_1034 = 1034;

// The folder picker's "Create New" button
inline constexpr int IDC_CREATE_NEW = 100;

// Main window timer
inline constexpr int kPlayTimerId = 10;
