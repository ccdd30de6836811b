// qorutil-cli: the converters of the window, for the shell and for batch work.
#include "cli/render.h"
#include "core/compiler.h"
#include "core/decompiler.h"
#include "core/logsink.h"
#include "core/outputname.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

namespace {

constexpr int exitConverted = 0;
constexpr int exitFailed = 1;
constexpr int exitUsage = 2;

const char usageText[] =
    "Usage: qorutil-cli decompile [-o OUT] FILE|FOLDER...\n"
    "       qorutil-cli compile   [-o OUT] FILE|FOLDER...\n"
    "\n"
    "decompile  writes the reanim XML text of each compiled reanim file beside it\n"
    "           (walk.reanim.compiled gives walk.reanim).\n"
    "compile    writes the compiled reanim file of each reanim XML text beside it\n"
    "           (walk.reanim gives walk.reanim.compiled).\n"
    "\n"
    "A FOLDER stands for its *.compiled files (decompile) or *.reanim files (compile).\n"
    "\n"
    "Options:\n"
    "  -o OUT         write the output of a single input to OUT\n"
    "  --sync         flush each output to the disk before it replaces the old file\n"
    "  -h, --help     show this text and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Progress and errors go to stderr, one line each, as in the window's Output Window.\n"
    "Exit status: 0 when every file converted, 1 when any failed, 2 on a usage error.\n";

// Collects the lines of one file and prints them together, so a file's report is one write.
class StderrLog : public qor::LogSink {
public:
    ~StderrLog() override { flush(); }

    void logLine(const QString &text) override
    {
        pending_ += text.toLocal8Bit();
        pending_ += '\n';
    }

    void flush()
    {
        std::fwrite(pending_.constData(), 1, size_t(pending_.size()), stderr);
        std::fflush(stderr);
        pending_.clear();
    }

private:
    QByteArray pending_;
};

// The window sends one diagnostic number per compile to Qt's debug channel; the shell's
// stderr is for the log lines only.
void quietDebugMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg)
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

struct Command {
    const char *name;
    const char *folderPattern;
    bool (*convert)(const QString &, const QString &, qor::LogSink &, qor::Flush);
    QString (*outputFor)(const QString &);
};

const Command commands[] = {
    {"decompile", "*.compiled", &qor::decompressFile, &qor::decompiledPathFor},
    {"compile", "*.reanim", &qor::compileReanim, &qor::compiledPathFor},
};

int usageError(const QString &why)
{
    std::fprintf(stderr, "qorutil-cli: %s\n%s", why.toLocal8Bit().constData(), usageText);
    return exitUsage;
}

// The files an argument stands for: itself, or a folder's matching files by name.
QStringList inputsOf(const QString &argument, const Command &command, StderrLog &log)
{
    const QFileInfo info(argument);
    if (!info.isDir())
        return {info.absoluteFilePath()};
    const QDir folder(argument);
    QStringList files;
    for (const QFileInfo &entry :
         folder.entryInfoList({QLatin1String(command.folderPattern)}, QDir::Files, QDir::Name))
        files.append(entry.absoluteFilePath());
    if (files.isEmpty())
        log.logLine(QLatin1String("No ") + QLatin1String(command.folderPattern) + QLatin1String(" files in ")
                    + QDir::toNativeSeparators(argument));
    return files;
}

int run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    const QString &first = arguments.first();
    if (first == QLatin1String("-h") || first == QLatin1String("--help")) {
        std::fputs(usageText, stdout);
        return exitConverted;
    }
    if (first == QLatin1String("-V") || first == QLatin1String("--version")) {
        std::printf("qorutil-cli %s\n", QORUTIL_VERSION);
        return exitConverted;
    }
    const Command *command = nullptr;
    for (const Command &candidate : commands) {
        if (first == QLatin1String(candidate.name))
            command = &candidate;
    }
    if (!command)
        return usageError(QLatin1String("unknown command '") + first + QLatin1Char('\''));

    QString output;
    qor::Flush flush = qor::Flush::No;
    QStringList arguments_;
    for (qsizetype index = 1; index < arguments.size(); ++index) {
        const QString &argument = arguments[index];
        if (argument == QLatin1String("-o")) {
            if (++index == arguments.size())
                return usageError(QStringLiteral("-o needs a file name"));
            output = arguments[index];
        } else if (argument == QLatin1String("--sync")) {
            flush = qor::Flush::ToDisk;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            std::fputs(usageText, stdout);
            return exitConverted;
        } else if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            return usageError(QLatin1String("unknown option '") + argument + QLatin1Char('\''));
        } else {
            arguments_.append(argument);
        }
    }
    if (arguments_.isEmpty())
        return usageError(QStringLiteral("no input file given"));

    StderrLog log;
    QStringList inputs;
    for (const QString &argument : std::as_const(arguments_))
        inputs += inputsOf(argument, *command, log);
    if (!output.isEmpty() && (inputs.size() != 1 || QFileInfo(arguments_.first()).isDir()))
        return usageError(QStringLiteral("-o goes with exactly one input file"));

    int failed = 0;
    for (const QString &input : std::as_const(inputs)) {
        const QString target = output.isEmpty() ? command->outputFor(input) : QFileInfo(output).absoluteFilePath();
        if (!command->convert(input, target, log, flush))
            ++failed;
        log.flush();
    }
    if (inputs.size() > 1)
        log.logLine(QString::fromLatin1("%1 of %2 files converted").arg(inputs.size() - failed).arg(inputs.size()));
    return failed == 0 ? exitConverted : exitFailed;
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietDebugMessages);
    const bool rendering = argc > 1 && qstrcmp(argv[1], "render") == 0;
    const auto application = rendering ? makeRenderApplication(argc, argv)
                                       : std::make_unique<QCoreApplication>(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (rendering) {
        StderrLog log;
        return runRender(arguments.mid(1), log);
    }
    return run(arguments);
}
