#pragma once

class Session;

// Move to folder (32794, F6): moves the selected files, with their companion ".txt" files,
// into one folder the user picks; a moved file's name is recased word by word. The rows of the
// files that moved point at them afterwards, and so do their journal entries.
void OnMoveToFolder(Session& session);
// Move to Root\Artist (32800, F7): moves each selected file, with its companion ".txt" file,
// into the folder named after its Artist under a root the user picks. Empties the journal.
void OnMoveToRootArtist(Session& session);
