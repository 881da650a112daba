#pragma once

#include <functional>
#include <string>
#include <vector>

class CException;
class CMp3File;
class Session;
class TrackList;

// The frame shared by the tag and rename commands: the selection check, the start of the
// journal, a row's path and the pause after a row.

// True when a row is selected; otherwise shows text with caption (information icon, OK) and
// returns false.
bool CheckSelection(Session& session, const std::string& text, const std::string& caption);
// JoinPath of the row's Folder and File cells.
std::string RowPath(const TrackList& list, int row);

// The 2 ms pause after each row of the commands that have one. On by default; tests, the CLI
// and benchmarks may turn it off for the whole process.
void SetBatchPause(bool on);
bool BatchPause();
void PauseAfterRow();

// Where a batch tells that a row's file could not be changed; the batch still goes on with the
// next row. The failure goes to the batch's FailedRows, for its message at the end, and to the
// handler a front end set to report each failure itself (the CLI). reason is a system error
// text; when the file layer gave none, ExplainFailure tells what the disk says.
using RowFailureHandler = std::function<void(const std::string& path, const std::string& reason)>;
void SetRowFailureHandler(RowFailureHandler handler);
bool HasRowFailureHandler();
void ReportRowFailure(const std::string& path, const std::string& reason);
// The same for a caught file error: its path (when it carries one, else path) and its reason.
void ReportRowFailure(const std::string& path, const CException& error);
