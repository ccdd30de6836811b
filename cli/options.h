#pragma once

#include <string>
#include <variant>
#include <vector>

namespace cli {

// What the command line asks for. Files and folders are kept as the bytes they were given
// in, so that any name the system allows can be named.
struct Options {
    std::string command;             // decompile, compile, check, info or render
    std::vector<std::string> arguments; // files and folders; "-" for standard input (for render,
                                     // everything after the word)
    std::string output;              // -o: the output of a single input; "-" for standard output
    std::string outputDir;           // --output-dir
    int jobs = 0;                    // --jobs; 0 for one per processor
    bool noClobber = false;          // --no-clobber
    bool quiet = false;              // --quiet
    bool verbose = false;            // --verbose: the converters' own lines too
    bool sync = false;               // --sync
    bool strict = false;             // --strict (check and compile)
    bool json = false;               // --json (info)
};

struct ShowHelp {};
struct ShowVersion {};
struct UsageError {
    std::string why;
};

using Parsed = std::variant<Options, ShowHelp, ShowVersion, UsageError>;

// The options of a command line (without the program's own name).
Parsed parseOptions(const std::vector<std::string> &arguments);

// The most files worked on at once, whatever --jobs asks: more threads than this only cost
// memory.
int maxJobs();

extern const char usageText[];

} // namespace cli
