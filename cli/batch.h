#pragma once

#include "core/files/runreport.h"
#include "core/format/filelines.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// How one file's work ended.
// Interrupted: not started, because a signal asked the run to stop.
enum class Outcome { Done, Failed, Skipped, Different, Interrupted };

// One file's result: its log lines for stderr and anything it has for stdout.
struct FileReport {
    Outcome outcome = Outcome::Done;
    std::string log;
    std::string output;
    int warnings = 0;
};

// One file's lines (see qor::FileLines), UTF-8 as stderr takes them.
class FileLog : public qor::LogSink {
public:
    explicit FileLog(std::string subject = {}) : lines_(std::move(subject)) {}

    void logLine(std::string_view text) override { lines_.logLine(text); }
    using qor::LogSink::logFormat;

    const qor::FileLines &lines() const { return lines_; }

    // Every line, each ending in a line feed.
    const std::string &text() const { return lines_.text; }

private:
    qor::FileLines lines_;
};

using Task = std::function<FileReport()>;

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
qor::RunTotals runBatch(const std::vector<Task> &tasks, const BatchStyle &style);

// Prints text to stderr at once.
void printError(std::string_view text);

// Prints each line, with its line feed.
void printLines(const std::vector<std::string> &lines);

// Writes bytes to stdout and flushes them; false, with errno set, when that fails (a closed,
// full or broken output).
bool writeOutput(std::string_view bytes);

} // namespace cli
