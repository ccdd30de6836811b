#pragma once

#include "cli/options.h"

namespace cli {

// decompile and compile over files and folders; returns the exit status.
int runConversions(const Options &options);

// How many files to work on at once: --jobs, or one per processor.
int jobsFor(const Options &options);

} // namespace cli
