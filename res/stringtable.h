#pragma once

#include <string>

// The program's string table: prompts and tool tips by identifier. Empty for an unknown id.
std::string LoadString(int id);
