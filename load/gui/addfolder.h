#pragma once

#include <string>
#include <vector>

class QWidget;
class Session;

// How often the Loading dialog's texts are refreshed from the scan's progress, in milliseconds.
inline constexpr int kLoadingRefreshMs = 50;

// Add folder: asks for a folder (starting at "LastOpen"); unless cancelled, empties the journal
// and the list and scans the chosen tree into the list under the Loading dialog, with
// mainWindow disabled meanwhile. Stores the folder as "LastOpen" (creating the settings key when
// needed) and re-evaluates the Undo item. Cancel in the Loading dialog keeps the rows so far.
void OnAddFolder(Session& session, QWidget* mainWindow);

// The scan of the folder named on the command line, at the first showing of the main window:
// the same scan, adding to the list; the journal and "LastOpen" stay as they are. An empty
// folder text scans nothing.
void ScanCommandLineFolder(Session& session, QWidget* mainWindow, const std::string& folder);

// True while a folder scan runs (its Loading dialog is up).
bool IsScanRunning();

// Whether a dropped path can be added: a folder, or a file whose name ends in ".mp3" in any
// letter case.
bool IsDroppablePath(const std::string& path);

// Paths dropped on the main window: the .mp3 files become rows at once, then each folder is
// scanned as the command-line folder is (behind the Loading dialog, adding to the list; the
// journal and "LastOpen" stay). Other paths are passed over; a cancelled scan ends the drop.
void AddDroppedPaths(Session& session, QWidget* mainWindow, const std::vector<std::string>& paths);
