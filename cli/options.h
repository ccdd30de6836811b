#pragma once

#include <QString>
#include <QStringList>

#include <variant>

namespace cli {

// What the command line asks for.
struct Options {
    QString command;         // decompile, compile, check, info or render
    QStringList arguments;   // files and folders (for render, everything after the word)
    QString output;          // -o: the output of a single input; "-" for standard output
    QString outputDir;       // --output-dir
    int jobs = 0;            // --jobs; 0 for one per processor
    bool noClobber = false;  // --no-clobber
    bool quiet = false;      // --quiet
    bool sync = false;       // --sync
    bool strict = false;     // --strict (check)
    bool json = false;       // --json (info)
};

struct ShowHelp {};
struct ShowVersion {};
struct UsageError {
    QString why;
};

using Parsed = std::variant<Options, ShowHelp, ShowVersion, UsageError>;

// The options of a command line (without the program's own name).
Parsed parseOptions(const QStringList &arguments);

extern const char usageText[];

} // namespace cli
