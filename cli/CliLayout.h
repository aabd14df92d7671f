#pragma once

#include <string>

#include "cli/CliOptions.h"
#include "templates/TextTemplate.h"

// The text layout the command line asks for: a stored template, the given
// columns, or the layout of the files this program writes (A,B,C,D from the
// second line, comma). Stores the layout when asked to. On failure reports on
// standard error and sets the exit code.
bool ResolveLayout(const CCliOptions& options, CTextTemplate& layout, int& nExitCode);
