#pragma once

#include <cstdio>
#include <string>
#include <string_view>

class TrackList;

// The output of `list`: one line per row, the eight cells in display order separated by one
// tab. A tab, newline, carriage return or backslash inside a cell is written as \t, \n, \r or
// \\, so every row is exactly one line and the cells can be split on tabs. A byte the tag code
// page does not define, in a tag text, is written as \xHH (two upper-case hexadecimal digits).

// Appends text with those four characters escaped, and the undefined bytes too when it is the
// text of a tag field.
void AppendEscaped(std::string& out, std::string_view text, bool tagText = true);
// Appends the line of one row, newline included.
void AppendRowLine(std::string& out, const TrackList& list, int row);
// Writes every row's line to out; false (errno set) when the stream refuses the bytes.
bool WriteList(const TrackList& list, std::FILE* out);
