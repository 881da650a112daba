#pragma once

class Session;

// The list's selection commands: Select All (32785), Invert selection (32786), Remove
// selected (32788, also run by Delete) and the sort on a header click.
void OnSelectAll(Session& session);
void OnInvertSelection(Session& session);
// Removes the selected rows from the list (the files stay); drops their journal entries and
// renumbers the others. The Undo item is not re-evaluated.
void OnRemoveSelected(Session& session);
// Sorts on a click on a column header; only the left button (0) sorts.
void OnHeaderClick(Session& session, int column, int button = 0);
