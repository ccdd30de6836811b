#include "cli/info.h"

#include "cli/batch.h"
#include "cli/convert.h"
#include "cli/inputs.h"
#include "core/format/allocationguard.h"
#include "core/format/container.h"
#include "core/scene/info.h"
#include "core/files/namerules.h"
#include "core/files/runreport.h"
#include "core/files/wholefile.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace cli {

namespace {

void toStdout(std::string_view bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

// Writes the files' descriptions to standard output in input order. The file whose turn it is
// writes straight out as it walks; one that is ready before its turn waits in memory.
class InOrder {
public:
    InOrder(size_t files, std::string_view separator) : early_(files), separator_(separator) {}

    // Writes file `n`'s description with `write`.
    void put(size_t n, const std::function<void(qor::TextOut &)> &write)
    {
        std::unique_lock lock(mutex_);
        if (n != next_) {
            lock.unlock();
            std::string bytes;
            {
                qor::TextOut out;
                write(out);
                bytes = out.text();
            }
            lock.lock();
            if (n != next_) {
                early_[n] = Early{std::move(bytes), true};
                return;
            }
            writeOut(bytes);
            handOn();
            return;
        }
        lock.unlock();
        // Until it hands the turn on, nobody else writes.
        try {
            if (wroteAny_)
                toStdout(separator_);
            wroteAny_ = true;
            qor::TextOut out(toStdout);
            write(out);
        } catch (...) {
            lock.lock();
            handOn();
            throw;
        }
        lock.lock();
        handOn();
    }

    // File `n` has no description (or has had its turn).
    void skip(size_t n)
    {
        const std::lock_guard lock(mutex_);
        if (n < next_)
            return;
        if (n != next_)
            early_[n] = Early{{}, false};
        else
            handOn();
    }

    bool wroteAny() const { return wroteAny_; }

private:
    struct Early {
        std::string bytes;
        bool described;
    };

    void writeOut(std::string_view bytes)
    {
        if (wroteAny_)
            toStdout(separator_);
        toStdout(bytes);
        wroteAny_ = true;
    }

    // With the lock held: the turn goes to the next file, through those already waiting.
    void handOn()
    {
        for (++next_; next_ < early_.size() && early_[next_]; ++next_) {
            const Early early = std::move(*early_[next_]);
            early_[next_].reset();
            if (early.described)
                writeOut(early.bytes);
        }
    }

    std::mutex mutex_;
    size_t next_ = 0;
    std::vector<std::optional<Early>> early_;
    const std::string separator_;
    bool wroteAny_ = false;
};

FileReport describeOne(const Input &input, size_t index, qor::InfoFormat format, InOrder &printer)
{
    qor::LastError log;
    const bool described = qor::guardAllocation("read it", log, [&] {
        std::optional<qor::WalkableFile> file;
        {
            // The file's bytes go as soon as the body or the model is there.
            qor::Bytes bytes;
            if (qor::readWholeFile(input.file, bytes, log, qor::maxCompiledFileSize) != qor::WholeFile::Read)
                return false;
            file = qor::WalkableFile::read(bytes, qor::kindOf(input.file.filename().string(), bytes), log);
        }
        if (!file)
            return false;
        // The text shows the path as the run names it; JSON gives it back as it is, in UTF-8.
        const std::string path = format == qor::InfoFormat::Json ? input.file.string() : input.path;
        printer.put(index, [&](qor::TextOut &out) { qor::describeFile(*file, path, format, out); });
        return true;
    });
    FileReport report;
    if (!described) {
        printer.skip(index);
        report.outcome = Outcome::Failed;
        FileLog error;
        error.logLine("ERROR: " + shown(input.file) + ": " + log.reason);
        report.log = error.text();
    }
    return report;
}

} // namespace

int runInfo(const Options &options)
{
    const RunInputs run = runInputs(options.arguments, bothSuffixes(), true);
    const qor::InfoFormat format = options.json ? qor::InfoFormat::Json : qor::InfoFormat::Text;
    InOrder printer(run.files.size(), format == qor::InfoFormat::Json ? ",\n" : "");
    std::vector<Task> tasks;
    for (size_t n = 0; n < run.files.size(); ++n)
        tasks.push_back([&, n] { return describeOne(run.files[n], n, format, printer); });
    if (format == qor::InfoFormat::Json)
        std::fputs("{\n    \"files\": [\n", stdout);
    qor::RunTotals totals = runBatch(tasks, {jobsFor(options), options.quiet, false});
    if (format == qor::InfoFormat::Json)
        std::fputs(printer.wroteAny() ? "\n    ]\n}\n" : "    ]\n}\n", stdout);
    std::fflush(stdout);
    totals.failed += run.missing;
    if (const auto summary = qor::summaryLine(qor::RunKind::Info, totals, tasks.size() + size_t(run.missing)))
        printError(*summary + '\n');
    return totals.failed > 0 ? 1 : 0;
}

} // namespace cli
