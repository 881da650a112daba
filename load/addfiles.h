#pragma once

#include <string>
#include <vector>

class Session;

// Adds one row per path to the track list (no extension test; a file that cannot be read
// still gets a row with its record's texts), with redraw off meanwhile.
void AddFilesToList(Session& session, const std::vector<std::string>& paths);

// Add files: asks for MP3 files; unless cancelled, empties the journal and the list, shows
// "Loading...." as the title while the rows are added, then "MP3 Sonivar".
void OnAddFiles(Session& session);
