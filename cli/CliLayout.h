#pragma once

#include <atomic>
#include <string>

#include "cli/CliOptions.h"
#include "templates/TextTemplate.h"

// The text layout the command line asks for: a template of the store at
// storePath, the given columns, or the layout of the files this program writes.
// Stores the layout when asked to; the wait for the store's lock ends when the
// stop flag is set, silently. On failure reports on standard error and sets
// the exit code.
bool ResolveLayout(const CCliOptions& options, const std::string& storePath, CTextTemplate& layout,
                   int& nExitCode, const std::atomic<bool>* pStop);
