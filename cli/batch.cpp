#include "cli/batch.h"

#include "cli/interrupt.h"
#include "core/files/systemfile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace cli {

void printError(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void printLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + '\n';
    printError(text);
}

bool writeOutput(std::string_view bytes)
{
    errno = 0;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    return std::fflush(stdout) == 0 && written && !std::ferror(stdout);
}

namespace {

std::string errorLinesOf(std::string_view log)
{
    std::string errors;
    while (!log.empty()) {
        const size_t end = log.find('\n');
        const std::string_view line = log.substr(0, end);
        if (line.starts_with("ERROR:") || line.find(": warning: ") != std::string_view::npos)
            errors.append(line).append(1, '\n');
        log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
    }
    return errors;
}

class Printer {
public:
    Printer(const BatchStyle &style, size_t total) : style_(style), total_(total) {}

    void print(FileReport report)
    {
        clearProgress();
        if (!report.output.empty() && !writeOutput(report.output)) {
            const int reason = errno;
            std::clearerr(stdout);
            report.log = errorLinesOf(report.log) + "ERROR: cannot write to standard output: "
                + (reason ? std::strerror(reason) : "it failed") + '\n';
            report.outcome = Outcome::Failed;
        }
        printError(style_.quiet ? errorLinesOf(report.log) : report.log);
        count(report);
        drawProgress();
    }

    ~Printer() { clearProgress(); }

    const qor::RunTotals &totals() const { return totals_; }

private:
    void count(const FileReport &report)
    {
        ++finished_;
        totals_.warnings += report.warnings;
        switch (report.outcome) {
        case Outcome::Done: ++totals_.done; break;
        case Outcome::Failed: ++totals_.failed; break;
        case Outcome::Skipped: ++totals_.skipped; break;
        case Outcome::Different: ++totals_.different; break;
        case Outcome::Interrupted: ++totals_.interrupted; break;
        }
    }

    void drawProgress()
    {
        if (!style_.progress || finished_ == total_)
            return;
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
        char line[96];
        std::snprintf(line, sizeof line, "\r[%zu/%zu] %d failed, %.1f s", finished_, total_,
                      totals_.failed + totals_.different, elapsed.count());
        printError(line);
        drawn_ = true;
    }

    void clearProgress()
    {
        if (drawn_)
            printError("\r\033[K");
        drawn_ = false;
    }

    const BatchStyle &style_;
    const size_t total_;
    size_t finished_ = 0;
    bool drawn_ = false;
    qor::RunTotals totals_;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

} // namespace

BatchStyle styleFor(int jobs, bool quiet, size_t tasks)
{
    return {jobs, quiet, !quiet && tasks > 1 && qor::systemfile::isTerminal(stderr)};
}

qor::RunTotals runBatch(const std::vector<Task> &tasks, const BatchStyle &style)
{
    Printer printer(style, tasks.size());
    const auto runTask = [&](size_t index) {
        return interrupted() ? FileReport{Outcome::Interrupted, {}, {}, 0} : tasks[index]();
    };
    std::vector<std::optional<FileReport>> reports(tasks.size());
    std::mutex guard;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t index; (index = next++) < tasks.size();) {
            FileReport report = runTask(index);
            const std::lock_guard lock(guard);
            reports[index] = std::move(report);
            finished.notify_all();
        }
    };
    std::vector<std::jthread> threads;
    const size_t workers = std::min(size_t(std::max(style.jobs, 1)), tasks.size());
    for (size_t n = 0; workers > 1 && n < workers; ++n) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error &) {
            break; // the system has no more threads to give: the ones started do the work
        }
    }
    if (threads.empty()) {
        for (size_t index = 0; index < tasks.size(); ++index)
            printer.print(runTask(index));
        return printer.totals();
    }
    for (size_t index = 0; index < tasks.size(); ++index) {
        std::unique_lock lock(guard);
        finished.wait(lock, [&] { return reports[index].has_value(); });
        FileReport report = std::move(*reports[index]);
        reports[index].reset();
        lock.unlock();
        printer.print(std::move(report));
    }
    return printer.totals();
}

} // namespace cli
