#include "cli/batch.h"

#include "cli/interrupt.h"

#include <QByteArrayList>
#include <QElapsedTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#ifdef Q_OS_WIN
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace cli {

bool stderrIsTerminal()
{
    return isatty(fileno(stderr));
}

void printError(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

bool writeOutput(const QByteArray &bytes)
{
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size());
    return std::fflush(stdout) == 0 && written && !std::ferror(stdout);
}

namespace {

QByteArray errorLinesOf(const QByteArray &log)
{
    QByteArray errors;
    for (const QByteArray &line : log.split('\n')) {
        if (line.startsWith("ERROR:") || line.contains(": warning: "))
            errors += line + '\n';
    }
    return errors;
}

class Printer {
public:
    Printer(const BatchStyle &style, size_t total) : style_(style), total_(total) { clock_.start(); }

    void print(FileReport report)
    {
        clearProgress();
        if (!report.output.isEmpty() && !writeOutput(report.output)) {
            const int reason = errno;
            std::clearerr(stdout);
            report.log = errorLinesOf(report.log) + "ERROR: cannot write to standard output: "
                + QByteArray(reason ? std::strerror(reason) : "it failed") + '\n';
            report.outcome = Outcome::Failed;
        }
        printError(style_.quiet ? errorLinesOf(report.log) : report.log);
        count(report);
        drawProgress();
    }

    ~Printer() { clearProgress(); }

    const Totals &totals() const { return totals_; }

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
        printError(QString::fromLatin1("\r[%1/%2] %3 failed, %4 s")
                       .arg(finished_)
                       .arg(total_)
                       .arg(totals_.failed + totals_.different)
                       .arg(double(clock_.elapsed()) / 1000.0, 0, 'f', 1)
                       .toLocal8Bit());
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
    Totals totals_;
    QElapsedTimer clock_;
};

} // namespace

BatchStyle styleFor(int jobs, bool quiet, size_t tasks)
{
    return {jobs, quiet, !quiet && tasks > 1 && stderrIsTerminal()};
}

Totals runBatch(const std::vector<Task> &tasks, const BatchStyle &style)
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
