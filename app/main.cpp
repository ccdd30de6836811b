// qorutil: the converter's window. It takes no file: --help and --version print and exit
// without a display, anything else is a usage error (exit status 2).
#include "app/frmmain.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <optional>

namespace {

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Converts game animations between compiled reanim files (.reanim.compiled) and reanim XML text\n"
        "(.reanim) in a window: File > Decompile and File > Compile ask for a file, files and folders\n"
        "dropped on the window are converted by their names. Its size, place and options are kept in\n"
        "formState.ini and qorutil.ini in the working folder. The command line does the same with\n"
        "qorutil-cli; qorutil-preview plays an animation."));
    // -platform and the like are Qt's own options, words after one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addHelpOption();
    parser.addVersionOption();
}

QString programName(const QStringList &arguments)
{
    return arguments.isEmpty() ? QStringLiteral("qorutil") : QFileInfo(arguments.constFirst()).fileName();
}

// The help text, naming the program as it is called on the PATH (Qt puts in the path it was
// started by, or "<executable_name>" before there is an application object).
QString usageText(const QCommandLineParser &parser, const QString &name)
{
    QString text = parser.helpText();
    const QLatin1String usage("Usage: ");
    if (text.startsWith(usage))
        text.replace(usage.size(), text.indexOf(QLatin1Char(' '), usage.size()) - usage.size(), name);
    return text;
}

// Options that QApplication takes out of the arguments itself (-platform, -style, ...).
bool qtOptions(const QStringList &names)
{
    static const QStringList qt{
        QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
        QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("geometry"),
        QStringLiteral("qwindowicon"), QStringLiteral("icon"), QStringLiteral("qwindowtitle"),
        QStringLiteral("title"), QStringLiteral("reverse"), QStringLiteral("session"), QStringLiteral("display"),
        QStringLiteral("name"), QStringLiteral("style"), QStringLiteral("stylesheet"),
        QStringLiteral("widgetcount"), QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("sync"),
        QStringLiteral("visual"), QStringLiteral("qmljsdebugger"), QStringLiteral("testability")};
    for (const QString &name : names) {
        if (!qt.contains(name.section(QLatin1Char('='), 0, 0)))
            return false;
    }
    return true;
}

int usageError(const QCommandLineParser &parser, const QString &name)
{
    std::fprintf(stderr, "%s: %s\n%s", qPrintable(name), qPrintable(parser.errorText()),
                 qPrintable(usageText(parser, name)));
    return 2;
}

// The exit status when the arguments are answered here (help, version, a usage error),
// nothing when the window is to open. Help text needs no application object, so no display.
std::optional<int> answerArguments(QCommandLineParser &parser, const QStringList &arguments)
{
    const QString name = programName(arguments);
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(usageText(parser, name)), stdout);
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("%s %s\n", qPrintable(name), qPrintable(QCoreApplication::applicationVersion()));
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "%s: takes no file (open files with File > Decompile or Compile, or qorutil-cli)\n%s",
                     qPrintable(name), qPrintable(usageText(parser, name)));
        return 2;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationVersion(QStringLiteral(QORUTIL_VERSION));
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // First without any application object, so that --help and --version work without a
    // display; any other option is a usage error then too, unless it is one of Qt's own
    // (-platform, -style, ...), which QApplication takes out of the arguments.
    {
        QCommandLineParser parser;
        describe(parser);
        if (parser.parse(arguments)) {
            if (const std::optional<int> status = answerArguments(parser, arguments))
                return *status;
        } else if (!qtOptions(parser.unknownOptionNames())) {
            return usageError(parser, programName(arguments));
        }
    }

    QApplication application(argc, argv);
    {
        QCommandLineParser parser;
        describe(parser);
        const QStringList remaining = QCoreApplication::arguments();
        if (!parser.parse(remaining))
            return usageError(parser, programName(remaining));
        if (const std::optional<int> status = answerArguments(parser, remaining))
            return *status;
    }
    // The window is gone before the application object, as Qt requires.
    return [&application] {
        frmMain window;
        window.show();
        return application.exec();
    }();
}
