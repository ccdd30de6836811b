#pragma once

#include "cli/options.h"
#include "core/loader.h"

namespace cli {

// check over files and folders; returns the exit status.
int runChecks(const Options &options);

// The form of a file for check and info: by its name where the name says, else by content,
// so that a damaged compiled file is checked as one.
qor::FileKind kindOf(const QString &path, const QByteArray &bytes);

} // namespace cli
