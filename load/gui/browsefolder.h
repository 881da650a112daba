#pragma once

#include <string>

class QWidget;

// The program's one folder chooser, modal over owner: a tree of the file system with the
// title as its instruction text, optionally rooted at root and pre-set to initial. With
// showCreateNew a "Create New" button makes a sub-folder of the current folder and finishes
// the picker with it. Returns 1 with result set to the chosen or created folder; 0 with result
// emptied when cancelled.
int BrowseForFolder(QWidget* owner, std::string& result, const std::string& title,
    const std::string& root, const std::string& initial, bool showCreateNew);
