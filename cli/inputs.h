#pragma once

#include "core/format/logsink.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cli {

// One file a run reads, and where it came from.
struct Input {
    std::string path;               // as found, escaped for messages ("standard input" for -)
    std::filesystem::path file;     // the same, as the file system's own bytes ("-" for standard input)
    std::filesystem::path relative; // where its output goes below --output-dir
};

// The files the arguments stand for: a file argument itself, whatever its name; a folder
// argument the files below it as the core's folder walk finds them (qor::walkFolder), with
// `skip` (the run's output folder) left out wherever it lies. With one argument the files
// below a folder keep their paths below it; with several, each folder's files come under the
// folder's own name, as cp -r copies them.
//
// Anything that can't be taken (an argument that does not exist, a folder that can't be read,
// a path longer than the system allows) is reported with an "ERROR:" line naming it
// escaped, and counted in `missing`.
struct RunInputs {
    std::vector<Input> files;
    int missing = 0; // arguments and files that could not be taken
};
RunInputs collectInputs(const std::vector<std::string> &arguments, const std::vector<std::string> &suffixes,
                        qor::LogSink &log, const std::filesystem::path &skip = {});

// The files of a run, as collectInputs finds them, with the lines about what could not be
// taken printed on stderr. With `oncePerFile`, each file once however it is named (check and
// info, which write nothing); a conversion leaves that to its plan, since two names of one
// file may have outputs of their own.
RunInputs runInputs(const std::vector<std::string> &arguments, const std::vector<std::string> &suffixes,
                    bool oncePerFile, const std::filesystem::path &skip = {});

// A path for a message line: escaped where it holds control characters or bytes that are
// not UTF-8.
std::string shown(const std::filesystem::path &path);

// Both forms, for check and info.
std::vector<std::string> bothSuffixes();

} // namespace cli
