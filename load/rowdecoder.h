#pragma once

#include "load/foundfile.h"
#include "model/id3v1.h"
#include "session/tracklist.h"

// Makes the row of a file a walk found, as a record's read of the file would give it: its
// name, the five texts of its trailer (empty without one), its folder and its genre name. The
// texts are decoded into buffers kept from one row to the next.
class RowDecoder final {
public:
    // The cells of file's row; the views hold until the next call and while file's do.
    void CellsOf(const FoundFile& file, TrackList::CellViews& cells);

private:
    Id3v1Fields m_fields;
};

// The same row as texts of its own.
TrackList::Cells CellsOfFound(const FoundFile& file);
