#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The whole of sonivar-cli but the process set-up: parses words (the arguments after the
// program name), chooses the tag code page, loads every PATH into a session, selects all rows,
// runs the command and reports. Returns the exit status: 0 when every file was handled, 1 when
// any failed (each failure on err as "sonivar-cli: PATH: reason"), 2 for a usage error, before
// any file is touched.
int RunCli(const std::vector<std::string>& words, std::FILE* out, std::FILE* err);
