#include "cli/inputs.h"

#include "cli/batch.h"
#include "core/files/fileidentity.h"
#include "core/files/outputname.h"
#include "core/files/pathnames.h"
#include "qt/qtcore.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace cli {

namespace fs = std::filesystem;

namespace {

bool hasSuffix(const fs::path &name, const QStringList &suffixes)
{
    const QString text = QString::fromLocal8Bit(name.string());
    return std::any_of(suffixes.begin(), suffixes.end(),
                       [&](const QString &suffix) { return text.endsWith(suffix, Qt::CaseInsensitive); });
}

class Walk {
public:
    Walk(const QStringList &suffixes, qorqt::LogSink &log, RunInputs &run, const fs::path &skip)
        : suffixes_(suffixes), log_(log), run_(run), skip_(skip.empty() ? std::string() : qor::fileIdentity(skip))
    {
    }

    // The files below `folder`, their relative paths starting with `prefix`.
    void folder(const fs::path &folder, const fs::path &prefix)
    {
        std::vector<Input> found;
        below(folder, prefix, found);
        std::sort(found.begin(), found.end(), [](const Input &a, const Input &b) { return a.relative < b.relative; });
        if (found.empty())
            log_.logText(QLatin1String("No ") + suffixes_.join(QLatin1String(" or ")) + QLatin1String(" files in ")
                         + shown(folder));
        for (Input &input : found)
            run_.files.push_back(std::move(input));
    }

    void failed(const fs::path &path, const QString &why)
    {
        log_.logText(QLatin1String("ERROR: ") + shown(path) + QLatin1String(": ") + why);
        ++run_.missing;
    }

    // A file the run takes.
    void take(const fs::path &file, const fs::path &relative, std::vector<Input> &into)
    {
        into.push_back({shown(file), file, relative});
    }

private:
    void below(const fs::path &folder, const fs::path &prefix, std::vector<Input> &found)
    {
        std::error_code error;
        fs::directory_iterator entries(folder, error);
        for (const fs::directory_iterator end; !error && entries != end; entries.increment(error)) {
            const fs::path &path = entries->path();
            const fs::path name = path.filename();
            if (name.native().starts_with('.'))
                continue;
            std::error_code statusError;
            const fs::file_status own = entries->symlink_status(statusError);
            if (statusError) {
                failed(path, QString::fromLocal8Bit(statusError.message()));
            } else if (fs::is_directory(own)) {
                if (skip_.empty() || qor::fileIdentity(path) != skip_)
                    below(path, prefix / name, found);
            } else if (!fs::is_symlink(own) || !fs::is_directory(entries->status(statusError))) {
                if (!hasSuffix(name, suffixes_))
                    continue;
                if (fs::is_regular_file(entries->status(statusError)))
                    take(path, prefix / name, found);
                else if (statusError)
                    failed(path, QString::fromLocal8Bit(statusError.message()));
            }
        }
        if (error)
            failed(folder, QString::fromLocal8Bit(error.message()));
    }

    const QStringList &suffixes_;
    qorqt::LogSink &log_;
    RunInputs &run_;
    const std::string skip_;
};

// The name a folder argument goes by under the output folder when it is one of several.
fs::path ownName(const fs::path &folder)
{
    fs::path name = folder.lexically_normal().filename();
    if (name.empty() || name == "." || name == "..") {
        std::error_code error;
        name = fs::weakly_canonical(fs::absolute(folder, error), error).filename();
    }
    return name;
}

} // namespace

RunInputs collectInputs(const std::vector<std::string> &arguments, const QStringList &suffixes, qorqt::LogSink &log,
                        const fs::path &skip)
{
    RunInputs run;
    Walk walk(suffixes, log, run, skip);
    for (const std::string &argument : arguments) {
        if (argument == "-") {
            run.files.push_back({QStringLiteral("standard input"), fs::path("-"), fs::path("-")});
            continue;
        }
        const fs::path path(argument);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (!fs::exists(status)) {
            walk.failed(path, error && error != std::errc::no_such_file_or_directory
                                  ? QString::fromLocal8Bit(error.message())
                                  : QStringLiteral("no such file or folder"));
        } else if (fs::is_directory(status)) {
            walk.folder(path, arguments.size() > 1 ? ownName(path) : fs::path());
        } else {
            std::vector<Input> one;
            walk.take(path, path.filename(), one);
            run.files.insert(run.files.end(), one.begin(), one.end());
        }
    }
    return run;
}

RunInputs runInputs(const std::vector<std::string> &arguments, const QStringList &suffixes, const fs::path &skip)
{
    FileLog log;
    RunInputs run = collectInputs(arguments, suffixes, log, skip);
    // A file named twice (itself and in its folder, say, or through a link) is read once.
    std::set<std::string> seen;
    std::erase_if(run.files, [&](const Input &input) {
        return input.file != "-" && !seen.insert(qor::fileIdentity(input.file)).second;
    });
    printError(log.lines());
    return run;
}

QString shown(const fs::path &path)
{
    return QString::fromStdString(qor::escapedPath(path));
}

QStringList bothSuffixes()
{
    return {QStringLiteral(".compiled"), QStringLiteral(".reanim")};
}

qor::FileKind kindOf(const fs::path &path, qor::ByteView bytes)
{
    const std::string name = path.filename().string();
    if (qor::endsWithAnyCase(name, ".compiled"))
        return qor::FileKind::Compiled;
    if (qor::endsWithAnyCase(name, ".reanim"))
        return qor::FileKind::Text;
    return qor::kindOf(bytes);
}

} // namespace cli
