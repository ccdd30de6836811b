// qorutil-cli: the converters of the window, for the shell and for batch work.
#include "cli/check.h"
#include "cli/convert.h"
#include "cli/info.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "core/files/childprocess.h"
#include "core/files/pathnames.h"
#include "core/files/systemfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool isExecutable(const fs::path &path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    constexpr fs::perms anyExecute = fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    return fs::is_regular_file(status) && (status.permissions() & anyExecute) != fs::perms::none;
}

// render runs qorutil-render, with the same arguments (as the bytes they were given in),
// streams and exit status: drawing needs Qt's Gui libraries, which the conversions should not
// load. It is a helper that only this program starts, so an installed one is not on the PATH
// but in the libexec folder beside ours (QORUTIL_RENDER_DIR, relative to the folder of this
// program); in the build tree it is beside this program.
int runRenderProgram(const char *argv0, const std::vector<std::string> &arguments)
{
    const fs::path here = qor::runningProgram(argv0).parent_path();
    const fs::path name = "qorutil-render";
    fs::path program = here / name;
    if (!isExecutable(program))
        program = (here / QORUTIL_RENDER_DIR / name).lexically_normal();
    const std::optional<int> status = qor::runProgram(program, arguments);
    if (!status)
        std::fprintf(stderr, "ERROR: could not run %s\n", qor::displayPath(program.make_preferred()).c_str());
    return status.value_or(1);
}

// The error, then the help of the command it was given to (or of the program).
int usageError(const std::string &why, const std::vector<std::string> &arguments)
{
    const std::string command = arguments.empty() || opts::commandIndex(cli::program(), arguments.front()) < 0
                                    ? std::string()
                                    : arguments.front();
    std::fprintf(stderr, "qorutil-cli: %s\n%s", why.c_str(), opts::helpText(cli::program(), command).c_str());
    return 2;
}

int run(const char *argv0, const cli::Options &options)
{
    if (options.command == "render")
        return runRenderProgram(argv0, options.arguments);
    if (options.command == "check")
        return cli::runChecks(options);
    if (options.command == "info")
        return cli::runInfo(options);
    return cli::runConversions(options);
}

// What was written to stdout must have arrived: a full disk or a closed stream fails the run.
int withOutputFlushed(int status)
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "ERROR: cannot write to standard output: %s\n", std::strerror(errno));
        return status == 0 ? 1 : status;
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    qor::systemfile::holdClosedStandardStreams();
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const cli::Parsed parsed = cli::parseOptions(arguments);
    if (const auto *help = std::get_if<cli::ShowHelp>(&parsed)) {
        std::fputs(opts::helpText(cli::program(), help->command).c_str(), stdout);
        return withOutputFlushed(0);
    }
    if (std::holds_alternative<cli::ShowVersion>(parsed)) {
        std::printf("qorutil-cli %s\n", QORUTIL_VERSION);
        return withOutputFlushed(0);
    }
    if (const auto *error = std::get_if<cli::UsageError>(&parsed))
        return usageError(error->why, arguments);
    cli::catchInterrupts();
    return withOutputFlushed(run(argc > 0 ? argv[0] : nullptr, std::get<cli::Options>(parsed)));
}
