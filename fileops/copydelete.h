#pragma once

class Session;

// Copy (32825, F5 and Ctrl+F5): copies the selected files into the remembered copy folder,
// asking for it on the first Copy of a run, while Ctrl is held and when it is gone. The list
// stays as it is.
void OnCopy(Session& session);
// Delete (32821, Ctrl+Del): sends the selected files to the trash in one shell operation and
// removes the rows of the files that went; unless the operation was aborted, the journal is
// emptied too.
void OnDelete(Session& session);

// Set at start; cleared the first time Copy shows the folder picker, and never set again by
// the program (tests set it to start a fresh run).
extern bool g_bFirstCopy;
