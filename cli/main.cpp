// qorutil-cli: the converters of the window, for the shell and for batch work.
#include "cli/batch.h"
#include "cli/check.h"
#include "cli/convert.h"
#include "cli/info.h"
#include "cli/options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

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

int usageError(const QString &why)
{
    std::fprintf(stderr, "qorutil-cli: %s\n%s", why.toLocal8Bit().constData(), cli::usageText);
    return 2;
}

int run(const cli::Options &options)
{
    if (options.command == QLatin1String("render"))
        return runRenderProgram(options.arguments);
    if (options.command == QLatin1String("check"))
        return cli::runChecks(options);
    if (options.command == QLatin1String("info"))
        return cli::runInfo(options);
    return cli::runConversions(options);
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietDebugMessages);
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const cli::Parsed parsed = cli::parseOptions(arguments);
    if (std::holds_alternative<cli::ShowHelp>(parsed)) {
        std::fputs(cli::usageText, stdout);
        return 0;
    }
    if (std::holds_alternative<cli::ShowVersion>(parsed)) {
        std::printf("qorutil-cli %s\n", QORUTIL_VERSION);
        return 0;
    }
    if (const auto *error = std::get_if<cli::UsageError>(&parsed))
        return usageError(error->why);
    return run(std::get<cli::Options>(parsed));
}
