// qorutil-cli: the converters of the window, for the shell and for batch work.
#include "cli/batch.h"
#include "cli/check.h"
#include "cli/convert.h"
#include "cli/info.h"
#include "cli/options.h"
#include "cli/render.h"

#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

// The window sends one diagnostic number per compile to Qt's debug channel; the shell's
// stderr is for the log lines only.
void quietDebugMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

// Prints each line as it comes; render's usage text spans several lines.
class PlainLog : public qor::LogSink {
public:
    void logLine(const QString &text) override { cli::printError(text.toLocal8Bit() + '\n'); }
};

int usageError(const QString &why)
{
    std::fprintf(stderr, "qorutil-cli: %s\n%s", why.toLocal8Bit().constData(), cli::usageText);
    return 2;
}

int run(const cli::Options &options)
{
    if (options.command == QLatin1String("render")) {
        PlainLog log;
        return runRender(options.arguments, log);
    }
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
    // Only drawing needs fonts, and so a Gui application; on the offscreen platform headless.
    const bool rendering = argc > 1 && qstrcmp(argv[1], "render") == 0;
    const auto application = rendering ? makeRenderApplication(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
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
