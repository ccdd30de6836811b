#pragma once

#include "core/format/filelines.h"
#include "qt/qtcore.h"

#include <QByteArray>

#include <functional>
#include <string>
#include <vector>

namespace cli {

// How one file's work ended.
// Interrupted: not started, because a signal asked the run to stop.
enum class Outcome { Done, Failed, Skipped, Different, Interrupted };

// One file's result: its log lines for stderr and anything it has for stdout.
struct FileReport {
    Outcome outcome = Outcome::Done;
    QByteArray log;
    QByteArray output;
    int warnings = 0;
};

// One file's lines (see qor::FileLines), for stderr in the local encoding, which Qt takes to
// be UTF-8 on every Unix.
class FileLog : public qorqt::LogSink {
public:
    explicit FileLog(const QString &subject = QString()) : lines_(subject.toStdString()) {}

    void logText(const QString &text) override { lines_.logLine(text.toStdString()); }

    // The last "ERROR:" line, without that word, for a one-line report of a file.
    QString lastError() const { return qorqt::fromUtf8(lines_.lastError()); }

    // The "ERROR:" lines alone.
    std::vector<std::string> errorLines() const { return lines_.errorLines(); }

    // Every line, each ending in a line feed.
    QByteArray lines() const { return QByteArray::fromStdString(lines_.text); }

private:
    qor::FileLines lines_;
};

using Task = std::function<FileReport()>;

struct Totals {
    int done = 0;
    int failed = 0;
    int skipped = 0;
    int different = 0;
    int warnings = 0;
    int interrupted = 0;
};

struct BatchStyle {
    int jobs = 1;
    bool quiet = false;     // print only the "ERROR:" and warning lines
    bool progress = false;  // redraw a progress line on stderr between reports
};

// The style of a run over `tasks` files: --jobs and --quiet, and a progress line on a terminal.
BatchStyle styleFor(int jobs, bool quiet, size_t tasks);

// Runs the tasks, `jobs` at a time, and prints each report in task order as soon as it and
// all before it are done, so the output is the same for any number of jobs. A task's output
// that can't be written to stdout fails that task. Once interrupted() the remaining tasks are
// not started. Where fewer threads can be started than asked, fewer work.
Totals runBatch(const std::vector<Task> &tasks, const BatchStyle &style);

// Whether stderr is a terminal, where a progress line can be redrawn in place.
bool stderrIsTerminal();

// Prints text to stderr at once.
void printError(const QByteArray &text);

// Writes bytes to stdout and flushes them; false, with errno set, when that fails (a closed,
// full or broken output).
bool writeOutput(const QByteArray &bytes);

} // namespace cli
