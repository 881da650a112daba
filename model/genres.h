#pragma once

#include <string>
#include <string_view>

inline constexpr int kGenreCount = 148;
inline constexpr int kNoGenre = 255;

// The genre names by code 0 to 147.
extern const char* const GenreTable[kGenreCount];

// The name shown for a genre code: a negative code is folded into 0..255 first; 255 gives one
// space, 148 to 254 the empty text.
std::string GenreName(int code);
// The same text without a copy.
std::string_view GenreNameView(int code);
