#pragma once

#include <string>

// Letter case follows Unicode, except that a character whose other case the tag code page
// cannot hold stays as it is.

// Every word lower-cased with its first character raised; only the space (0x20) separates
// words. The length in characters never changes.
std::string UpperCaseWords(std::string text);
// The first character raised, all the others lower-cased.
std::string UpperCaseFirstLetter(std::string text);
