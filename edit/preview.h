#pragma once

#include <string>
#include <vector>

class CMp3File;
class Session;

// What the tag and rename commands share for a real run and a dry run alike.

// Renames the file at from to the path to (CFile::Rename: never over an existing file). In a
// dry run it makes the same checks, throwing the same errors, and previews the line
// "FROM: file name: "OLD" -> "NEW"" instead.
void RenameFile(Session& session, const std::string& from, const std::string& to);

// Sets the record's texts to what its trailer holds once written: each cut to its field on a
// character boundary, in the form a later read gives back (what a character the code page
// cannot hold became, trailing blanks gone).
void ToStoredTexts(CMp3File& file);

// The lines a dry run shows for a trailer write at path: one per field whose text or genre
// changes, "PATH: FIELD: "OLD" -> "NEW"", and "PATH: tag: none -> ID3v1" first when the file
// had no trailer. before and after hold stored texts.
std::vector<std::string> TagChangeLines(
    const std::string& path, const CMp3File& before, const CMp3File& after, bool hadTag);
