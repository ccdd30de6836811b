#pragma once

#include "cli/options.h"

namespace cli {

// info over files and folders, as text or as one JSON document; returns the exit status.
int runInfo(const Options &options);

} // namespace cli
