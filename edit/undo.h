#pragma once

class Session;

// Undo (32822): writes the journal's snapshots back (old trailers, or old file names after a
// rename batch), restores the cells of the rows they belong to, empties the journal.
void OnUndo(Session& session);
