#pragma once

#include <string>

// Every word lower-cased with its first character raised; only the space (0x20) separates
// words. The length in characters never changes.
std::string UpperCaseWords(std::string text);
// The first character raised, all the others lower-cased.
std::string UpperCaseFirstLetter(std::string text);
