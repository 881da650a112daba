#pragma once

#include <array>

class CMainDlg;

// The main window's commands as data: one entry per menu item, in menu order, with its
// shortcuts (Qt's portable key names, ';' between several), its toolbar button and the
// handler the item, the shortcut and the button all run. A null handler is a command whose
// logic is not part of the program yet: its item is shown disabled.
enum class MenuPlace { File, ChangeTag, Change, Misc };

struct CommandEntry {
    int nId;
    MenuPlace menu;
    const char* text;
    const char* shortcuts;
    int nToolbarButton; // 1 to 9, 0 for none
    bool bSeparatorBefore; // within its popup
    void (CMainDlg::*handler)();
};

inline constexpr int kMainCommandCount = 29;
extern const std::array<CommandEntry, kMainCommandCount> kMainCommands;

// Toolbar buttons after which a separator follows.
inline constexpr std::array<int, 3> kToolbarSeparatorsAfter = {2, 7, 8};
