#pragma once

#include "core/format/loader.h"
#include "qt/qtcore.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>
#include <vector>

namespace cli {

// One file a run reads, and where it came from.
struct Input {
    QString path;                   // as found, escaped for messages ("standard input" for -)
    std::filesystem::path file;     // the same, as the file system's own bytes ("-" for standard input)
    std::filesystem::path relative; // where its output goes below --output-dir
};

// The files the arguments stand for: a file argument itself, whatever its name; a folder
// argument the files below it at any depth whose names end in one of `suffixes` (any case),
// sorted by their paths below it. Linked folders are not entered, so a link loop can't trap
// the walk; hidden files and folders (such as a conversion's unfinished output) are left out,
// and so is the folder `skip` (the run's output folder) wherever it lies. With one argument
// the files below a folder keep their paths below it; with several, each folder's files come
// under the folder's own name, as cp -r copies them.
//
// Anything that can't be taken (an argument that does not exist, a folder that can't be read,
// a path longer than the system allows) is reported with an "ERROR:" line naming it
// escaped, and counted in `missing`.
struct RunInputs {
    std::vector<Input> files;
    int missing = 0; // arguments and files that could not be taken
};
RunInputs collectInputs(const std::vector<std::string> &arguments, const QStringList &suffixes, qorqt::LogSink &log,
                        const std::filesystem::path &skip = {});

// The files of a run, as collectInputs finds them, each file once however it is named, with
// the lines about what could not be taken printed on stderr.
RunInputs runInputs(const std::vector<std::string> &arguments, const QStringList &suffixes,
                    const std::filesystem::path &skip = {});

// A path for a message line: escaped where it holds control characters or bytes that are
// not UTF-8.
QString shown(const std::filesystem::path &path);

// Both forms, for check and info.
QStringList bothSuffixes();

// The form of a file for check and info: by its name where the name says, else by content,
// so that a damaged compiled file is checked as one.
qor::FileKind kindOf(const std::filesystem::path &path, qor::ByteView bytes);

} // namespace cli
