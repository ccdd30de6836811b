#pragma once

#include "qt/qtcore.h"

#include <QByteArray>

#include <functional>
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

// A log sink that keeps one file's lines together, in the local encoding, each ending in a
// line feed. A line feed or carriage return inside a message is shown as \n or \r, so one
// message stays one line.
//
// Given the file it is about, it names that file in any "ERROR:" line that does not already,
// so that a report read alone, or with --quiet, still says which file it is about.
class FileLog : public qorqt::LogSink {
public:
    explicit FileLog(const QString &subject = QString()) : subject_(subject) {}

    void logText(const QString &text) override;

    // The last "ERROR:" line, without that word, for a one-line report of a file.
    QString lastError() const;

    // The "ERROR:" lines alone.
    QByteArray errorLines() const;

    QByteArray lines;

private:
    QString subject_;
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
