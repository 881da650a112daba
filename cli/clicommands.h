#pragma once

#include <cstdio>

#include "cli/cliargs.h"

class Session;

// Runs the parsed command over the session's selected rows: `list` prints them to out, every
// other command runs as its menu item does. False when the command could not start
// or its output could not be written (the reason is already on standard error).
bool RunCliCommand(Session& session, const CliArgs& args, std::FILE* out, std::FILE* err);
