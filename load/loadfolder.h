#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "load/scanworker.h"

class Session;

// The front end of a load, on the list's thread: the Loading dialog in the window, the counter
// on standard error in the CLI.
class LoadView {
public:
    // Takes the next batch of rows for the list, waiting up to its argument for one; false
    // once the walk has ended and every row has been taken.
    using Deliver = std::function<bool(std::chrono::milliseconds)>;

    virtual ~LoadView() = default;
    // The walk's latest file and the count so far: at most every 50 ms, and once when the walk
    // has ended.
    virtual void ShowProgress(const ScanWorker::Progress& progress) = 0;
    // Calls deliver until it returns false; by default waiting in it, as the CLI does.
    virtual void Run(const Deliver& deliver);
    // Called on the walking thread whenever a batch of rows is ready and when the walk has
    // ended, for a front end that waits elsewhere than in deliver.
    virtual void Wake() { }
    // The most rows a batch holds: each batch is sorted while the walk goes on.
    virtual std::size_t BatchRows() const { return 256; }
};

// Runs walk on the scan worker and stages its rows in list in walk order, in batches, while view
// shows the progress; the list receives them all at once when the walk ends. Returns once the
// walk has ended and every row is in the list; when it was cancelled (g_bCancelScan), the rows
// delivered so far stay.
void LoadRows(TrackList& list, LoadView& view, ScanWorker::Walk walk);

// Add folder: asks for a folder (starting at "LastOpen"); unless the picker is cancelled,
// empties the journal and the list, loads the tree with redraw off and stores the folder as
// "LastOpen" (creating the settings key when needed, also after a Cancel), then re-evaluates
// the Undo item. An empty folder text only re-evaluates the Undo item.
void OnAddFolder(Session& session, LoadView& view);

// The scan of the folder named on the command line, at the first showing of the main window:
// the same load, adding to the list; the journal and "LastOpen" stay as they are. An empty
// folder text loads nothing.
void ScanCommandLineFolder(Session& session, LoadView& view, const std::string& folder);

// Whether a dropped path can be added: a folder, or a file whose name ends in ".mp3" in any
// letter case.
bool IsDroppablePath(const std::string& path);

// Paths dropped on the main window: the .mp3 files become rows at once, then each folder is
// loaded as the command-line folder is (adding to the list; the journal and "LastOpen" stay).
// Other paths are passed over; a cancelled load ends the drop.
void AddDroppedPaths(Session& session, LoadView& view, const std::vector<std::string>& paths);
