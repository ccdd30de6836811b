#pragma once

#include <QString>

#include <optional>

// The command line of a window program: --help and --version print and exit without a
// display, Qt's own options (-platform, -style, ...) pass to QApplication, anything else is a
// usage error (exit status 2).
namespace qorqt {

struct WindowProgram {
    QString name;         // as on the PATH, when the arguments do not say
    QString description;  // the help's text
    QString fileHelp;     // the help of its one optional FILE; empty when it takes no file
    QString refusedFiles; // what a usage error says when it is given files it does not take
};

// Before the application object exists: the exit status when the arguments are answered here.
std::optional<int> answerBeforeApplication(const WindowProgram &program, int argc, char **argv);

// After it exists (Qt has taken its own options): the exit status when answered here, else
// nothing, with the FILE given, if any, in `file`.
std::optional<int> answerAfterApplication(const WindowProgram &program, QString *file = nullptr);

} // namespace qorqt
