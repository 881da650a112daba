#pragma once

#include <span>
#include <string_view>

class Session;

// Every command of the program, once: where the window shows it (menu item, keys, toolbar
// button), how sonivar-cli names it (name, argument), and the core function it runs. The
// window builds its menus, shortcuts and toolbar from this table; the CLI parses, prints its
// usage and dispatches from it.

enum class MenuPlace { None, File, ChangeTag, Change, Misc };

// What a CLI command's argument stands for; the CLI's user interface answers the command's
// question with it (the input dialog, the genre dialog, the save dialog, the folder picker).
enum class CliArgument { None, Text, Genre, File, Folder };

struct Command {
    int nId; // ID_* of res/resource.h; 0 for a command the window lacks
    MenuPlace menu;
    const char* text; // the menu item
    const char* shortcuts; // Qt's portable key names, ';' between several
    int nToolbarButton; // 1 to 9, 0 for none
    bool bSeparatorBefore; // within its popup
    const char* cliName; // null when sonivar-cli lacks the command
    // Commands sharing a CLI name are told apart by a first argument, their choice ("set
    // artist TEXT"); null otherwise.
    const char* cliChoice;
    CliArgument cliArgument;
    const char* cliArgumentName; // as the usage shows it ("TEXT", "FOLDER"), "" for none
    const char* cliSummary;
    // Null for the commands a front end runs itself: its own dialogs, the player, closing the
    // window, printing the list.
    void (*run)(Session&);
    // False when run takes every tag text from the files themselves (it reads each file
    // anyway) and from the rows only their File and Folder cells: sonivar-cli then loads the
    // rows without reading the files' tags, so that each file is read once.
    bool bReadsTagCells = true;
};

std::span<const Command> Commands();
// The command with that identifier; null when none has it.
const Command* FindCommand(int id);
