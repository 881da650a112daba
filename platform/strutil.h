#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text helpers over UTF-8 strings.

// The six white-space characters: space, tab, carriage return, line feed, vertical tab,
// form feed.
bool IsTrimSpace(char c);
std::string TrimRight(std::string text);
std::string TrimLeft(std::string text);
std::string Trim(std::string text);

// The length of the well-formed UTF-8 character at text[i] (no overlong form, no surrogate,
// nothing above U+10FFFF), 0 when there is none; its code point goes to *cp when given.
std::size_t Utf8CharAt(std::string_view text, std::size_t i, char32_t* cp = nullptr);

// Unicode simple case mapping per character; invalid UTF-8 bytes are kept as they are.
std::string MakeUpper(const std::string& text);
std::string MakeLower(const std::string& text);

// Number of characters (code points) of a UTF-8 text; an invalid byte counts as one.
std::size_t CharCount(const std::string& text);
// Byte length of the first count characters of text (all of it when shorter).
std::size_t BytesOfChars(const std::string& text, std::size_t count);

// text in double quotes, with backslash and double quote escaped and LF, CR and NUL written as
// \n, \r and \0, so that it stays on one line; tabs too, as \t, when escapeTabs is set.
std::string Quoted(std::string_view text, bool escapeTabs);

// printf-style formatting into a new string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
