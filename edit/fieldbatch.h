#pragma once

#include <functional>
#include <string>

#include "model/mp3file.h"

class OpenFolders;
class Session;
class TrackList;

// Fills the record from the file of the row, opened by its name in its folder (folders keeps
// the batch's folders open); the file stays open and locked in the record for the write. The
// tag layer reports file errors by its results; anything it lets escape leaves the record
// with empty texts, so the batch goes on with the next row. beforeLock as with
// CMp3File::Load.
void LoadRowFile(OpenFolders& folders, CMp3File& file, const std::string& folder,
    const std::string& name, int row, const CMp3File::BeforeLock& beforeLock = {});
// The row's texts and genre as the record holds them.
void ShowRecord(TrackList& list, int row, const CMp3File& file);

// One change, the same for every file (say one field set to one text), made to the file of
// every selected row and written; each written row's snapshot goes to the journal and the row
// shows what its file now holds, in row order; the files that refused are reported.
// The files are read and written on two threads, a row of a file only once the earlier rows
// of that file are written (so a later row's snapshot holds what an earlier row wrote); the
// list and the journal are touched on the calling thread only.
void WriteSelectedFiles(Session& session, const std::function<void(CMp3File&)>& change);
