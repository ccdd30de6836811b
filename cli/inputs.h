#pragma once

#include "core/loader.h"
#include "core/logsink.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace cli {

// One file a run reads, and where it came from.
struct Input {
    QString path;      // as found: the argument itself, or a file below a folder argument
    QString relative;  // its path below the folder argument; its file name for a file argument
};

// The files the arguments stand for: a file argument itself, whatever its name; a folder
// argument the files below it at any depth whose names end in one of `suffixes` (any case),
// sorted by their paths below it. Linked folders are not entered, so a link loop can't trap
// the walk; hidden files (such as a conversion's unfinished output) are left out. An argument
// that does not exist is reported with an "ERROR:" line and counted in `missing`.
std::vector<Input> collectInputs(const QStringList &arguments, const QStringList &suffixes, qor::LogSink &log,
                                 int &missing);

// A path as one spelling, to compare paths without asking the file system: absolute, with
// "." and ".." worked out. (A conversion itself still refuses an output that is its input
// by another name, such as a link.)
QString spellingOf(const QString &path);

// The files of a run, as collectInputs finds them, each once, with its lines printed on stderr.
struct RunInputs {
    std::vector<Input> files;
    int missing = 0;
};
RunInputs runInputs(const QStringList &arguments, const QStringList &suffixes);

// Both forms, for check and info.
QStringList bothSuffixes();

// The form of a file for check and info: by its name where the name says, else by content,
// so that a damaged compiled file is checked as one.
qor::FileKind kindOf(const QString &path, const QByteArray &bytes);

} // namespace cli
