#pragma once

#include "cli/programs.h"

#include <QString>

#include <optional>

// The command line of a window program, read against its table (cli/programs.h): --help and
// --version print and exit without a display, Qt's own options (-platform, -style, ...) pass
// to QApplication, anything else is a usage error (exit status 2).
namespace qorqt {

// Before the application object exists: the exit status when the arguments are answered here.
std::optional<int> answerBeforeApplication(const cli::WindowProgram &program, int argc, char **argv);

// After it exists (Qt has taken its own options): the exit status when answered here, else
// nothing, with the FILE given, if any, in `file`.
std::optional<int> answerAfterApplication(const cli::WindowProgram &program, QString *file = nullptr);

} // namespace qorqt
