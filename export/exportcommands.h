#pragma once

#include <string>

class Session;

// Control characters of the texts are written as spaces, so that a tag cannot start a line.

// "Make play list" (32803): the selected rows as an extended M3U play list. A row whose path
// holds CR or LF is left out, each with a message.
void OnMakePlayList(Session& session);
// "Export titles" (32819): one line "Artist - Name" per selected row that has both.
void OnExportTitles(Session& session);

// Replaces the file at path with bytes: written to a temporary file in the same folder and
// renamed over it when complete, so a failure leaves no partial file. False with the reason
// (strerror text) when it cannot.
bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& reason);
