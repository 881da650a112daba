#pragma once

#include <string>
#include <vector>

#include "load/loadfolder.h"

class QWidget;

// The window's loads: each runs behind a Loading dialog over mainWindow, which is disabled
// meanwhile (see loadfolder.h for what each does).
void OnAddFolder(Session& session, QWidget* mainWindow);
void ScanCommandLineFolder(Session& session, QWidget* mainWindow, const std::string& folder);
void AddDroppedPaths(Session& session, QWidget* mainWindow, const std::vector<std::string>& paths);
