#pragma once

#include "cli/options.h"

namespace cli {

// check over files and folders; returns the exit status.
int runChecks(const Options &options);

} // namespace cli
