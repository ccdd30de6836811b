// qorutil-cli: the converters of the window, for the shell and for batch work.
#include "cli/batch.h"
#include "cli/check.h"
#include "cli/convert.h"
#include "cli/info.h"
#include "cli/interrupt.h"
#include "cli/options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// The window sends one diagnostic number per compile to Qt's debug channel; the shell's
// stderr is for the log lines only.
void quietDebugMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// render runs qorutil-render, with the same arguments, streams and exit status: drawing needs
// Qt's Gui libraries, which the conversions should not load. It is a helper that only this
// program starts, so an installed one is not on the PATH but in the libexec folder beside
// ours (QORUTIL_RENDER_DIR, relative to the folder of this program); in the build tree it is
// beside this program.
int runRenderProgram(const QStringList &arguments)
{
    const QDir here(QCoreApplication::applicationDirPath());
    const QString name = QStringLiteral("qorutil-render");
    QString program = here.filePath(name);
    if (!QFileInfo(program).isExecutable())
        program = QDir::cleanPath(here.filePath(QLatin1String(QORUTIL_RENDER_DIR "/") + name));
    const int status = QProcess::execute(program, arguments);
    if (status < 0)
        std::fprintf(stderr, "ERROR: could not run %s\n", qPrintable(QDir::toNativeSeparators(program)));
    return status < 0 ? 1 : status;
}

int usageError(const std::string &why)
{
    std::fprintf(stderr, "qorutil-cli: %s\n%s", why.c_str(), cli::usageText);
    return 2;
}

int run(const cli::Options &options)
{
    if (options.command == "render") {
        QStringList arguments;
        for (const std::string &argument : options.arguments)
            arguments.append(QFile::decodeName(QByteArray::fromStdString(argument)));
        return runRenderProgram(arguments);
    }
    if (options.command == "check")
        return cli::runChecks(options);
    if (options.command == "info")
        return cli::runInfo(options);
    return cli::runConversions(options);
}

// A standard stream the program was started without must not be taken by the first file it
// opens, which would then receive what is meant for the stream: each gets a descriptor of
// its own that refuses writes, so output meant for a closed stream is an error, not lost.
void holdClosedStandardStreams()
{
#ifndef _WIN32
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (::fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            const int held = ::open("/dev/null", O_RDONLY);
            if (held >= 0 && held != descriptor) {
                ::dup2(held, descriptor);
                ::close(held);
            }
        }
    }
#endif
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
    holdClosedStandardStreams();
    qInstallMessageHandler(quietDebugMessages);
    QCoreApplication application(argc, argv);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const cli::Parsed parsed = cli::parseOptions(arguments);
    if (std::holds_alternative<cli::ShowHelp>(parsed)) {
        std::fputs(cli::usageText, stdout);
        return withOutputFlushed(0);
    }
    if (std::holds_alternative<cli::ShowVersion>(parsed)) {
        std::printf("qorutil-cli %s\n", QORUTIL_VERSION);
        return withOutputFlushed(0);
    }
    if (const auto *error = std::get_if<cli::UsageError>(&parsed))
        return usageError(error->why);
    cli::catchInterrupts();
    return withOutputFlushed(run(std::get<cli::Options>(parsed)));
}
