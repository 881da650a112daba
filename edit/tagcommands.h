#pragma once

#include <string>

class Session;

// The tag batch commands over the selected rows. Each snapshots every row's tag into the
// journal before it changes the row, writes the file's ID3v1 trailer and the row's cells.

// Change > Tag > Artist, Album, Name, Year, Comment (commandId 32778 to 32782).
void OnChangeTagField(Session& session, int commandId);
// Change > Tag > Genre (32804).
void OnChangeGenre(Session& session);
// "Upper case words" (32793) and "Upper case first word" (32802).
void OnUpperCaseWords(Session& session);
void OnUpperCaseFirstWord(Session& session);
// "File Name -> Name" (32797) and "File Name -> Artist" (32799).
void OnFileNameToName(Session& session);
void OnFileNameToArtist(Session& session);

// The parts of a file name "artist - title.mp3" that the two commands above take.
std::string NamePartOfFileName(const std::string& fileName);
std::string ArtistPartOfFileName(const std::string& fileName);
