#pragma once

#include <cstdio>

#include "platform/shellop.h"

class ShellUi;

// The shell operation of a dry run, put in place of SHFileOperationA with
// CFileOpBatch::SetShellOperation: it prints one line per item of the request on the stream
// given to SetDryRunOutput ("SOURCE: copy -> DESTINATION", "SOURCE: move -> DESTINATION",
// "SOURCE: trash", "SOURCE: delete", "SOURCE: rename -> DESTINATION"), asks nothing, touches
// nothing and returns 0.
void SetDryRunOutput(std::FILE* out);
int DryRunShellOperation(SHFILEOPSTRUCTA* op, ShellUi& ui);
