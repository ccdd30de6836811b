#include "cli/inputs.h"

#include "cli/batch.h"
#include "core/files/fileidentity.h"
#include "core/files/folderwalk.h"
#include "core/files/namerules.h"
#include "core/files/pathnames.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace cli {

namespace fs = std::filesystem;

namespace {

void failed(const fs::path &path, const std::string &why, qor::LogSink &log, RunInputs &run)
{
    log.logLine("ERROR: " + shown(path) + ": " + why);
    ++run.missing;
}

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

std::string joined(const std::vector<std::string> &words, std::string_view between)
{
    std::string text;
    for (const std::string &word : words)
        text += (text.empty() ? "" : std::string(between)) + word;
    return text;
}

} // namespace

RunInputs collectInputs(const std::vector<std::string> &arguments, const std::vector<std::string> &suffixes,
                        qor::LogSink &log, const fs::path &skip)
{
    RunInputs run;
    for (const std::string &argument : arguments) {
        if (argument == "-") {
            run.files.push_back({"standard input", fs::path("-"), fs::path("-")});
            continue;
        }
        const fs::path path(argument);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (!fs::exists(status)) {
            failed(path, error && error != std::errc::no_such_file_or_directory ? error.message() : "no such file or folder",
                   log, run);
        } else if (fs::is_directory(status)) {
            const qor::FolderWalk walk =
                qor::walkFolder(path, suffixes, arguments.size() > 1 ? ownName(path) : fs::path(), skip);
            for (const qor::WalkFailure &failure : walk.failures)
                failed(failure.path, failure.reason, log, run);
            if (walk.files.empty())
                log.logLine("No " + joined(suffixes, " or ") + " files in " + shown(path));
            for (const qor::WalkedFile &found : walk.files)
                run.files.push_back({shown(found.file), found.file, found.relative});
        } else {
            run.files.push_back({shown(path), path, path.filename()});
        }
    }
    return run;
}

RunInputs runInputs(const std::vector<std::string> &arguments, const std::vector<std::string> &suffixes,
                    bool oncePerFile, const fs::path &skip)
{
    FileLog log;
    RunInputs run = collectInputs(arguments, suffixes, log, skip);
    if (oncePerFile) {
        // A file named twice (itself and in its folder, say, or through a link) is read once.
        std::set<std::string> seen;
        std::erase_if(run.files, [&](const Input &input) {
            return input.file != "-" && !seen.insert(qor::fileIdentity(input.file)).second;
        });
    }
    printError(log.text());
    return run;
}

std::string shown(const fs::path &path)
{
    return qor::escapedPath(path);
}

std::vector<std::string> bothSuffixes()
{
    return {std::string(qor::compiledSuffix), std::string(qor::textSuffix)};
}

} // namespace cli
